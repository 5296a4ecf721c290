# Sourced by every script that runs Windows programs: the ctest runner
# (wine-run.sh, also used by render-graph.sh), the end-to-end tests, run.sh and
# the rel-* scripts. The one place that sets Wine's environment, makes prefixes
# and provides virtual screens.
#
# BYTWACHT_WINEPREFIX names the prefix (default: a throw-away one in /tmp) and
# BYTWACHT_DISPLAY the tests' virtual screen (default :93).
: "${BYTWACHT_WINEPREFIX:=/tmp/bytwacht-wine-$(id -u)}"
export WINEPREFIX="$BYTWACHT_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
# No offer to install .NET or Gecko when a prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Wine names the profile folder (and so the settings folder) after the user.
export USER="${USER:-$(id -un)}"

# bytwacht_exec_clean COMMAND...: replaces the current (sub)shell with COMMAND
# holding no descriptor but 0, 1 and 2; run it with & or inside ( ). A server
# started under `flock LOCK CMD` would otherwise keep the lock's descriptor,
# and with it the lock, for as long as the server lives.
bytwacht_exec_clean() {
  local fd
  for fd in /proc/$BASHPID/fd/*; do
    fd="${fd##*/}"
    if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi
  done
  exec "$@"
}

# bytwacht_xvfb DISPLAY: makes sure an X server answers on DISPLAY. A live one
# is reused. A server that was killed leaves its socket and lock file behind;
# they would make a check for the socket believe in a screen that is not there,
# and stop a new server from starting, so they are cleared first. Sets
# BYTWACHT_XVFB_PID to the server it started (empty when it reused one).
bytwacht_xvfb() {
  local display="$1" num
  num="${display#:}"
  num="${num%%.*}"
  BYTWACHT_XVFB_PID=
  if DISPLAY="$display" xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  rm -f "/tmp/.X11-unix/X$num" "/tmp/.X$num-lock"
  bytwacht_exec_clean nohup Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  BYTWACHT_XVFB_PID=$!
  for _ in $(seq 1 150); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no X server answers on $display" >&2
  return 1
}

# bytwacht_use_display DISPLAY: exports DISPLAY and makes sure an X server
# answers there, starting a virtual screen if none does (BYTWACHT_XVFB_PID is
# then its process). Runs that share a display number take turns.
bytwacht_use_display() {
  export DISPLAY="$1"
  local num="${DISPLAY#:}" rc
  num="${num%%.*}"
  exec 8>"/tmp/bytwacht-xvfb-$num.lock"
  flock 8
  bytwacht_xvfb "$DISPLAY"
  rc=$?
  exec 8>&-
  return $rc
}

# Tests always get our own virtual screen, never the desktop of whoever runs
# them (nor a DISPLAY variable that names no live server).
bytwacht_ensure_display() { bytwacht_use_display "${BYTWACHT_DISPLAY:-:93}"; }

# bytwacht_prefix_fonts DIR: copies Wine's own TrueType fonts into the Fonts
# folder of prefix DIR (once the prefix has one); quiet when fonts-wine is
# missing, so that the tests then show what they show without it.
bytwacht_prefix_fonts() {
  local fonts="$1/drive_c/windows/Fonts" source=/usr/share/wine/fonts
  [ -d "$fonts" ] && [ -d "$source" ] || return 0
  cp -n "$source"/*.ttf "$fonts"/ 2>/dev/null || true
}

# Fonts: Wine finds Liberation through fontconfig at every start and draws a
# missing "Arial" with Liberation Sans. Its own fonts (Marlett for the caption
# buttons, Tahoma behind "MS Shell Dlg") it looks for only in the prefix's
# Fonts folder, where Debian's Wine 8 does not put them, so every prefix gets
# a copy, also one made before fonts-wine was installed.
#
# bytwacht_make_prefix DIR [desktop]: makes the Wine prefix DIR once; a marker
# written last tells a finished prefix from one whose making was cut short.
# With "desktop" every program of the prefix runs on one 1024x768 virtual
# desktop with a taskbar, so windows, boxes and the notification area are on
# one screen.
bytwacht_make_prefix() {
  local dir="$1" desktop="${2:-}"
  mkdir -p "$dir"
  (
    flock 9
    bytwacht_prefix_fonts "$dir"
    [ -f "$dir/.bytwacht-made" ] && exit 0
    export WINEPREFIX="$dir"
    # The server these start outlives them for a while; it must not hold our locks.
    (bytwacht_exec_clean wineboot -i >/dev/null 2>&1) || true
    if [ "$desktop" = desktop ]; then
      (bytwacht_exec_clean wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1)
      (bytwacht_exec_clean wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        >/dev/null 2>&1)
    fi
    wineserver -w 9>&-
    bytwacht_prefix_fonts "$dir"
    touch "$dir/.bytwacht-made"
  ) 9>"$dir.lock"
}

# The tests' shared prefix, with a persistent server that makes every later
# start of a test program fast.
bytwacht_ensure_prefix() {
  bytwacht_make_prefix "$WINEPREFIX"
  (bytwacht_exec_clean wineserver -p >/dev/null 2>&1) || true
}
