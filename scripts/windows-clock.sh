#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine at Windows' clock: the tick, the times
# of messages and hook events and the timers' wake-ups in 15.625 ms steps, the performance
# counter as fine as ever (scripts/windows_clock.c). It runs in a prefix of its own beside the
# build's usual one, on the display already set (scripts/ctest-wine.sh's or scripts/test.sh's).
# ctest runs the corpus end-to-end case through it as e2e.ProgramWindowsClock.
# Usage: scripts/windows-clock.sh BUILD_DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
build_win32=$1
shift
. "$(dirname "$0")/virtual-display.sh"
export CLICKMEND_WINDOWS_CLOCK=1
start_wine
# A server this run started ends with it; one that was up already (CLICKMEND_WINDOWS_CLOCK=1
# scripts/ctest-wine.sh) serves the tests after this one too.
if [ "$windows_clock_started" = 1 ]; then trap 'wineserver -k >/dev/null 2>&1 || true' EXIT; fi
wine "$@"
