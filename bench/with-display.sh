#!/usr/bin/env bash
# Runs a command on the current display, or on a private Xvfb when there is none.
# Usage: bench/with-display.sh COMMAND [ARGS...]
set -euo pipefail
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$@"
fi
command -v Xvfb >/dev/null || { echo "with-display.sh: Xvfb is missing; run scripts/deps.sh" >&2; exit 1; }
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -e /tmp/.X11-unix/X${display#:} ]] && break
  sleep 0.1
done
DISPLAY=$display "$@"
