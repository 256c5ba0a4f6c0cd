#!/usr/bin/env bash
# Takes pictures of the real application on a private Xvfb display, for people to look at (never
# compared by pixels): SCREENSHOT_FOLDER/shell-onboarding.png (first launch when the access probe
# answers no), shell-smart-scan.png (the root view as it opens), shell-cleanup.png (after Ctrl+3),
# shell-file-menu.png (the File menu open on the Cleanup screen), shell-go-menu.png (the Go menu) and
# shell-about.png (the About panel). Each picture must be 1040x700 and
# show more than one colour.
# Usage: capture_shell.sh QUILLMERE_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

app=$1
shots=$2
for tool in Xvfb xwininfo xdotool import identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

# World-traversable, so the application can run as another user for the onboarding picture.
work=$(mktemp -d /tmp/qm-shell-XXXXXX)
chmod 0755 "$work"
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

fail() {
    echo "FAIL: $*" >&2
    [[ -f $work/app.log ]] && { echo "--- application output:" >&2; cat "$work/app.log" >&2; }
    exit 1
}

# Access control is off (-ac) because the onboarding run is another user's; -noreset keeps the
# server as it is between the application's runs.
# shellcheck source=tests/app/xvfb_lib.sh
source "$(dirname "$0")/../xvfb_lib.sh"
start_xvfb 1280x800x24 -ac -noreset

# start HOME [USER]: starts the application with its own home, as USER when given.
start() {
    local home=$1 user=${2:-}
    local runtime=$home.runtime
    mkdir -p "$home" "$runtime"
    chmod 0700 "$runtime"
    local run=()
    if [[ -n $user ]]; then
        chown -R "$user:$user" "$home" "$runtime"
        run=(setpriv --reuid="$user" --regid="$user" --clear-groups)
    fi
    local passthrough
    sanitizer_passthrough
    env -i "${passthrough[@]}" PATH="$PATH" DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$home" \
        XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_RUNTIME_DIR="$runtime" "${run[@]}" "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    window=
    for _ in $(seq 200); do
        kill -0 "$app_pid" 2>/dev/null || fail "the application exited early"
        local info
        info=$(DISPLAY=$display xwininfo -name Quillmere 2>/dev/null || true)
        if grep -q 'Map State: IsViewable' <<<"$info"; then
            window=$(awk '/Window id:/ { print $4; exit }' <<<"$info")
            break
        fi
        sleep 0.1
    done
    [[ -n $window ]] || fail "no viewable window named Quillmere within 20 s"
}

# capture NAME: waits for the screen to settle (the switch transition and the gauge take 0.5 s), then
# saves the window. A window not drawn yet (a loaded machine may take seconds for the first frame) is
# captured again, for up to 15 s.
capture() {
    local picture=$shots/shell-$1.png
    sleep 1.5
    local size colours
    for _ in $(seq 15); do
        DISPLAY=$display import -window "$window" "$picture" 2>>"$work/app.log" || fail "could not capture $1"
        colours=$(identify -format %k "$picture")
        ((colours > 100)) && break
        sleep 1
    done
    size=$(identify -format %wx%h "$picture")
    [[ $size == 1040x700 ]] || fail "the $1 picture is $size, expected 1040x700"
    ((colours > 100)) || fail "the $1 picture shows only $colours colours"
    echo "PASS: $picture ($size, $colours colours)"
}

stop() {
    kill -TERM "$app_pid"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=
    ((status == 0)) || fail "exit status after SIGTERM was $status, expected 0"
}

mkdir -p "$shots"

# First launch when the access probe answers no: the privacy database it tries first exists but
# cannot be opened (mode 000). Root opens any file, so as root that run is the unprivileged user's.
home=$work/onboarding-home
tcc="$home/Library/Application Support/com.apple.TCC"
mkdir -p "$tcc"
: >"$tcc/TCC.db"
chmod 0000 "$tcc/TCC.db"
if [[ $(id -u) -eq 0 ]]; then start "$home" 65534; else start "$home"; fi
capture onboarding
stop

# A launch with access: the root view on Smart Scan, then Cleanup through its shortcut, then the
# File menu with the Scan item for the Cleanup screen, the Go menu and the About panel.
start "$work/root-home"
capture smart-scan
DISPLAY=$display xdotool windowfocus --sync "$window" key ctrl+3
capture cleanup
DISPLAY=$display xdotool mousemove --window "$window" 104 14 click 1
capture file-menu
# The first click only closes the open menu.
DISPLAY=$display xdotool mousemove --window "$window" 143 14 click 1
sleep 0.5
DISPLAY=$display xdotool click 1
capture go-menu
# The About panel, from the first item of the application menu.
DISPLAY=$display xdotool mousemove --window "$window" 40 14 click 1
sleep 0.5
DISPLAY=$display xdotool click 1
sleep 0.5
DISPLAY=$display xdotool mousemove --window "$window" 70 45 click 1
capture about
stop
