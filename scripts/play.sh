#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target gyrolap

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "play.sh: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "play.sh: on a machine without a screen, start one first, e.g.:" >&2
  echo "           Xvfb :99 -screen 0 1024x768x24 & DISPLAY=:99 scripts/play.sh" >&2
  exit 1
fi
exec build/release/app/gyrolap
