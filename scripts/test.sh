#!/usr/bin/env bash
# Installs what is missing and runs every test: the host unit tests (ASan, UBSan), the unit
# tests cross-built for Windows and the end-to-end tests, both under Wine on a virtual display,
# the fuzz targets for a bounded time, the ThreadSanitizer check and the benchmarks.
# Usage: scripts/test.sh            everything (FUZZ_SECONDS=N to change the fuzz time per target)
#        scripts/test.sh host       the format check and the host unit tests only
#        scripts/test.sh windows    the Windows build, its imports, and its unit and end-to-end
#                                   tests under Wine only
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
part=${1:-all}
case $part in
  host) deps=host ;;
  windows) deps=cross ;;
  all) deps=all ;;
  *)
    echo "usage: scripts/test.sh [host|windows]" >&2
    exit 2
    ;;
esac

step() { printf '\n=== %s ===\n' "$*"; }

step "installing what is missing"
scripts/install-deps.sh "$deps"

step "format"
files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files

step "host: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host
if [ "$part" = host ]; then
  echo
  echo "host tests passed"
  exit 0
fi

step "windows: clickmend.exe, unit tests and end-to-end tests under Wine"
# win32, or win64 where this machine's Wine runs only 64-bit programs (see scripts/wine-run.sh).
windows=$(scripts/wine-run.sh --preset)
build_win32=$repo/build/$windows
. scripts/virtual-display.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ "$windows" != win32 ]; then
  echo "This machine runs no 32-bit programs: the tests run the $windows build under Wine."
  cmake --preset "$windows" >/dev/null
  cmake --build --preset "$windows"
fi

step "imports: only DLLs Windows always takes from the system folder"
# Any other DLL is looked for beside the exe first, where whoever unpacked it may have left one:
# such a DLL is loaded at run time from the system folder (common/system_library_win32.h).
known='^(kernel32|user32|gdi32|shell32|advapi32|msvcrt|ole32|oleaut32|comdlg32|shlwapi|imm32|ntdll|rpcrt4|ws2_32|psapi|setupapi)\.dll$'
for build in win32 ${windows#win32}; do
  case $build in win32) objdump=i686-w64-mingw32-objdump ;; *) objdump=x86_64-w64-mingw32-objdump ;; esac
  imports=$($objdump -p "build/$build/clickmend.exe" | sed -n 's/^\s*DLL Name: //p' | tr A-Z a-z)
  printf '%s: %s\n' "$build" "$(echo $imports)"
  unknown=$(grep -vE "$known" <<<"$imports" || true)
  [ -z "$unknown" ] || { echo "build/$build/clickmend.exe imports $(echo $unknown)" >&2; exit 1; }
done

step "size: the release's clickmend.exe under 512 KiB"
# Users download the one exe; docs/benchmarks.md says what keeps it small. scripts/bench.sh
# reports it against the same bound.
size_bound=524288
size=$(stat -c %s build/win32/clickmend.exe)
printf 'win32: %d bytes, bound %d: %d to spare\n' "$size" "$size_bound" $((size_bound - size))
[ "$size" -lt "$size_bound" ] || { echo "build/win32/clickmend.exe is over the bound" >&2; exit 1; }

trap stop_wine_and_display EXIT
start_virtual_display
# Wine takes its ANSI code page from the Unix locale: everything in the one most users have
# (936), then the settings cases again in one without Chinese (1252). The code page is each
# process's own, so the one server serves both.
export LC_ALL=zh_CN.UTF-8
start_wine
ctest --preset "$windows"
step "windows: settings under code page 1252"
LC_ALL=en_US.UTF-8 ctest --preset "$windows" -R '^(settings_tests|e2e\.DamagedSettings)$'
if [ "$part" = windows ]; then
  echo
  echo "windows tests passed"
  exit 0
fi

step "ThreadSanitizer: settings saved and loaded from three threads"
scripts/tsan.sh

step "reproducible: clickmend.exe built again, later, from a copy of the sources elsewhere"
# A user checks a download against a build of their own; the bytes must not depend on the
# folder or the time. The copy holds what git would commit (tracked and new files, as they are).
copy=$repo/build/repro
rm -rf "$copy" && mkdir -p "$copy"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do if [ -e "$file" ]; then printf '%s\0' "$file"; fi; done |
  xargs -0 cp --parents -t "$copy"
(cd "$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target clickmend >/dev/null)
first=$(sha256sum <"$repo/build/win32/clickmend.exe")
second=$(sha256sum <"$copy/build/win32/clickmend.exe")
printf 'build/win32 %s\nbuild/repro %s\n' "${first%% *}" "${second%% *}"
[ "$first" = "$second" ] || { echo "clickmend.exe differs between the two builds" >&2; exit 1; }

step "fuzzing, ${FUZZ_SECONDS:-30} s per target"
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

step "benchmarks (the figures go to build/benchmarks.md)"
scripts/bench.sh

echo
echo "all tests passed"
