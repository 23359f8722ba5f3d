#!/usr/bin/env bash
# Builds the fuzz preset and runs the submission fuzzer for a fixed number of inputs.
# Usage: scripts/fuzz.sh [RUNS] [extra libFuzzer options...]   (RUNS defaults to 500000)
# New inputs go to a scratch corpus; the seeds in fuzz/corpus/ stay as they are. A crash
# leaves its input in build/fuzz/artifacts/ and makes the script fail.
set -euo pipefail

runs="${1:-500000}"
shift || true
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target fuzz_submission

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/artifacts
# The fuzzer reports every new input it keeps; the log holds that, the console the summary.
log=build/fuzz/fuzz.log
if ! build/fuzz/fuzz/fuzz_submission -runs="$runs" -artifact_prefix=build/fuzz/artifacts/ \
    -print_final_stats=1 "$@" "$scratch" fuzz/corpus >"$log" 2>&1; then
  tail -n 60 "$log" >&2
  echo "fuzz.sh: the fuzzer found a failure; the input is in build/fuzz/artifacts/" >&2
  exit 1
fi
grep -E '^(Done|stat::)' "$log" || tail -n 20 "$log"
