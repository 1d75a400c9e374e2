#!/usr/bin/env bash
# Builds clickmend.exe and starts it under Wine: on the current display, or on a virtual one
# when there is none (then it runs until Ctrl+C).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build_win32=$repo/build/win32
. scripts/virtual-display.sh

scripts/install-deps.sh cross
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target clickmend
if [ -n "${DISPLAY:-}" ]; then CLICKMEND_USE_DISPLAY=1; fi
trap stop_wine_and_display EXIT
start_virtual_display
start_wine
echo "clickmend.exe is running on display $DISPLAY; its settings file is $build_win32/clickmend.ini"
wine "$build_win32/clickmend.exe"
