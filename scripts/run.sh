#!/usr/bin/env bash
# Builds clickmend.exe and starts it under Wine: on the current display, or on a virtual one
# when there is none (then it runs until Ctrl+C).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
scripts/install-deps.sh cross
# The 64-bit build where this machine's Wine runs only 64-bit programs (scripts/wine-run.sh).
windows=$(scripts/wine-run.sh --preset)
build_win32=$repo/build/$windows
. scripts/virtual-display.sh
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target clickmend
if [ -n "${DISPLAY:-}" ]; then CLICKMEND_USE_DISPLAY=1; fi
trap stop_wine_and_display EXIT
start_virtual_display
start_wine
echo "clickmend.exe is running on display $DISPLAY; its settings file is $build_win32/clickmend.ini"
wine "$build_win32/clickmend.exe"
