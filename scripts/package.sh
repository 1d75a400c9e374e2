#!/usr/bin/env bash
# Builds the release of the current commit and writes dist/clickmend-<version>-win32.zip:
# clickmend.exe, README.txt (the README's section for Windows users), LICENSE.txt and SHA256SUMS.
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
# older Notepads need CRLF. README.txt is the README's section for Windows users, between its
# markers, with the Markdown taken out: headings underlined, code spans bare.
crlf() { sed 's/$/\r/'; }
{
  printf '\xEF\xBB\xBF'
  title="Clickmend $version for Windows"
  printf '%s\n%s\n\n' "$title" "${title//?/=}"
  # Another compiler builds other bytes: whoever checks the exe needs the same packages.
  printf 'Built from commit %s with these Debian 12 packages:\n' "$commit"
  dpkg-query -W -f='    ${Package} ${Version}\n' g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    mingw-w64-i686-dev cmake
  echo
  awk '
    $0 == "<!-- windows end -->" { inside = 0 }
    inside && /^#+ / { sub(/^#+ /, ""); print; gsub(/./, "-"); print; next }
    inside { gsub(/`/, ""); print }
    $0 == "<!-- windows begin -->" { inside = 1 }
  ' "$work/src/README.md"
} | crlf >"$work/zip/README.txt"
crlf <"$work/src/LICENSE" >"$work/zip/LICENSE.txt"
cp "$work/src/build/win32/clickmend.exe" "$work/zip/"

files=(clickmend.exe README.txt LICENSE.txt)
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
