#!/usr/bin/env bash
# Photographs the tray menu as clickmend.exe shows it, under Wine on a virtual X display, and
# saves it as a PNG (docs/menu.png unless told otherwise). With --health first, photographs the
# 鼠标健康 window over 30 made-up days, its test pad open with three clicks made in it (the
# X server's input player), instead (docs/health.png); with --about, the About box
# (docs/about.png); with --options, the options window's 鼠标手势 page (docs/options.png). --dpi N first sets the prefix's LogPixels to N (96, 144, 192...) for the
# picture and adds -N to the default file name; --english first runs the program with 语言=English
# and adds -en. The screen is 1024x768.
# Usage: scripts/screenshot-menu.sh [--dpi N] [--english] [--health|--about|--options] [win32 build folder]
#          [output.png]
#   The build folder (default build/win32, the "win32" preset) must hold clickmend.exe and
#   e2e/e2e_tests.exe. Needs Xvfb, Wine, ImageMagick and a Chinese font (fonts-wqy-microhei).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
case=HoldsTheMenuOpen picture=menu dpi=96 suffix= english=0
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2 suffix+=-$2; shift 2 ;;
    --english) english=1 suffix+=-en; shift ;;
    --health) case=HoldsTheHealthWindowOpen picture=health; shift ;;
    --about) case=HoldsTheAboutBoxOpen picture=about; shift ;;
    --options) case=HoldsTheOptionsWindowOpen picture=options; shift ;;
    *) break ;;
  esac
done
build=$(cd "${1:-$repo/build/win32}" && pwd)
out=${2:-$repo/docs/$picture$suffix.png}

for f in clickmend.exe e2e/e2e_tests.exe; do
  [ -f "$build/$f" ] || { echo "screenshot-menu: no $build/$f; build the win32 preset first" >&2; exit 1; }
done
if ! fc-list :lang=zh | grep -q .; then
  echo "screenshot-menu: no Chinese font; install fonts-wqy-microhei" >&2
  exit 1
fi
font=$(fc-list :lang=zh family | head -n1 | cut -d, -f1)

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, so that nothing else on the screen ends up in the picture.
display=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "screenshot-menu: no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

# A prefix of its own beside the test prefix: the font setting below is for the picture only.
export WINEPREFIX=$build/wineprefix-menu WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# Wine draws Chinese menu text with the fonts linked to SimSun; none ships with it.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d "$font" /f >/dev/null 2>&1
# The screen's DPI, as Windows keeps it for the user and as Wine reads it at start.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w

rect=$work/rect
CLICKMEND_EXE=$build/clickmend.exe CLICKMEND_MENU_SHOT=$rect CLICKMEND_SHOT_ENGLISH=$english \
  CLICKMEND_X_INPUT=$build/e2e/x-input-play \
  wine "$build/e2e/e2e_tests.exe" --gtest_also_run_disabled_tests \
  --gtest_filter="TrayMenuScreenshot.DISABLED_$case" >"$work/log" 2>&1 &
holder=$!
pids+=($holder)
for _ in $(seq 600); do
  [ -s "$rect" ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$rect" ]; then
  echo "screenshot-menu: the $picture did not open" >&2
  cat "$work/log" >&2
  exit 1
fi
read -r left top width height <"$rect"
import -window root -crop "${width}x${height}+${left}+${top}" +repage "$work/menu.png"
touch "$rect.done"
wait "$holder" || { cat "$work/log" >&2; exit 1; }
wineserver -k || true

# The menu and its submenu leave corners of their bounding box bare (black); make them white.
r=$((width - 1)) b=$((height - 1))
mkdir -p "$(dirname "$out")"
if [ "$picture" = menu ]; then
  convert "$work/menu.png" -fill white \
    -floodfill +0+0 black -floodfill +$r+0 black -floodfill +0+$b black -floodfill +$r+$b black \
    -strip "$out"
else
  convert "$work/menu.png" -strip "$out"
fi
echo "screenshot-menu: wrote $out (${width}x${height})"
