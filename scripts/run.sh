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
cmake --build --preset windows --target bytwacht -j "${BYTWACHT_JOBS:-2}"
exe="$root/build/windows/app/bytwacht.exe"
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export USER="${USER:-$(id -un)}"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # The user's own prefix, so that settings and autostart persist between runs.
  export WINEPREFIX="${BYTWACHT_WINEPREFIX:-$HOME/.bytwacht-wine}"
  if ! [ -f "$WINEPREFIX/system.reg" ]; then
    echo "run: preparing the Wine prefix $WINEPREFIX (once)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  echo "run: starting Bytwacht on $DISPLAY"
  exec wine "$exe"
fi

# No display: a demonstration on a virtual screen.
out="$root/build/run-screenshots"
mkdir -p "$out"
export WINEPREFIX="/tmp/bytwacht-run-$(id -u)"
display_number=97
while [ -e "/tmp/.X11-unix/X$display_number" ] && [ "$display_number" -lt 120 ]; do
  display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
traffic_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$traffic_pid" ]; then kill "$traffic_pid" 2>/dev/null || true; fi
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done

rm -rf "$WINEPREFIX"
echo "run: no display; preparing a fresh Wine prefix on the virtual screen $DISPLAY"
# Every program of this prefix runs on a 1024x768 virtual desktop with a taskbar.
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -w

. "$root/tests/e2e/lib.sh"
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
e2e_hover_tray
import -window root "$out/tray-tip.png"
import -window root -crop 660x300+20+20 +repage "$out/graph.png"
echo "run: screenshots:"
echo "  $out/window.png   (the whole screen: graph window and notification area)"
echo "  $out/graph.png    (the graph window)"
echo "  $out/tray-tip.png (the tip of the notification-area icon)"
