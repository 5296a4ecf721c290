# Sourced by the scripts that run Windows programs: a throw-away Wine prefix, a
# persistent wineserver and a virtual X screen, each made once.
: "${BYTWACHT_WINEPREFIX:=/tmp/bytwacht-wine-$(id -u)}"
export WINEPREFIX="$BYTWACHT_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

. "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

# Tests always get our own virtual screen, never the desktop of whoever runs
# them (nor a DISPLAY variable that names no live server).
bytwacht_ensure_display() {
  export DISPLAY="${BYTWACHT_DISPLAY:-:93}"
  local num="${DISPLAY#:}"
  num="${num%%.*}"
  (
    flock 9
    bytwacht_xvfb "$DISPLAY"
  ) 9>"/tmp/bytwacht-xvfb-$num.lock"
}

bytwacht_ensure_prefix() {
  (
    flock 9
    if ! [ -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1 9>&- || true
      wineserver -w
    fi
    # A persistent server makes every later start of a test program fast.
    wineserver -p >/dev/null 2>&1 9>&- || true
  ) 9>"$WINEPREFIX.lock"
}
