#!/usr/bin/env bash
# Pictures of the Cloud Cleanup page in each of its states, for people to look at (never compared by
# pixels): SCREENSHOT_FOLDER/cloud-{unavailable,scanning,results,selected,confirm,freeing,
# freed-celebration,freed}.png, and cloud-partial.png when run as root. Each picture must be 820x700 and show more than one colour. Needs a
# display (see with_xvfb.sh).
# Usage: capture_cloud.sh CAPTURE_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

capture=$1
shots=$2
command -v identify >/dev/null || { echo "FAIL: identify (imagemagick) is not installed" >&2; exit 1; }
mkdir -p "$shots"
rm -f -- "$shots"/cloud-*.png

status=0
timeout 180 "$capture" "$shots" || status=$?
((status == 0)) || { echo "FAIL: the capture exited with status $status" >&2; exit 1; }

names=(unavailable scanning results selected confirm freeing freed-celebration freed)
if [[ $(id -u) -eq 0 ]]; then names+=(partial); fi
for name in "${names[@]}"; do
    picture=$shots/cloud-$name.png
    [[ -s $picture ]] || { echo "FAIL: no picture of $name" >&2; exit 1; }
    size=$(identify -format %wx%h "$picture")
    colours=$(identify -format %k "$picture")
    [[ $size == 820x700 ]] || { echo "FAIL: the $name picture is $size, expected 820x700" >&2; exit 1; }
    ((colours > 100)) || { echo "FAIL: the $name picture shows only $colours colours" >&2; exit 1; }
    echo "PASS: $picture ($size, $colours colours)"
done
