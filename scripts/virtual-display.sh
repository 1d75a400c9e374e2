# Sourced by the scripts that run Windows programs: a virtual X display of our own (unless one
# is already set and asked for) and a Wine prefix inside the build tree with its server kept up.
# Needs: $build_win32 (the cross build folder of the preset `wine-run.sh --preset` names).
# Sets DISPLAY, WINEPREFIX; cleanup on exit.

scripts_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Every Windows program goes through wine-run.sh, which picks the loader this machine can run.
wine() { "$scripts_dir/wine-run.sh" "$@"; }

start_virtual_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${CLICKMEND_USE_DISPLAY:-0}" = 1 ]; then return; fi
  local n
  for n in $(seq 90 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
      xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return; sleep 0.1; done
      echo "Xvfb did not start on :$n" >&2
      exit 1
    fi
  done
  echo "no free X display number" >&2
  exit 1
}

start_wine() {
  WINEARCH=$("$scripts_dir/wine-run.sh" --preset)
  export WINEPREFIX="$build_win32/wineprefix" WINEARCH WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  fi
  # One server for the whole run, so each program starts fast, and the prefix's services
  # started now with their output going nowhere: a service started later by a test would
  # inherit the test runner's pipe and keep it open.
  wineserver -p >/dev/null 2>&1 </dev/null || true  # already up: fine
  wine wineboot >/dev/null 2>&1 </dev/null
}

stop_wine_and_display() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
