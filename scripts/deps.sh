#!/usr/bin/env bash
# Installs, with apt, whatever the build, the tests and the game need and the machine lacks.
# A second run finds everything in place and returns in a moment.
set -euo pipefail

packages=(
  cmake ninja-build g++          # the build
  libgtest-dev libgmock-dev      # the tests
  qt6-base-dev                   # the window (Qt 6 Widgets)
  fonts-liberation               # metric twins of Arial and Courier New
  xvfb xauth                     # a display for the window where there is none
  clang libclang-rt-14-dev       # libFuzzer for the fuzz target
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "deps.sh: run as root (or install sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
