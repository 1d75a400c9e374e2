#!/usr/bin/env bash
# Builds the release of the current commit and writes dist/clickmend-<version>-win32.zip:
# clickmend.exe, README.txt and README-zh.txt (the README's sections for Windows users, in English
# and in Chinese), LICENSE.txt and SHA256SUMS.
# The commit is exported into a fresh folder and built there with the win32 preset, so neither
# uncommitted changes nor an old build folder reach the release, and the exe is the one anyone
# gets by building that commit. The zip is the same for every run on one commit too: its file
# times are the commit's (SOURCE_DATE_EPOCH) and its entries carry no owner or extra fields.
# Usage: scripts/package.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/install-deps.sh package

commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes are not in the release, which is built from $commit" >&2
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$commit")}

work=$repo/build/package
rm -rf "$work"
mkdir -p "$work/src" "$work/zip"
git archive "$commit" | tar -x -C "$work/src"
(cd "$work/src" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target clickmend)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/src/build/win32/CMakeCache.txt")

# Notepad shows the Chinese names right on any Windows only in UTF-8 with a byte order mark, and
# older Notepads need CRLF. Each text file is one of the README's sections for Windows users,
# between its markers, with the Markdown taken out: headings underlined, code spans bare.
crlf() { sed 's/$/\r/'; }
# A line's underline as wide as the line shows: a Chinese character takes two columns. Read as
# bytes (LC_ALL=C, as mawk always reads): a UTF-8 character's first byte counts, the others not.
underline_awk='
  function underline(text, mark,   rest, wide, out, n) {
    rest = text; gsub(/[\200-\277]/, "", rest); wide = gsub(/[\300-\377]/, "", rest)
    for (n = length(rest) + 2 * wide; n > 0; n--) out = out mark
    return out
  }'
heading() { printf '%s\n' "$2" | LC_ALL=C awk "$underline_awk"' { print; print underline($0, "'"$1"'") }'; }
section() {
  LC_ALL=C awk -v first="<!-- $1 begin -->" -v last="<!-- $1 end -->" "$underline_awk"'
    $0 == last { inside = 0 }
    inside && /^#+ / { sub(/^#+ /, ""); print; print underline($0, "-"); next }
    inside { gsub(/`/, ""); print }
    $0 == first { inside = 1 }
  ' "$work/src/README.md"
}
# Another compiler builds other bytes: whoever checks the exe needs the same packages.
packages() {
  dpkg-query -W -f='    ${Package} ${Version}\n' g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    mingw-w64-i686-dev cmake
}
{
  printf '\xEF\xBB\xBF'
  heading = "Clickmend $version for Windows"
  echo
  printf 'Built from commit %s with these Debian 12 packages:\n' "$commit"
  packages
  echo
  section windows
} | crlf >"$work/zip/README.txt"
{
  printf '\xEF\xBB\xBF'
  heading = "Clickmend $version（Windows 版）"
  echo
  printf '构建自提交 %s，所用的 Debian 12 软件包：\n' "$commit"
  packages
  echo
  section windows-zh
} | crlf >"$work/zip/README-zh.txt"
crlf <"$work/src/LICENSE" >"$work/zip/LICENSE.txt"
cp "$work/src/build/win32/clickmend.exe" "$work/zip/"

files=(clickmend.exe README.txt README-zh.txt LICENSE.txt)
out=$repo/dist/clickmend-$version-win32.zip
mkdir -p "$repo/dist"
rm -f "$out"
(
  cd "$work/zip"
  sha256sum "${files[@]}" >SHA256SUMS
  chmod 644 "${files[@]}" SHA256SUMS
  touch -d "@$SOURCE_DATE_EPOCH" "${files[@]}" SHA256SUMS
  TZ=UTC zip -q -X "$out" "${files[@]}" SHA256SUMS
)
echo
echo "$out"
sed 's/^/  /' "$work/zip/SHA256SUMS"
