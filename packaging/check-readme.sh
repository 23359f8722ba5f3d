#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders README.md with cmark and checks that every heading written outside a code block
# came out as a heading: a code fence left open (or closed with text on its line) swallows
# everything after it into one code block. Usage: packaging/check-readme.sh [FILE.md]
set -euo pipefail
cd "$(dirname "$0")/.."
readme=${1:-README.md}
command -v cmark >/dev/null || {
  echo "check-readme.sh: cmark is missing; scripts/deps.sh package installs it" >&2
  exit 2
}
# As the writer meant it: every line starting with ``` opens or closes a code block.
written=$(awk '/^```/ { open = !open; next } !open && /^#+ / { n++ } END { print n + 0 }' "$readme")
rendered=$(cmark "$readme" | grep -cE '^<h[1-6]>' || true)
if [[ $written != "$rendered" ]]; then
  echo "check-readme.sh: $readme has $written headings outside code blocks," \
    "but cmark renders $rendered: a code fence is not closed where it should be" >&2
  exit 1
fi
echo "check-readme.sh: $readme renders all its $rendered headings"
