# Sourced by the scripts that run Windows programs: a throw-away Wine prefix, a
# persistent wineserver and a virtual X screen, each made once.
: "${BYTWACHT_WINEPREFIX:=/tmp/bytwacht-wine-$(id -u)}"
export WINEPREFIX="$BYTWACHT_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

bytwacht_ensure_display() {
  if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY="${BYTWACHT_DISPLAY:-:93}"
  fi
  local num="${DISPLAY#:}"
  num="${num%%.*}"
  if ! [ -e "/tmp/.X11-unix/X$num" ]; then
    (
      flock 9
      if ! [ -e "/tmp/.X11-unix/X$num" ]; then
        nohup Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 9>&- &
        for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$num" ] && break; sleep 0.1; done
      fi
    ) 9>"/tmp/bytwacht-xvfb-$num.lock"
  fi
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
