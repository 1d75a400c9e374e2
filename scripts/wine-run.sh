#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix named by WINEPREFIX (made on first use).
# CMake uses this as the emulator of the cross build's tests.
set -u
: "${WINEPREFIX:?set WINEPREFIX to a prefix inside the build tree}"
export WINEPREFIX WINEARCH=${WINEARCH:-win32} WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no DISPLAY; start the tests through scripts/test.sh or run Xvfb" >&2
  exit 2
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
