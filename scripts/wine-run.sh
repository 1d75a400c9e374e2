#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix named by WINEPREFIX (made on first use).
# CMake uses this as the emulator of the cross build's tests.
# `wine-run.sh --preset` prints the CMake preset whose programs this machine's Wine runs.
set -u
# Wine runs 32-bit Windows programs only on a machine that runs 32-bit Linux programs. Elsewhere
# the same programs are built for 64-bit Windows (the win64 preset) and Wine's 64-bit loader
# runs them: everything is tested, only the word size differs from the exe users get.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=/usr/lib/wine/wine arch=win32
else
  loader=/usr/lib/wine/wine64 arch=win64
  export WINELOADER=$loader
fi
if [ "${1:-}" = --preset ]; then
  echo "$arch"
  exit 0
fi
: "${WINEPREFIX:?set WINEPREFIX to a prefix inside the build tree}"
# At Windows' clock the programs run in a prefix of its own, whose server steps its clock
# (scripts/virtual-display.sh starts it).
if [ "${CLICKMEND_WINDOWS_CLOCK:-0}" = 1 ] && [ "${WINEPREFIX%-windows-clock}" = "$WINEPREFIX" ]; then
  WINEPREFIX=$WINEPREFIX-windows-clock
fi
export WINEPREFIX WINEARCH=${WINEARCH:-$arch} WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no DISPLAY; start the tests through scripts/test.sh or run Xvfb" >&2
  exit 2
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || { "$loader" wineboot -i >/dev/null 2>&1; wineserver -w; }
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
