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

# The tracked sources that the build compiles; generated files (moc, rcc)
# and sources of targets this build leaves out are not handed over. Their
# compile commands go to clang-tidy without the precompiled header: clang
# cannot read GCC's, and so each source is checked with what it includes
# itself.
commands=$(mktemp -d)
trap 'rm -rf "$commands"' EXIT
python3 tools/lint-commands.py "$db" "$commands/compile_commands.json" >"$commands/units"
mapfile -t units <"$commands/units"
echo "lint: clang-tidy over ${#units[@]} translation units, $jobs at a time"
# Each unit's report is printed in one piece, and only when it has findings.
# The compiler's own warnings (-w) are the build's business, not the lint's.
if ! printf '%s\0' "${units[@]}" | xargs -0 -n 1 -P "$jobs" sh -c '
    out=$(clang-tidy -p "$0" --quiet --warnings-as-errors="*" --extra-arg=-w "$1" 2>&1) && exit 0
    printf "%s\n" "$out"
    exit 1' "$commands"; then
    echo "lint: clang-tidy has findings (see above)"
    status=1
fi

[ "$status" = 0 ] && echo "lint: clean"
exit "$status"
