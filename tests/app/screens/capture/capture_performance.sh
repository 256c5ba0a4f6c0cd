#!/usr/bin/env bash
# Pictures of the Performance page in each of its states, for people to look at (never compared by pixels):
# SCREENSHOT_FOLDER/performance-{placeholder,statistics,running,lists,confirm,undo,unreadable}.png. Each picture must be 820x700
# and show more than one colour. Needs a display (see with_xvfb.sh).
# Usage: capture_performance.sh CAPTURE_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

capture=$1
shots=$2
command -v identify >/dev/null || { echo "FAIL: identify (imagemagick) is not installed" >&2; exit 1; }
mkdir -p "$shots"
rm -f -- "$shots"/performance-*.png

status=0
timeout 180 "$capture" "$shots" || status=$?
((status == 0)) || { echo "FAIL: the capture exited with status $status" >&2; exit 1; }

for name in placeholder statistics running lists confirm undo unreadable; do
    picture=$shots/performance-$name.png
    [[ -s $picture ]] || { echo "FAIL: no picture of $name" >&2; exit 1; }
    size=$(identify -format %wx%h "$picture")
    colours=$(identify -format %k "$picture")
    [[ $size == 820x700 ]] || { echo "FAIL: the $name picture is $size, expected 820x700" >&2; exit 1; }
    ((colours > 100)) || { echo "FAIL: the $name picture shows only $colours colours" >&2; exit 1; }
    echo "PASS: $picture ($size, $colours colours)"
done
