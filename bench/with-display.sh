#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command on the current display, or on a private virtual display when there is none.
# xvfb-run -a takes a display number no other X server holds, so a bench never lands on
# someone else's screen. Usage: bench/with-display.sh COMMAND [ARGS...]
set -euo pipefail
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi
command -v xvfb-run >/dev/null || {
  echo "with-display.sh: xvfb-run is missing; scripts/deps.sh bench installs it (package xvfb)" >&2
  exit 1
}
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
