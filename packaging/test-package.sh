#!/usr/bin/env bash
# Builds the Debian package from what the build made, checks it with lintian (when
# installed) and runs the commands from the package unpacked into a scratch root.
# Usage: test-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
debs=("$out"/parking_*_amd64.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "no parking_<version>_amd64.deb in $out" >&2; ls "$out" >&2; exit 1; }
echo "package: $(basename "$deb")"

root="$out/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/parking-console usr/bin/parking-import usr/bin/parking-dbserver \
         usr/lib/parking/plugins/libparking.so usr/share/applications/parking-console.desktop \
         usr/share/icons/hicolor/scalable/apps/parking-console.svg \
         usr/share/man/man1/parking-import.1.gz usr/share/man/man1/parking-console.1.gz \
         usr/share/man/man1/parking-dbserver.1.gz \
         usr/share/doc/parking/examples/parking-ticket-document.timer; do
  [ -e "$root/$f" ] || { echo "missing in the package: /$f" >&2; exit 1; }
done
# The unpacked programs run on the unpacked libraries, never the build's.
if ldd "$root/usr/lib/parking/parking-import" | grep -F "$build"; then
  echo "parking-import uses libraries of the build folder" >&2; exit 1
fi
"$root/usr/bin/parking-import" --help | grep -q "Izlazni kodovi"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/parking-console" --help | grep -q -- "--password-file"
status=0; "$root/usr/bin/parking-dbserver" >/dev/null 2>"$out/usage" || status=$?
[ "$status" -eq 2 ] && grep -q "parking-dbserver serve DIR" "$out/usage"

if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
else
  echo "lintian is not installed (scripts/install-deps.sh); skipped"
fi
echo "ok"
