#!/usr/bin/env bash
# Installs what building and testing Clickmend needs on Debian 12, skipping what is present.
# Usage: scripts/install-deps.sh [host|cross|package|all]   (default: all; package: cross and zip)
set -euo pipefail
what=${1:-all}

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
want() { for p in "$@"; do have "$p" || need+=("$p"); done; }

want cmake g++ make googletest libgtest-dev libbenchmark-dev clang-format
if [ "$what" != host ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need+=(_update_)
  fi
  # binutils-mingw-w64-*: the objdump that checks the exe's imports (scripts/test.sh).
  want g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-utils imagemagick fonts-wqy-microhei fontconfig
  want locales
  # The end-to-end cases of the mouse's own path play their clicks through the X server's XTEST
  # extension with a small program of ours (scripts/x_input_play.c): it keeps a bounce's gaps of
  # a few milliseconds to tens of microseconds, which a tool sleeping between commands does not.
  want libx11-dev libxtst-dev
  # The end-to-end case at Windows' clock preloads a library into the Wine server, built with the
  # host gcc for the server's word size (scripts/windows-clock.sh). Debian's server is 32-bit
  # (wineserver32) unless wine64 is installed, and gcc builds 32-bit code only with the i386 C
  # library and libgcc of gcc-multilib; with wine64 (the win64 machines) the server is 64-bit.
  want gcc gcc-multilib
fi
if [ "$what" = all ] || [ "$what" = package ]; then
  want zip
fi
if [ "$what" = all ] || [ "$what" = fuzz ]; then
  want clang libclang-rt-14-dev
fi

# Where the machine runs no 32-bit programs, Wine runs the 64-bit build of the same programs
# (scripts/wine-run.sh): that needs Wine's 64-bit loader and the 64-bit cross compiler.
cross64() {
  [ "$what" != host ] && [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1
}
if cross64; then want wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64; fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#need[@]} -ne 0 ]; then
  pkgs=()
  for p in "${need[@]}"; do [ "$p" = _update_ ] || pkgs+=("$p"); done
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  [ ${#pkgs[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
  # wine32 is there only now on a new machine: see whether it runs.
  if cross64 && ! { have wine64 && have g++-mingw-w64-x86-64-posix; }; then
    $SUDO apt-get install -y -qq --no-install-recommends wine64 g++-mingw-w64-x86-64-posix \
      binutils-mingw-w64-x86-64 >/dev/null
  fi
fi

# Wine takes its ANSI code page from the Unix locale, which must exist: the Windows tests run
# under Simplified Chinese (936) and again under a code page without Chinese (1252).
if [ "$what" != host ]; then
  missing=0
  for loc in zh_CN en_US; do
    locale -a 2>/dev/null | grep -qx "$loc.utf8" && continue
    missing=1
    if grep -q "^# *$loc.UTF-8 UTF-8" /etc/locale.gen; then
      $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
  done
  [ "$missing" = 0 ] || $SUDO locale-gen >/dev/null
fi
