#!/usr/bin/env bash
# Checks that the release is reproducible: bytwacht.exe built from nothing in a
# second build folder is bit-identical to the one in build/windows, and
# packaging twice gives the same setup and zip. Needs no Wine and no lock.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/package.sh" >/dev/null || exit 1
build="$root/build/windows"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup="$root/dist/bytwacht-$version-setup.exe"
zip="$root/dist/bytwacht-$version-portable.zip"

failed=0
check() {
  local what="$1"
  shift
  if "$@" >/dev/null 2>&1; then echo "    ok: $what"; else echo "    FAILED: $what"; failed=1; fi
}

# Another folder, another path length: what leaks a build path shows here.
other="$root/build/reproducible-other-folder"
rm -rf "$other"
start=$(date +%s)
cmake --preset windows -B "$other" -DBYTWACHT_TESTS=OFF >/dev/null &&
  nice cmake --build "$other" --target bytwacht -j "${BYTWACHT_JOBS:-2}" >/dev/null
check "second build made" test -f "$other/app/bytwacht.exe"
check "bytwacht.exe identical from another build folder" cmp "$build/app/bytwacht.exe" "$other/app/bytwacht.exe"
echo "    second build: $(($(date +%s) - start)) s"
rm -rf "$other"

first="$(mktemp -d)"
cp "$setup" "$zip" "$first/"
"$root/scripts/package.sh" >/dev/null
check "setup identical when packaged again" cmp "$first/${setup##*/}" "$setup"
check "zip identical when packaged again" cmp "$first/${zip##*/}" "$zip"
rm -rf "$first"

if [ "$failed" = 0 ]; then echo "reproducible: ok"; else echo "reproducible: FAILED"; fi
exit "$failed"
