#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target gyrolap-sim

# The window is not built yet: until it is, play the sample game in the simulator.
echo "The window is not built yet; replaying a sample game in the simulator instead:"
exec build/release/app/gyrolap-sim tests/sim/scripts/level1-hit-then-miss.script
