#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a scratch staging folder (DESTDIR) and checks what landed there as
# desktops and packagers read it: every file in place, the metainfo, desktop entry and man
# pages through their validators, the icons, the installed tools running; then uninstalls and
# checks that no file is left. Usage: packaging/check-install.sh [BUILD_DIR] (build it first;
# default build/release). Needs scripts/deps.sh package.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
[[ -f $build/CMakeCache.txt ]] || {
  echo "check-install.sh: $build is not a configured build" >&2
  exit 2
}
for tool in appstreamcli desktop-file-validate update-mime-database mandoc; do
  command -v "$tool" >/dev/null || {
    echo "check-install.sh: $tool is missing; scripts/deps.sh package installs it" >&2
    exit 2
  }
done

app_id=$(cached GYROLAP_APP_ID)
gamedir=$(cached GYROLAP_INSTALL_GAMEDIR)
read -ra sizes <<<"$(cached GYROLAP_ICON_SIZES | tr ';' ' ')"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

for file in "$gamedir/gyrolap" "$gamedir/gyrolap-sim" "$gamedir/gyrolap-check" \
  "$gamedir/gyrolap-scores" share/man/man6/gyrolap.6 share/man/man1/gyrolap-sim.1 \
  share/man/man1/gyrolap-check.1 share/man/man1/gyrolap-scores.1 share/doc/gyrolap/LICENSE \
  "share/applications/$app_id.desktop" "share/applications/$app_id.Replay.desktop" \
  "share/mime/packages/$app_id.xml" "share/metainfo/$app_id.metainfo.xml" \
  "share/icons/hicolor/scalable/apps/$app_id.svg"; do
  [[ -f $usr/$file ]] || fail "not installed: /usr/$file"
done
echo "== every program in /usr/$gamedir, each with its man page"
# A games package keeps the game and its tools in one place (Debian: /usr/games, and nothing
# in /usr/bin); whatever a program is, a packager needs its man page beside it.
while IFS= read -r -d '' program; do
  name=${program##*/}
  [[ ${program#"$usr/"} == "$gamedir/$name" ]] || fail "${program#"$stage"} is not in /usr/$gamedir"
  compgen -G "$usr/share/man/man[1-8]/$name.[1-8]" >/dev/null || fail "$name has no man page"
done < <(find "$stage" -type f -perm -u+x -print0)
[[ -x $usr/$gamedir/gyrolap ]] || fail "the game is not executable"

echo "== appstreamcli"
appstreamcli validate --no-net "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "metainfo does not validate"
echo "== desktop-file-validate"
# It prints hints and warnings but fails only on errors: any output counts.
for entry in "$app_id.desktop" "$app_id.Replay.desktop"; do
  report=$(desktop-file-validate "$usr/share/applications/$entry" 2>&1) && [[ -z $report ]] ||
    fail "desktop entry $entry: $report"
done
grep -qx 'Exec=gyrolap' "$usr/share/applications/$app_id.desktop" ||
  fail "the launcher does not start plain gyrolap"
grep -qx 'Exec=gyrolap --record-session' "$usr/share/applications/$app_id.desktop" ||
  fail "the launcher has no Play and record action"
echo "== update-mime-database"
# The database is built in a copy, so the uninstall below finds only what was installed.
data=$(mktemp -d)
mime=$data/mime
cp -r "$usr/share/mime" "$mime"
# In the search path, so that it does not warn that desktops would not find it.
report=$(XDG_DATA_HOME=$data update-mime-database "$mime" 2>&1) && [[ -z $report ]] ||
  fail "MIME type: $report"
grep -q '^application/x-gyrolap-recording$' "$mime/types" 2>/dev/null ||
  fail "the MIME database does not hold application/x-gyrolap-recording"
grep -q 'application/x-gyrolap-recording:\*\.gyrolap' "$mime/globs2" 2>/dev/null ||
  fail "the MIME database has no glob *.gyrolap"
rm -rf "$data"
echo "== mandoc -Tlint"
mandoc -Tlint -Wwarning "$usr"/share/man/man*/* || fail "man pages have warnings"
echo "== launcher icons"
"$build/packaging/gyrolap-check-icons" "$usr/share/icons/hicolor" "$app_id" "${sizes[@]}" ||
  fail "launcher icons"
echo "== installed tools run from the staged tree"
printf 'end 0\n' | "$usr/$gamedir/gyrolap-sim" >/dev/null || fail "installed gyrolap-sim does not run"
status=0
printf '\n' | "$usr/$gamedir/gyrolap-check" >/dev/null || status=$?
((status == 1)) || fail "installed gyrolap-check answers an empty line with status $status, not 1"
"$usr/$gamedir/gyrolap-scores" --version >/dev/null || fail "installed gyrolap-scores does not run"

echo "== uninstall"
DESTDIR=$stage cmake --build "$build" --target uninstall >/dev/null || fail "uninstall failed"
left=$(find "$stage" -type f)
[[ -z $left ]] || fail "uninstall left files: $left"

if ((failures > 0)); then
  echo "check-install.sh: $failures checks failed" >&2
  exit 1
fi
echo "check-install.sh: the installed tree is complete and valid, and uninstalls cleanly"
