#!/usr/bin/env bash
# Takes the README's screenshot: starts the game under Xvfb, presses Start, waits for the
# particle to run, and saves the window. Usage: scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshot.png}

scripts/deps.sh
command -v import >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick x11-utils xdotool; }
command -v xdotool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xdotool
cmake --preset release >/dev/null
cmake --build --preset release --target gyrolap >/dev/null

display=:97
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp &
xvfb=$!
trap 'kill "$game" "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display build/release/app/gyrolap &
game=$!
sleep 3  # the start-up animation takes 1.6 s
window=$(DISPLAY=$display xdotool search --sync --name '^Gyrolap - ver')
DISPLAY=$display xdotool key --window "$window" s   # a typed character at the action button
sleep 1.3
mkdir -p "$(dirname "$output")"
DISPLAY=$display import -window "$window" "$output"
echo "saved $output"
