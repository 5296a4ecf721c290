#!/usr/bin/env bash
# Builds the two release packages into dist/:
#   dist/bytwacht-VERSION-setup.exe     the installer (NSIS, per user, German)
#   dist/bytwacht-VERSION-portable.zip  bytwacht.exe, LIESMICH.txt, LIZENZ.txt
# The version is the CMake project version. Both files depend only on the
# commit: the same commit packaged twice gives the same bytes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/setup.sh" >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target bytwacht -j "${BYTWACHT_JOBS:-2}" >/dev/null

build="$root/build/windows"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package: no project version in $build/CMakeCache.txt" >&2; exit 1; }
# The commit's time stands for every file time in the zip.
epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo "${SOURCE_DATE_EPOCH:-315532800}")

stage="$root/build/package"
rm -rf "$stage"
mkdir -p "$stage" "$root/dist"

# Texts for Notepad: CR LF line ends; the German one with a UTF-8 mark so that
# every Notepad reads its umlauts right.
crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
{ cat LICENSE; echo; cat package/third-party-notices.txt; } | crlf >"$stage/LIZENZ.txt"
{ printf '\xef\xbb\xbf'; sed "s/@VERSION@/$version/" package/LIESMICH.txt | crlf; } >"$stage/LIESMICH.txt"
cp "$build/app/bytwacht.exe" "$stage/bytwacht.exe"

setup="$root/dist/bytwacht-$version-setup.exe"
zip="$root/dist/bytwacht-$version-portable.zip"
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DEXE="$stage/bytwacht.exe" -DLICENSE_TXT="$stage/LIZENZ.txt" \
  -DICON="$build/res/app.ico" -DOUTFILE="$setup" package/bytwacht.nsi
rm -f "$zip"
python3 "$root/scripts/make-zip.py" "$zip" "$epoch" \
  bytwacht.exe="$stage/bytwacht.exe" LIESMICH.txt="$stage/LIESMICH.txt" LIZENZ.txt="$stage/LIZENZ.txt"

for f in "$setup" "$zip"; do
  printf 'package: %s (%s bytes)\n' "${f#"$root"/}" "$(stat -c %s "$f")"
done
