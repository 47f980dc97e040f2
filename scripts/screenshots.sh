#!/usr/bin/env bash
# Renders the windows on the offscreen platform into docs/screenshots/: the main window of zarn
# during a simulated acquisition, its depth display live and in replay with the magnifier, the
# logger setup sheet's pages, the diagnostic panel and the deviation window, the picture and LAS
# export dialogs with a log chosen, the header editor with its fields typed into, lvviewer
# showing the pictures the demo exports with their print preview, and its print dialog. Builds
# what it needs first.
#   scripts/screenshots.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$("$root/scripts/build.sh" release test_app_ui test_export_ui test_settings_ui test_viewer_ui zarn zarn_ftd2xx_sim zarn-cli lvviewer)"
out="$root/docs/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" \
    "$dir/tests/acquisition/app/ui/test_app_ui" \
    --gtest_filter='MainWindow.PowersRecordsStopsReplaysAndClosesAgainstTheSimulator:ToolWindows.DiagnosticsAndDeviationDataAgainstTheSimulator' \
    >/dev/null
# The depth display live and in replay, and its magnifier.
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" \
    "$dir/tests/acquisition/app/ui/test_app_ui" \
    --gtest_filter='DepthDisplay.ShowsLiveValuesInYellowAndReplayedValuesInAqua' >/dev/null
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" \
    "$dir/tests/acquisition/export/ui/test_export_ui" \
    --gtest_filter='PictureExportDialog.OpensTheChosenLogAndRefusesEntriesWithTheProgramsTexts:LasExportDialog.RefusesStartWithoutAChannelAndWritesTheTickedCurves:HeaderDialog.EditsTheRecordOnItsFivePages' \
    >/dev/null
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" \
    "$dir/tests/acquisition/settings/ui/test_settings_ui" \
    --gtest_filter='CPropertyLoggerDlg.AWinchChangeIsSentEchoedAndAccepted:CPFileTolDlg.*' >/dev/null

# The viewer on the demo's pictures, in a settings folder and runtime folder of its own.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
ZARN_HOME="$work/home" "$dir/acquisition/cli/main/zarn-cli" demo -o "$work/demo" >/dev/null
picture="$(ls "$work/demo/pictures/"*.jpg | head -n 1)"
ZARN_HOME="$work/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$dir/viewer/ui/main/lvviewer" --screenshot "$out/lvviewer.png" "$picture" 2>/dev/null
ZARN_HOME="$work/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$dir/viewer/ui/main/lvviewer" --screenshot-preview "$out/lvviewer-print-preview.png" \
    "$picture" 2>/dev/null
# The print dialog over a borehole the viewer's tests make.
QT_QPA_PLATFORM=offscreen ZARN_SCREENSHOT_DIR="$out" XDG_RUNTIME_DIR="$work/runtime" \
    "$dir/tests/viewer/ui/test_viewer_ui" \
    --gtest_filter='PrintWindows.TheCurrentPageIsThePageAtTheViewsTopAndPrintsAlone' >/dev/null
ls -1 "$out"/*.png
