#!/usr/bin/env bash
# Starts an installed quandel on a private X server with a fresh home, presses
# F1 in its main window and checks that the help viewer beside it opens the
# installed help content at the overview topic.
#
#   help-launch-test.sh <bin folder> <help content file>
#
# Needs Xvfb, openbox and xdotool.
set -euo pipefail
bin=$(realpath "$1")
content=$(realpath "$2")
work=$(mktemp -d)
pids=()
viewer=""

cleanup() {
    [ -n "$viewer" ] && kill "$viewer" 2>/dev/null || true
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "help launch: $*" >&2
    echo "quandel's output:" >&2
    sed 's/^/  /' "$work/quandel.log" >&2 || true
    echo "windows shown:" >&2
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        name=$(xdotool getwindowname "$w" 2>/dev/null) || true
        type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/.*= _NET_WM_WINDOW_TYPE_\([A-Z]*\).*/\1/p')
        [ -n "$name" ] && echo "  '$name' ${type,,}" >&2
    done
    exit 1
}

# A window with exactly this title, waited for at most 30 seconds.
window() {
    timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    grep -q . "$work/display" 2>/dev/null && break
    sleep 0.1
done
grep -q . "$work/display" || { cat "$work/xvfb.log" >&2; echo "help launch: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)

# A document folder of its own, or the first start asks for one.
mkdir -p "$work/Dokumente" "$work/home/.config" "$work/home/.local/share" "$work/home/.cache" "$work/run"
chmod 700 "$work/run"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run" \
    "$bin/quandel" "$work/Dokumente" >"$work/quandel.log" 2>&1 &
pids+=($!)

# A fresh home: the disclaimer comes first.
disclaimer=$(window " Sicherheitswarnung.*") || true
[ -n "$disclaimer" ] || fail "no disclaimer at the first start"
xdotool windowactivate --sync "$disclaimer" key --clearmodifiers Return

# The main window, once the splash screen, which carries the same title, is gone.
main=""
for _ in $(seq 300); do
    shown=$(xdotool search --onlyvisible --name "^Tivorn Quandel Library\$" 2>/dev/null) || true
    if [ "$(echo "$shown" | grep -c .)" = 1 ] &&
        ! xprop -id "$shown" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_SPLASH; then
        main=$shown
        break
    fi
    sleep 0.1
done
[ -n "$main" ] || fail "no main window"
xdotool windowactivate --sync "$main" key --clearmodifiers F1

help=$(window "Quandel Library Hilfe") || true
[ -n "$help" ] || fail "F1 opened no help viewer showing the installed help content"
viewer=$(xdotool getwindowpid "$help")
exe=$(readlink "/proc/$viewer/exe")
mapfile -d '' -t argv <"/proc/$viewer/cmdline"
[ "$exe" = "$bin/brenlow" ] || fail "the viewer started is $exe, not $bin/brenlow"
[ "${#argv[@]}" = 2 ] && [ "${argv[1]}" = "$content,1" ] ||
    fail "the viewer was started with '${argv[*]:1}', not '$content,1'"
echo "help launch ok: F1 in $bin/quandel opened $content at topic 1"
