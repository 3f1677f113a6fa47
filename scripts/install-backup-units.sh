#!/usr/bin/env bash
# Installs and starts the systemd user units of the nightly backup and of the follower of
# the binary log, for this build's parking-dbserver (or the one given) and the data
# directory of run.sh ($PARKING_DATA_DIR, else ~/.local/share/parking/db).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dbserver=$(realpath "${1:-$here/../build/bin/parking-dbserver}")
datadir=${PARKING_DATA_DIR:-$HOME/.local/share/parking/db}
units=${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user
[ -x "$dbserver" ] || { echo "install-backup-units: $dbserver is not built" >&2; exit 1; }
case "$dbserver$datadir" in
  *'"'*|*'\'*|*$'\n'*) echo "install-backup-units: a path holds a quote, backslash or line break" >&2; exit 1 ;;
esac

# A value for a quoted systemd argument: % and $ doubled; then made safe for sed's replacement.
unit_value() {
  local v=${1//%/%%}
  v=${v//\$/\$\$}
  printf '%s' "$v" | sed -e 's/[&|]/\\&/g'
}

mkdir -p "$units"
for unit in parking-backup.service parking-backup.timer parking-follow.service; do
  sed -e "s|@DBSERVER@|$(unit_value "$dbserver")|g" -e "s|@DATADIR@|$(unit_value "$datadir")|g" \
    "$here/systemd/$unit" > "$units/$unit"
done
systemctl --user daemon-reload
systemctl --user enable --now parking-backup.timer parking-follow.service
echo "install-backup-units: nightly backup (parking-backup.timer) and the follower (parking-follow.service) are on"
