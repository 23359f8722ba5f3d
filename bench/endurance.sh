#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# 1,000 nested games in the real window: memory per game and native stack depth.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset release >/dev/null
cmake --build --preset release --target bench_endurance >/dev/null
bench/with-display.sh build/release/bench/bench_endurance "$@"
