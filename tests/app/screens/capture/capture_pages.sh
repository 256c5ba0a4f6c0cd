#!/usr/bin/env bash
# Runs a capture program and checks its pictures, for people to look at (never compared by pixels):
# SCREENSHOT_FOLDER/PREFIX-NAME.png for each NAME must exist, be WIDTHxHEIGHT and show more than 100
# colours. Needs a display (see with_xvfb.sh).
# Usage: capture_pages.sh CAPTURE_EXECUTABLE SCREENSHOT_FOLDER PREFIX WIDTHxHEIGHT NAME...
set -euo pipefail

capture=$1
shots=$2
prefix=$3
expected=$4
shift 4
command -v identify >/dev/null || { echo "FAIL: identify (imagemagick) is not installed" >&2; exit 1; }
mkdir -p "$shots"
rm -f -- "$shots/$prefix"-*.png

status=0
timeout 180 "$capture" "$shots" || status=$?
((status == 0)) || { echo "FAIL: the capture exited with status $status" >&2; exit 1; }

for name in "$@"; do
    picture=$shots/$prefix-$name.png
    [[ -s $picture ]] || { echo "FAIL: no picture of $name" >&2; exit 1; }
    size=$(identify -format %wx%h "$picture")
    colours=$(identify -format %k "$picture")
    [[ $size == "$expected" ]] || { echo "FAIL: the $name picture is $size, expected $expected" >&2; exit 1; }
    ((colours > 100)) || { echo "FAIL: the $name picture shows only $colours colours" >&2; exit 1; }
    echo "PASS: $picture ($size, $colours colours)"
done
