# Sourced by the scripts that need a virtual X screen.
#
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
  nohup Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 9>&- &
  BYTWACHT_XVFB_PID=$!
  for _ in $(seq 1 150); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no X server answers on $display" >&2
  return 1
}
