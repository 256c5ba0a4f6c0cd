#!/usr/bin/env bash
# Runs a command on a private Xvfb display with a throw-away home, and exits with its status.
# Usage: with_xvfb.sh COMMAND [ARGUMENT...]
# The command sees DISPLAY, QT_QPA_PLATFORM=xcb, PATH, a temporary HOME/XDG_* and the sanitizer
# settings only.
set -euo pipefail

command -v Xvfb >/dev/null || { echo "FAIL: Xvfb is not installed" >&2; exit 1; }

work=$(mktemp -d /tmp/qm-xvfb-XXXXXX)
xvfb_pid=
cleanup() {
    [[ -n $xvfb_pid ]] && kill -TERM "$xvfb_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to the -displayfd descriptor once it listens.
Xvfb -displayfd 3 -screen 0 1920x1600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; echo "FAIL: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
display=":$(head -n1 "$work/display")"
[[ $display =~ ^:[0-9]+$ ]] || { echo "FAIL: Xvfb gave no display number" >&2; exit 1; }

home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 0700 "$work/runtime"
# Sanitizer settings pass through so the asan preset's suppressions reach the command.
passthrough=()
for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    if [[ -n ${!var:-} ]]; then passthrough+=("$var=${!var}"); fi
done
status=0
env -i PATH="$PATH" DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$home" \
    XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
    XDG_RUNTIME_DIR="$work/runtime" "${passthrough[@]}" "$@" || status=$?
exit "$status"
