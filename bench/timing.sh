#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Timing accuracy and CPU cost of the real window, ours against a spinning wait.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target bench_timing >/dev/null
bench/with-display.sh build/release/bench/bench_timing "$@"
