#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The recordings' MIME type and the entry that opens them, registered in a scratch
# XDG_DATA_HOME as a desktop registers what a package installs: a session's file, and a
# recording of any name by its first line, are Gyrolap recordings, other text is not, and the
# desktop opens recordings with the replaying entry. Usage: mime_test.sh PACKAGING_DIR APP_ID
set -euo pipefail
packaging=$1
app_id=$2
for tool in update-mime-database update-desktop-database xdg-mime gio; do
  command -v "$tool" >/dev/null || {
    echo "mime_test.sh: $tool is missing; scripts/deps.sh test installs it" >&2
    exit 1
  }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
data=$scratch/data
# Nothing of this machine's own settings: only the scratch folder and the system's database.
# xdg-mime asks GIO, which reads shared-mime-info, when the desktop is GNOME.
export HOME=$scratch XDG_DATA_HOME=$data XDG_DATA_DIRS=/usr/share XDG_CONFIG_HOME=$scratch/config
export XDG_CURRENT_DESKTOP=GNOME GIO_USE_VFS=local
mkdir -p "$data/mime/packages" "$data/applications"
cp "$packaging/$app_id.mime.xml" "$data/mime/packages/$app_id.xml"
update-mime-database "$data/mime"
cp "$packaging/$app_id.desktop" "$packaging/$app_id.Replay.desktop" "$data/applications/"
update-desktop-database "$data/applications"

first='# A Gyrolap session recorded by gyrolap --record, version 1. Replay it with gyrolap-sim.'
printf '%s\nrecorded\nclock 0\ndate 5/16/2001\nend 0\n' "$first" >"$scratch/2026-05-16_14-03-27.gyrolap"
cp "$scratch/2026-05-16_14-03-27.gyrolap" "$scratch/session-from-a-friend"
printf 'a note of my own\n' >"$scratch/notes"

failures=0
expect() {
  local got
  got=$(xdg-mime "$@" 2>&1) || true
  if [[ $got != "${expected}" ]]; then
    echo "FAIL xdg-mime $*: '$got', not '$expected'"
    failures=$((failures + 1))
  fi
}
expected=application/x-gyrolap-recording expect query filetype "$scratch/2026-05-16_14-03-27.gyrolap"
expected=application/x-gyrolap-recording expect query filetype "$scratch/session-from-a-friend"
expected=text/plain expect query filetype "$scratch/notes"
expected=$app_id.Replay.desktop expect query default application/x-gyrolap-recording
((failures == 0)) || exit 1
echo "mime_test.sh: recordings are known by name and by their first line, and open in the replay"
