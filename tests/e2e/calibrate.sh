#!/usr/bin/env bash
# The calibration command answers without a display: no X server, and a platform that would need
# one if the toolkit started.
set -euo pipefail

out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$1" --calibrate 0:7903 10:5203 25:3296 2>/dev/null) ||
    { echo "FAIL (calibrate): exit code $?" >&2; exit 1; }
[ "$(wc -l <<<"$out")" = 3 ] || { echo "FAIL (calibrate): not three lines: $out" >&2; exit 1; }
