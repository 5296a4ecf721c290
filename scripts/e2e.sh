#!/usr/bin/env bash
# End-to-end tests: the real bytwacht.exe under Wine on a virtual screen,
# driven by tests/e2e/driver.cpp and xdotool, each case in a fresh prefix.
#   scripts/e2e.sh [CASE...]     (default: every case)
# The cases are the case_* functions of tests/e2e/cases.sh. Screenshots land
# in build/e2e-artifacts/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/cases.sh"

# Every case_* function, in the order the files define them.
all_cases=()
while read -r _ _ name; do all_cases+=("${name#case_}"); done < <(
  shopt -s extdebug
  for f in $(declare -F | sed -n 's/^declare -f \(case_.*\)/\1/p'); do declare -F "$f"; done |
    awk '{ print $3, $2, $1 }' | sort -k1,1 -k2,2n
)
if [ ${#all_cases[@]} -eq 0 ]; then
  echo "e2e: no case_* functions found"
  exit 1
fi
cases=("$@")
[ ${#cases[@]} -eq 0 ] && cases=("${all_cases[@]}")
for c in "${cases[@]}"; do
  if ! declare -F "case_$c" >/dev/null; then
    echo "e2e: no case '$c'; the cases are: ${all_cases[*]}"
    exit 2
  fi
done

build="${E2E_BUILD_DIR:-$root/build/windows}"
if [ -z "${E2E_BUILD_DIR:-}" ]; then
  cmake --preset windows >/dev/null || exit 1
  cmake --build --preset windows --target bytwacht bytwacht-e2e-driver -j "${BYTWACHT_JOBS:-2}" >/dev/null || {
    echo "e2e: build failed"
    exit 1
  }
fi

export E2E_EXE="$build/app/bytwacht.exe"
export E2E_DRIVER="$build/tests/e2e/bytwacht-e2e-driver.exe"
export E2E_ART="$root/build/e2e-artifacts"
export E2E_TEMPLATE="/tmp/bytwacht-e2e-template-$(id -u)"
mkdir -p "$E2E_ART"

# Our own virtual screen, so that other Wine runs on this machine never meet ours.
bytwacht_use_display "${E2E_DISPLAY:-:95}" || exit 1
xvfb_pid="$BYTWACHT_XVFB_PID"
bytwacht_make_prefix "$E2E_TEMPLATE" desktop

failed=()
for c in "${cases[@]}"; do
  echo "--- $c"
  start=$(date +%s)
  e2e_fresh_prefix "$c"
  E2E_CASE_OK=1
  "case_$c"
  e2e_cleanup_prefix
  [ -n "${E2E_TRAFFIC_PID:-}" ] && kill "$E2E_TRAFFIC_PID" 2>/dev/null
  if [ "$E2E_CASE_OK" = 1 ]; then echo "    ok ($(($(date +%s) - start)) s)"; else failed+=("$c"); fi
done

[ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
echo "screenshots: $E2E_ART"
if [ ${#failed[@]} -gt 0 ]; then
  echo "e2e FAILED: ${failed[*]}"
  exit 1
fi
echo "e2e: ${#cases[@]} cases passed"
