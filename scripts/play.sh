#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the game and starts it. Arguments go to the game.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh play
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target gyrolap

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "play.sh: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "play.sh: on a machine without a screen, run it on a private virtual display:" >&2
  echo "           xvfb-run -a scripts/play.sh      (package xvfb)" >&2
  exit 1
fi
exec build/release/app/gyrolap "$@"
