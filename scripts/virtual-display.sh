# Sourced by the scripts that run Windows programs: a virtual X display of our own (unless one
# is already set and asked for) and a Wine prefix inside the build tree with its server kept up.
# Needs: $build_win32 (the cross build folder of the preset `wine-run.sh --preset` names).
# CLICKMEND_WINDOWS_CLOCK=1: the prefix is another one, whose server keeps Windows' clock
# (scripts/windows_clock.c).
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

# The server's own program: Debian's wineserver is a script that runs wineserver64 where it is
# installed and wineserver32 otherwise.
wine_server_program() {
  local server
  server=$(command -v wineserver)
  if [ "$(head -c 4 "$server")" != $'\x7fELF' ]; then
    for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32; do
      [ -x "$server" ] && break
    done
  fi
  echo "$server"
}

# Starts the server of the Windows' clock prefix with scripts/windows_clock.c preloaded, built
# for the server's word size, unless such a server is up already. A server of that prefix
# without the library (one a program started on its own) is ended first: every program of
# the prefix must see the stepped clock. Sets windows_clock_started=1 when it started one.
start_windows_clock_server() {
  local server bits library
  server=$(wine_server_program)
  case $(od -An -tu1 -j4 -N1 "$server" | tr -d ' ') in
    1) bits=32 ;;
    2) bits=64 ;;
    *)
      echo "$server is not an ELF program" >&2
      return 1
      ;;
  esac
  library=$build_win32/windows_clock$bits.so
  if [ ! "$library" -nt "$scripts_dir/windows_clock.c" ]; then
    gcc -m$bits -shared -fPIC -O2 -Wall -Wextra -Werror -o "$library" "$scripts_dir/windows_clock.c"
  fi
  windows_clock_started=0
  # The library's path names this build's prefix, so a process mapping it is this server.
  if grep -qsF "$library" /proc/[0-9]*/maps; then return; fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  LD_PRELOAD=$library "$server" -p >/dev/null 2>&1 </dev/null
  if ! grep -qsF "$library" /proc/[0-9]*/maps; then
    echo "the Wine server did not start with $library" >&2
    return 1
  fi
  windows_clock_started=1
}

start_wine() {
  WINEARCH=$("$scripts_dir/wine-run.sh" --preset)
  export WINEPREFIX="$build_win32/wineprefix" WINEARCH WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # A prefix of its own: a server is shared by all the programs of its prefix and keeps the one
  # clock it started with.
  if [ "${CLICKMEND_WINDOWS_CLOCK:-0}" = 1 ]; then WINEPREFIX=$build_win32/wineprefix-windows-clock; fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  fi
  # One server for the whole run, so each program starts fast, and the prefix's services
  # started now with their output going nowhere: a service started later by a test would
  # inherit the test runner's pipe and keep it open.
  if [ "${CLICKMEND_WINDOWS_CLOCK:-0}" = 1 ]; then
    start_windows_clock_server
  else
    wineserver -p >/dev/null 2>&1 </dev/null || true  # already up: fine
  fi
  wine wineboot >/dev/null 2>&1 </dev/null
}

stop_wine_and_display() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
