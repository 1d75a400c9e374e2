#!/usr/bin/env bash
# Runs ctest on the Windows build under Wine on a virtual display of its own, as scripts/test.sh
# does; the arguments go to ctest. For example one end-to-end suite, or the unit tests only:
#   scripts/ctest-wine.sh -R '^e2e\.Wheel$'
#   scripts/ctest-wine.sh -E '^e2e\.'
# Builds nothing: `cmake --build --preset win32` first (win64 where `scripts/wine-run.sh
# --preset` says so). Wine runs under LC_ALL=zh_CN.UTF-8 (code page 936) unless WINE_LC_ALL names
# another locale, such as en_US.UTF-8 (code page 1252).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
windows=$(scripts/wine-run.sh --preset)
build_win32=$repo/build/$windows
. scripts/virtual-display.sh
trap stop_wine_and_display EXIT
start_virtual_display
export LC_ALL=${WINE_LC_ALL:-zh_CN.UTF-8}
start_wine
ctest --preset "$windows" "$@"
