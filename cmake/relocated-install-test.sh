#!/usr/bin/env bash
# Installs the build tree under a scratch prefix with a blank in its name and
# checks that F1 in the installed quandel opens the help content installed
# beside it: nothing of the build tree or of the configured prefix is used.
#
#   relocated-install-test.sh <build folder>
set -euo pipefail
here=$(dirname "$0")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/Quandel Library"
cmake --install "$1" --prefix "$prefix" >/dev/null
[ ! -e "$prefix/bin/Quandel.chf" ] || { echo "the help content was installed beside the programs"; exit 1; }
"$here/help-launch-test.sh" "$prefix/bin" "$prefix/share/quandel/Quandel.chf"
