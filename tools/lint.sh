#!/usr/bin/env bash
# tools/lint.sh [BUILD_DIR]
#
# The lint stage: fails on a clang-format diff in a tracked C++ file and on
# any clang-tidy finding (.clang-tidy) in the project's translation units.
# BUILD_DIR (default build) is a configured and built tree: clang-tidy takes
# the compile commands from its compile_commands.json, and the sources include
# the moc output that the build makes. JOBS sets the parallel runs (default:
# the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
jobs=${JOBS:-$(nproc)}
status=0

echo "lint: clang-format"
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
    echo "lint: clang-format would change the files above (make format fixes them)"
    status=1
fi

db=$build/compile_commands.json
if [ ! -f "$db" ]; then
    echo "lint: $db is missing; configure and build first (make build)" >&2
    exit 1
fi

# The tracked sources that the build compiles (generated files such as moc
# output are not handed over), the files of a folder together where they
# compile together; each report is printed in one piece, and only when it has
# findings. The compiler's own warnings (-w) are the build's business, not
# the lint's.
if ! python3 tools/lint-tidy.py "$db" --jobs "$jobs"; then
    echo "lint: clang-tidy has findings (see above)"
    status=1
fi

[ "$status" = 0 ] && echo "lint: clean"
exit "$status"
