#!/usr/bin/env bash
# Tests of the release packages: the installer, the uninstaller and the
# portable zip under Wine, each case in a fresh prefix. (That two builds give
# the same bytes is scripts/reproducible.sh's check.)
#   scripts/package-tests.sh [CASE...]     (default: every case)
# Needs the suite lock (it runs Wine and captures on loopback). Screenshots of
# the installer's pages land in build/package-artifacts/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/package.sh" || exit 1
cmake --build --preset windows --target bytwacht-e2e-driver -j "${BYTWACHT_JOBS:-2}" >/dev/null || {
  echo "package tests: driver build failed"
  exit 1
}
build="$root/build/windows"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
export PKG_VERSION="$version"
export PKG_SETUP="$root/dist/bytwacht-$version-setup.exe"
export PKG_ZIP="$root/dist/bytwacht-$version-portable.zip"
export PKG_STAGE="$root/build/package"
export E2E_DRIVER="$build/tests/e2e/bytwacht-e2e-driver.exe"
export E2E_ART="$root/build/package-artifacts"
export E2E_TEMPLATE="/tmp/bytwacht-e2e-template-$(id -u)"
# winemenubuilder would turn the Start-menu shortcut into a desktop entry of
# whoever runs the tests.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
mkdir -p "$E2E_ART"

. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib.sh"
. "$root/tests/package/cases.sh"

bytwacht_use_display "${PACKAGE_DISPLAY:-:94}" || exit 1
xvfb_pid="$BYTWACHT_XVFB_PID"
bytwacht_make_prefix "$E2E_TEMPLATE" desktop

cases=("$@")
[ ${#cases[@]} -eq 0 ] && cases=(install_silent update_running uninstall_silent installer_pages portable_mode)

failed=()
for c in "${cases[@]}"; do
  echo "--- $c"
  start=$(date +%s)
  e2e_fresh_prefix "pkg-$c"
  E2E_CASE_OK=1
  "case_$c"
  e2e_cleanup_prefix
  if [ "$E2E_CASE_OK" = 1 ]; then echo "    ok ($(($(date +%s) - start)) s)"; else failed+=("$c"); fi
done

[ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
echo "screenshots: $E2E_ART"
if [ ${#failed[@]} -gt 0 ]; then
  echo "package tests FAILED: ${failed[*]}"
  exit 1
fi
echo "package tests: ${#cases[@]} cases passed"
