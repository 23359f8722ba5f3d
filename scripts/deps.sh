#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs with apt what the given purposes need and the machine lacks, and nothing else.
# Usage: scripts/deps.sh PURPOSE...   (play, test, fuzz, bench, package)
#   play     build and run the game          test     build and run every test
#   fuzz     the libFuzzer build (clang)     bench    the window benches on a virtual display
#   package  the validators CI runs on an installed tree, and the README renderer
# A second run finds everything in place and returns at once. Without root and without sudo
# it names what is missing and the command that installs it, and fails.
set -euo pipefail

usage() {
  echo "usage: scripts/deps.sh PURPOSE...   (PURPOSE: play, test, fuzz, bench, package)" >&2
  exit 2
}
(($# > 0)) || usage

build=(cmake ninja-build g++)
# Qt 6 Widgets; Qt 6 SVG (the scalable launcher icon); metric twins of Arial and Courier New
game=(qt6-base-dev qt6-svg-dev fonts-liberation)
# The score page, gyrolap-scores: HTTP, the SQLite file and PostgreSQL's client library.
scores=(pkgconf libcpp-httplib-dev libsqlite3-dev libpq-dev)
# Its tests: a PostgreSQL server of their own, and a real browser driven by Selenium.
scores_test=(postgresql chromium chromium-driver python3-selenium)
# The game on a real Wayland compositor: weston's headless backend and Qt's Wayland platform.
wayland_test=(weston qt6-wayland)
# Recordings as a desktop knows them: the MIME database and its tools, xdg-mime asking GIO,
# and the desktop entries' cache of what opens which type.
desktop_test=(shared-mime-info xdg-utils libglib2.0-bin desktop-file-utils)
wanted=()
for purpose in "$@"; do
  case "$purpose" in
    play) wanted+=("${build[@]}" "${game[@]}" "${scores[@]}") ;;
    # mandoc: the man page test; dbus-daemon: a private bus for the real-time request's tests
    test) wanted+=("${build[@]}" "${game[@]}" "${scores[@]}" "${scores_test[@]}" "${wayland_test[@]}" "${desktop_test[@]}" libgtest-dev mandoc dbus-daemon) ;;
    fuzz) wanted+=(cmake ninja-build clang libclang-rt-14-dev) ;;
    bench) wanted+=("${build[@]}" "${game[@]}" "${scores[@]}" xvfb xauth) ;;  # xvfb-run needs xauth
    # shared-mime-info: update-mime-database checks the recordings' MIME type
    package) wanted+=(appstream desktop-file-utils shared-mime-info mandoc cmark) ;;
    *)
      echo "deps.sh: unknown purpose '$purpose'" >&2
      usage
      ;;
  esac
done

missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
((${#missing[@]} > 0)) || exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "deps.sh: these Debian packages are missing: ${missing[*]}" >&2
    echo "deps.sh: install them as root, then run this again:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
