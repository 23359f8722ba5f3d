#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Timing accuracy and CPU cost of the real window, ours against a spinning wait. The options go
# to bench_timing (--load N, --no-realtime, --ours-only; --help says more). Beside it, in
# processes of their own, two bare sleepers measure the system's own wake-up in the same
# minutes, one at ordinary priority and one real-time, and print their lines at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target bench_timing bench_floor >/dev/null

floors=()
stop_floors() {
  for pid in "${floors[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${floors[@]}"; do wait "$pid" 2>/dev/null || true; done
  floors=()
}
trap stop_floors EXIT
build/release/bench/bench_floor &
floors+=($!)
build/release/bench/bench_floor --realtime &
floors+=($!)
bench/with-display.sh build/release/bench/bench_timing "$@"
stop_floors
