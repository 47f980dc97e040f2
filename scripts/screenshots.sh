#!/usr/bin/env bash
# Renders the windows on the offscreen platform into docs/screenshots/: the main window of zarn
# during a simulated acquisition. Builds what it needs first.
#   scripts/screenshots.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$("$root/scripts/build.sh" release test_app_ui zarn zarn_ftd2xx_sim)"
out="$root/docs/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" \
    "$dir/tests/acquisition/app/ui/test_app_ui" \
    --gtest_filter='MainWindow.PowersRecordsStopsReplaysAndClosesAgainstTheSimulator' >/dev/null
ls -1 "$out"/*.png
