#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz preset and runs every fuzz target for a fixed number of inputs from a fixed
# seed, each starting from its corpus in fuzz/corpus/<target>/, so a run is repeatable and starts
# from what earlier runs found.
#
# Usage: scripts/fuzz.sh [RUNS] [extra libFuzzer options...]
#          RUNS per target defaults to what takes about 25 s on the two-core machine (100000
#          for fuzz_submission, whose inputs reach 4 KiB, 200000 for fuzz_script); SEED in the
#          environment overrides the seed (default 1). New inputs go to a scratch corpus; the
#          corpora in the repository stay as they are.
#        scripts/fuzz.sh --update-corpus [RUNS]
#          Fuzz longer (RUNS defaults to 2000000) and merge what was found into the corpora,
#          minimised: only inputs that add coverage are kept. Commit the result.
# A crash leaves its input in build/fuzz/artifacts/ and makes the script fail.
set -euo pipefail

targets=(fuzz_submission fuzz_script)
declare -A ci_runs=([fuzz_submission]=100000 [fuzz_script]=200000)

update=false
if [[ "${1:-}" == "--update-corpus" ]]; then
  update=true
  shift
fi
runs="${1:-}"
shift || true
seed="${SEED:-1}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]}"

mkdir -p build/fuzz/artifacts
status=0
for target in "${targets[@]}"; do
  if [[ -n "$runs" ]]; then
    target_runs="$runs"
  elif $update; then
    target_runs=2000000
  else
    target_runs="${ci_runs[$target]}"
  fi
  corpus="fuzz/corpus/$target"
  mkdir -p "$corpus"
  scratch="$(mktemp -d)"
  # The fuzzer reports every new input it keeps; the log holds that, the console the summary.
  log="build/fuzz/$target.log"
  echo "== $target: $target_runs runs, seed $seed"
  if ! "build/fuzz/fuzz/$target" -runs="$target_runs" -seed="$seed" \
      -artifact_prefix="build/fuzz/artifacts/$target-" -print_final_stats=1 "$@" \
      "$scratch" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz.sh: $target found a failure; the input is in build/fuzz/artifacts/" >&2
    status=1
  else
    grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' "$log" ||
      tail -n 20 "$log"
    if $update; then
      merged="$(mktemp -d)"
      "build/fuzz/fuzz/$target" -merge=1 "$merged" "$corpus" "$scratch" \
        >"build/fuzz/$target-merge.log" 2>&1
      rm -rf "$corpus"
      mkdir -p "$corpus"
      cp "$merged"/* "$corpus"/
      rm -rf "$merged"
      echo "$target: corpus now $(ls "$corpus" | wc -l) inputs"
    fi
  fi
  rm -rf "$scratch"
done
exit "$status"
