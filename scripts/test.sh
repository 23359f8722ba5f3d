#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the optimised build and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
cmake --preset release
cmake --build --preset release -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset release -j"$(nproc)"
