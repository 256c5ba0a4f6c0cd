#!/usr/bin/env bash
# Starts the real application on a private Xvfb display and checks that it opens one 1040x700 window
# titled "Quillmere" that draws something, then that SIGTERM ends it with exit status 0.
# Usage: window_test.sh QUILLMERE_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

app=$1
shots=$2
for tool in Xvfb xwininfo import identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/qm-window-XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
    if [[ -n $app_pid ]]; then
        kill -KILL "$app_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf -- "$work"
}
trap cleanup EXIT

# shellcheck source=tests/app/xvfb_lib.sh
source "$(dirname "$0")/xvfb_lib.sh"
start_xvfb 1280x800x24

# A home of its own: nothing of the real home is read or written.
home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 0700 "$work/runtime"
sanitizer_passthrough
env -i "${passthrough[@]}" PATH="$PATH" DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$home" \
    XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
    XDG_RUNTIME_DIR="$work/runtime" "$app" >"$work/app.log" 2>&1 &
app_pid=$!

fail() {
    echo "FAIL: $*" >&2
    echo "--- application output:" >&2
    cat "$work/app.log" >&2
    exit 1
}

# Without a window manager the application's top-level window is a child of the root window.
window=
for _ in $(seq 200); do
    kill -0 "$app_pid" 2>/dev/null || fail "the application exited early"
    info=$(DISPLAY=$display xwininfo -name Quillmere 2>/dev/null || true)
    if grep -q 'Map State: IsViewable' <<<"$info"; then
        window=$(awk '/Window id:/ { print $4; exit }' <<<"$info")
        break
    fi
    sleep 0.1
done
[[ -n $window ]] || fail "no viewable window named Quillmere within 20 s"

width=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
height=$(awk '/^ *Height:/ { print $2 }' <<<"$info")
[[ ${width}x${height} == 1040x700 ]] || fail "window is ${width}x${height}, expected 1040x700"

# The first frame may follow the mapping by a moment: capture until the picture shows more than one
# colour (a flat picture means nothing was drawn).
mkdir -p "$shots"
colours=0
for _ in $(seq 50); do
    DISPLAY=$display import -window "$window" "$shots/window.png" 2>>"$work/app.log" || true
    colours=$(identify -format %k "$shots/window.png" 2>/dev/null || echo 0)
    ((colours > 1)) && break
    sleep 0.2
done
((colours > 1)) || fail "the window shows one flat colour"
pic_size=$(identify -format %wx%h "$shots/window.png")
[[ $pic_size == 1040x700 ]] || fail "screenshot is $pic_size, expected 1040x700"

kill -TERM "$app_pid"
status=0
for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the application did not end within 10 s of SIGTERM"
wait "$app_pid" || status=$?
app_pid=
((status == 0)) || fail "exit status after SIGTERM was $status, expected 0"
echo "PASS: window ${width}x${height}, $colours colours, screenshot $shots/window.png"
