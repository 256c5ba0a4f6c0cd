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

# shellcheck source=tests/app/xvfb_lib.sh
source "$(dirname "$0")/xvfb_lib.sh"
start_xvfb 1920x1600x24

home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 0700 "$work/runtime"
sanitizer_passthrough
status=0
env -i PATH="$PATH" DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$home" \
    XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
    XDG_RUNTIME_DIR="$work/runtime" "${passthrough[@]}" "$@" || status=$?
exit "$status"
