#!/usr/bin/env bash
# End-to-end tests: the real bytwacht.exe under Wine on a virtual screen,
# driven by tests/e2e/driver.cpp and xdotool, each case in a fresh prefix.
#   scripts/e2e.sh [CASE...]     (default: every case)
# Screenshots land in build/e2e-artifacts/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

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
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export USER="${USER:-$(id -un)}"
mkdir -p "$E2E_ART"

. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/cases.sh"

# Our own virtual screen, so that other Wine runs on this machine never meet ours.
export DISPLAY="${E2E_DISPLAY:-:95}"
. "$root/scripts/xvfb.sh"
bytwacht_xvfb "$DISPLAY" || exit 1
xvfb_pid="$BYTWACHT_XVFB_PID"

( flock 9; e2e_make_template "$E2E_TEMPLATE" ) 9>"$E2E_TEMPLATE.lock"

cases=("$@")
[ ${#cases[@]} -eq 0 ] && cases=(first_start second_instance settings_sheet filter_change interval_change
  menu_commands autostart close_hidden_and_session_end adapter_cancel adapter_not_opened window_behaviour exit_during_sheet stored_window_styles graph_modes taskbar_restart
  usage_history usage_dialog usage_balloons display_change dpi_scaling)

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
