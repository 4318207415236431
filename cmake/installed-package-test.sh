#!/usr/bin/env bash
# Installs the Debian package for real, as a user would, and tries the
# installed program: the launcher and icon where the desktop looks for them,
# `quandel --version`, and F1 opening the installed help in brenlow. The
# package is removed again afterwards. Needs root, and a machine where the
# package is not installed yet.
#
#   installed-package-test.sh <folder with the .deb>
set -euo pipefail
here=$(realpath "$(dirname "$0")")
deb=$(realpath "$(ls -t "$1"/quandel_*.deb | head -n 1)")
[ "$(id -u)" = 0 ] || { echo "installing the package needs root"; exit 1; }
if dpkg-query -W -f='${Status}' quandel 2>/dev/null | grep -q 'install ok installed'; then
    echo "quandel is installed already; remove it first (dpkg -r quandel)"
    exit 1
fi

remove() {
    dpkg -P quandel >/dev/null
    [ ! -e /usr/bin/quandel ] || { echo "the package left /usr/bin/quandel behind"; exit 1; }
}
trap remove EXIT
# apt-get resolves the declared dependencies; a missing one fails the test.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

fail() {
    echo "installed package: $*"
    exit 1
}

# Launcher: found by its id in the system applications folder, valid, and
# naming a program on the PATH and an icon of the hicolor theme.
id=example.tivorn.quandel
launcher=/usr/share/applications/$id.desktop
[ -f "$launcher" ] || fail "no launcher $launcher"
desktop-file-validate "$launcher" || fail "the launcher is not valid"
exec_line=$(sed -n 's/^Exec=//p' "$launcher")
[ "$(command -v "${exec_line%% *}")" = /usr/bin/quandel ] || fail "the launcher starts '$exec_line'"
[ "$(sed -n 's/^Icon=//p' "$launcher")" = "$id" ] || fail "the launcher names another icon"
for icon in scalable/apps/$id.svg 48x48/apps/$id.png 256x256/apps/$id.png; do
    [ -f "/usr/share/icons/hicolor/$icon" ] || fail "no icon hicolor/$icon"
done
[ -f /usr/share/metainfo/$id.metainfo.xml ] || fail "no AppStream metainfo"

version=$(dpkg-deb -f "$deb" Version)
answer=$(QT_QPA_PLATFORM=offscreen HOME=$(mktemp -d) quandel --version 2>/dev/null)
[ "$answer" = "Quandel Library $version" ] || fail "quandel --version answers '$answer'"

"$here/help-launch-test.sh" /usr/bin /usr/share/quandel/Quandel.chf
echo "installed package ok: $(basename "$deb")"
