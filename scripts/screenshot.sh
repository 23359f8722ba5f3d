#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the README's screenshot off screen: the game window over a game played on the virtual
# clock with fixed random values, so every run gives the same picture.
# Usage: scripts/screenshot.sh [OUTPUT.png]   (default docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshot.png}

scripts/deps.sh play
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target gyrolap-screenshot >/dev/null
mkdir -p "$(dirname "$output")"
build/release/ui/gyrolap-screenshot "$output"
