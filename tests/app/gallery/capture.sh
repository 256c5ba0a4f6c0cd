#!/usr/bin/env bash
# Captures every page of the design gallery to SCREENSHOT_FOLDER/gallery-PAGE.png and checks that each
# picture has the page's size and shows more than one colour. Needs a display (see with_xvfb.sh).
# Usage: capture.sh GALLERY_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

gallery=$1
shots=$2
command -v identify >/dev/null || { echo "FAIL: identify (imagemagick) is not installed" >&2; exit 1; }
mkdir -p "$shots"

for page in components symbols motion actions; do
    picture=$shots/gallery-$page.png
    rm -f -- "$picture"
    status=0
    timeout 90 "$gallery" "$page" "$picture" || status=$?
    ((status == 0)) || { echo "FAIL: the $page page exited with status $status" >&2; exit 1; }
    [[ -s $picture ]] || { echo "FAIL: no picture of the $page page" >&2; exit 1; }
    colours=$(identify -format %k "$picture")
    size=$(identify -format %wx%h "$picture")
    ((colours > 100)) || { echo "FAIL: the $page page shows only $colours colours" >&2; exit 1; }
    echo "PASS: $picture ($size, $colours colours)"
done
