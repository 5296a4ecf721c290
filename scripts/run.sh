#!/usr/bin/env bash
# Builds bytwacht.exe and runs it under Wine.
#
# On a desktop (a usable DISPLAY) Bytwacht starts on that display and runs
# until you end it ("Programm beenden" in its menu).
#
# Without a display it shows what Bytwacht does: a virtual screen, Bytwacht
# watching the loopback adapter while traffic is generated on it, screenshots
# of the window and of the notification-area tip, and where they are.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows --target bytwacht bytwacht-e2e-driver -j "${BYTWACHT_JOBS:-2}"
exe="$root/build/windows/app/bytwacht.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # The user's own prefix, so that settings and autostart persist between runs.
  : "${BYTWACHT_WINEPREFIX:=$HOME/.bytwacht-wine}"
  . "$root/scripts/wine-env.sh"
  echo "run: using the Wine prefix $WINEPREFIX (made at the first run)"
  bytwacht_make_prefix "$WINEPREFIX"
  echo "run: starting Bytwacht on $DISPLAY"
  exec wine "$exe"
fi

# No display: a demonstration on a virtual screen of its own.
BYTWACHT_WINEPREFIX="/tmp/bytwacht-run-$(id -u)"
. "$root/scripts/wine-env.sh"
out="$root/build/run-screenshots"
mkdir -p "$out"
display_number=97
while [ -e "/tmp/.X11-unix/X$display_number" ] && [ "$display_number" -lt 120 ]; do
  display_number=$((display_number + 1))
done
bytwacht_use_display ":$display_number"
xvfb_pid="$BYTWACHT_XVFB_PID"
traffic_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$traffic_pid" ]; then kill "$traffic_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

rm -rf "$WINEPREFIX"
echo "run: no display; preparing a fresh Wine prefix on the virtual screen $DISPLAY"
bytwacht_make_prefix "$WINEPREFIX" desktop

. "$root/tests/e2e/lib.sh"
E2E_DRIVER="$root/build/windows/tests/e2e/bytwacht-e2e-driver.exe"
E2E_SETTINGS_DIR="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Bytwacht"
E2E_INI="$E2E_SETTINGS_DIR/bytwacht.ini"
# Watch the loopback adapter, with a window large enough to see the bars.
e2e_settings WindowPosX=40 WindowPosY=40 WindowWidth=500 WindowHeight=200 FadeOnHover=0

echo "run: starting Bytwacht and sending UDP traffic over loopback for 20 seconds"
wine "$exe" >/dev/null 2>&1 &
e2e_traffic 20
traffic_pid=$E2E_TRAFFIC_PID
sleep 20
import -window root "$out/window.png"
# Resting the mouse on the icon brings up its tip with the newest figures.
e2e_hover_tray || echo "run: the tip did not show"
import -window root "$out/tray-tip.png"
import -window root -crop 660x300+20+20 +repage "$out/graph.png"
echo "run: screenshots:"
echo "  $out/window.png   (the whole screen: graph window and notification area)"
echo "  $out/graph.png    (the graph window)"
echo "  $out/tray-tip.png (the tip of the notification-area icon)"
