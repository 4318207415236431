#!/usr/bin/env bash
# Checks the Debian package with lintian (no errors allowed), unpacks it into
# a scratch root and starts the program from there: the package holds what a
# user needs to run it. cmake/installed-package-test.sh installs it for real.
set -euo pipefail
deb=$(ls -t "$1"/quandel_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for f in usr/bin/quandel usr/bin/brenlow usr/share/quandel/Quandel.chf \
         usr/share/applications/example.tivorn.quandel.desktop \
         usr/share/metainfo/example.tivorn.quandel.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/example.tivorn.quandel.svg \
         usr/share/man/man1/quandel.1.gz usr/share/man/man1/brenlow.1.gz \
         usr/share/doc/quandel/copyright usr/share/doc/quandel/changelog.gz; do
    [ -e "$root/$f" ] || { echo "missing in the package: $f"; exit 1; }
done
lintian --fail-on error "$deb"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "the package declares no Qt dependency"; exit 1; }
for f in usr/bin/quandel usr/bin/brenlow; do
    ! readelf -S "$root/$f" | grep -q '\.symtab' || { echo "not stripped: $f"; exit 1; }
done
size=$(stat -c %s "$deb")
[ "$size" -lt 3000000 ] || { echo "the package has grown to $size bytes"; exit 1; }
QT_QPA_PLATFORM=offscreen HOME="$root" "$root/usr/bin/quandel" --version
echo "package ok: $(basename "$deb"), $size bytes, $(dpkg-deb -f "$deb" Installed-Size) KiB installed"
