#!/usr/bin/env bash
# Screenshots for the README, taken on a private desktop under openbox by the
# desktop test layer (tests/desktop/take_screenshots.py).
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
QUANDEL_BIN_DIR=$PWD/${1:-build}/bin QUANDEL_SOURCE_DIR=$PWD PYTHONPATH=$PWD/tests/desktop \
    /usr/bin/python3 tests/desktop/take_screenshots.py
