#!/usr/bin/env bash
# Screenshots for the README: the main window on the sample library and the
# help viewer, each in a virtual X server. Needs xvfb and imagemagick.
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share
# Accepted disclaimer and no splash: the window itself is what is shown.
mkdir -p "$XDG_CONFIG_HOME/Tivorn"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library]\n"Version"="2.5"\n"Startup"=dword:00000001\n"Left"="300"\n"Top"="300"\n' \
    > "$XDG_CONFIG_HOME/Tivorn/registry.reg"

shoot() { # output, command...
    local out=$1
    shift
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '"$@" & pid=$!; sleep 3; import -window root "$0.full.png"; kill $pid' "$out" "$@"
    # Only the part of the screen the window covers.
    convert "$out.full.png" -trim +repage "$out"
    rm -f "$out.full.png"
}
shoot doc/quandel.png "$bin/quandel" examples/Bibliothek
shoot doc/brenlow.png "$bin/brenlow" "$PWD/$bin/Quandel.chf,1"
echo "written: doc/quandel.png doc/brenlow.png"
