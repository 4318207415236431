#!/usr/bin/env bash
# Unpacks the Debian package into a scratch root and starts the programs
# from there: the package holds what a user needs to run them.
set -euo pipefail
deb=$(ls -t "$1"/quandel_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for f in usr/bin/quandel usr/bin/brenlow usr/share/quandel/Quandel.chf \
         usr/share/applications/example.tivorn.quandel.desktop \
         usr/share/metainfo/example.tivorn.quandel.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/example.tivorn.quandel.svg; do
    [ -e "$root/$f" ] || { echo "missing in the package: $f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "the package declares no Qt dependency"; exit 1; }
QT_QPA_PLATFORM=offscreen HOME="$root" "$root/usr/bin/quandel" --version
echo "package ok: $(basename "$deb")"
