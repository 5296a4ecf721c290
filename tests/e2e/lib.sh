# Helpers of the end-to-end tests (sourced by scripts/e2e.sh, after
# scripts/wine-env.sh). Every test runs in a fresh copy of a prepared Wine
# prefix, on its own virtual desktop.

# Set by the runner: E2E_EXE, E2E_DRIVER, E2E_ART (screenshots), E2E_TEMPLATE
# (a prefix made by bytwacht_make_prefix with a virtual desktop).
E2E_LOOPBACK='\Device\NPF_{00000001-0000-0000-0000-4E6574446576}'

e2e_fresh_prefix() {
  export WINEPREFIX="/tmp/bytwacht-e2e-prefix-$1"
  # A server left over from a run that was cut short would write into the
  # prefix while it is replaced.
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  rm -rf "$WINEPREFIX"
  cp -a "$E2E_TEMPLATE" "$WINEPREFIX"
  E2E_SETTINGS_DIR="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Bytwacht"
  E2E_INI="$E2E_SETTINGS_DIR/bytwacht.ini"
  E2E_LOG="$WINEPREFIX/bytwacht.log"
}

e2e_cleanup_prefix() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
}

# Writes a settings file: the defaults with the loopback adapter, then any
# KEY=VALUE arguments replacing their lines.
e2e_settings() {
  mkdir -p "$E2E_SETTINGS_DIR"
  python3 - "$E2E_INI" "$E2E_LOOPBACK" "$@" <<'PY'
import sys
path, device, overrides = sys.argv[1], sys.argv[2], sys.argv[3:]
lines = [("DeviceName", device), ("BytesTransmitted", "0"), ("AvgTime", "60"), ("Interval", "1000"),
         ("CaptureFilter", "not arp"), ("PromiscuousMode", "0"), ("WindowPosX", "40"), ("WindowPosY", "40"),
         ("WindowWidth", "400"), ("WindowHeight", "160"), ("IsPopup", "0"), ("IsMaximized", "0"),
         ("IsVisible", "1"), ("Alpha", "255"), ("AlwaysOnTop", "0"), ("UseGradients", "0"),
         ("FadeOnHover", "1"), ("ShowInOut", "1")]
values = dict(lines)
for o in overrides:
    k, v = o.split("=", 1)
    values[k] = v
# Keys added after the original 18 follow them when given.
keys = [k for k, _ in lines] + [o.split("=", 1)[0] for o in overrides if o.split("=", 1)[0] not in dict(lines)]
with open(path, "wb") as f:
    for k in keys:
        f.write((k + "=" + values[k] + "\r\n").encode("latin-1"))
PY
}

# The value of KEY in the settings file.
e2e_ini() { tr -d '\r' <"$E2E_INI" | sed -n "s/^$1=//p"; }

# e2e_wait_ini KEY VALUE [SECONDS]: waits until the settings file holds KEY=VALUE.
e2e_wait_ini() {
  local end=$((SECONDS + ${3:-10}))
  until [ "$(e2e_ini "$1" 2>/dev/null)" = "$2" ]; do
    if [ "$SECONDS" -ge "$end" ]; then
      echo "    $1 is '$(e2e_ini "$1" 2>/dev/null)', waited for '$2'"
      return 1
    fi
    sleep 0.2
  done
}

e2e_start() {
  ( WINEDEBUG="${E2E_WINEDEBUG:--all}" wine "$E2E_EXE" >"$E2E_LOG" 2>&1 & echo $! >"$WINEPREFIX/bytwacht.pid"; wait $!; echo $? >"$WINEPREFIX/bytwacht.rc" ) &
}

# Waits until the program has ended; its exit code on stdout.
e2e_exit_code() {
  local timeout="${1:-20}"
  for _ in $(seq 1 $((timeout * 10))); do
    if [ -f "$WINEPREFIX/bytwacht.rc" ]; then cat "$WINEPREFIX/bytwacht.rc"; return 0; fi
    sleep 0.1
  done
  echo timeout
}

drv() { wine "$E2E_DRIVER" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# e2e_until SECONDS COMMAND...: runs COMMAND, quietly, until it succeeds; false
# when SECONDS pass first.
e2e_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.2
  done
}

# e2e_wait_state TEXT [SECONDS]: waits until the main window's state (drv
# state) contains TEXT.
e2e_wait_state() {
  local want="$1" end=$((SECONDS + ${2:-10})) state
  while :; do
    state=$(drv state)
    [[ "$state" == *"$want"* ]] && return 0
    if [ "$SECONDS" -ge "$end" ]; then
      echo "    state is '$state', waited for '$want'"
      return 1
    fi
    sleep 0.2
  done
}

# Returns once the window thread has answered a message sent to it: it waits
# for messages again, so a command it was handling has run to its end or to a
# wait of its own (a modal loop, or joining the capture thread).
e2e_settled() { drv sync >/dev/null; }

# UDP datagrams to a bound receiver on loopback for N seconds (in the background).
e2e_traffic() {
  local seconds="$1" size="${2:-1000}"
  python3 - "$seconds" "$size" <<'PY' &
import socket, sys, time
seconds, size = float(sys.argv[1]), int(sys.argv[2])
rx = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); rx.bind(("127.0.0.1", 0))
tx = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + seconds
i = 0
while time.time() < end:
    # A rising and falling load so that the bars differ.
    for _ in range(1 + (i % 20)):
        tx.sendto(b"x" * size, rx.getsockname())
        try:
            rx.setblocking(False); rx.recv(65536)
        except BlockingIOError:
            pass
    i += 1
    time.sleep(0.02)
PY
  E2E_TRAFFIC_PID=$!
}

e2e_shot() { import -window root "$E2E_ART/$1.png" 2>/dev/null; }
# A part of the screen: NAME WxH+X+Y.
e2e_shot_crop() { import -window root -crop "$2" +repage "$E2E_ART/$1.png" 2>/dev/null; }

# Counts pixels of a screenshot area whose colour passes a python test on r,g,b.
e2e_count_pixels() {
  local file="$1" geometry="$2" test="$3"
  convert "$file" -crop "$geometry" +repage -depth 8 rgb:- | python3 -c "
import sys
d = sys.stdin.buffer.read()
print(sum(1 for i in range(0, len(d), 3) if (lambda r, g, b: $test)(d[i], d[i+1], d[i+2])))"
}

# The columns (from the left of GEOMETRY) whose pixels pass the test, one per line.
e2e_matching_columns() {
  local file="$1" geometry="$2" test="$3"
  convert "$file" -crop "$geometry" +repage -depth 8 rgb:- | python3 -c "
import sys
d = sys.stdin.buffer.read()
for i in range(0, len(d), 3):
    if (lambda r, g, b: $test)(d[i], d[i+1], d[i+2]): print(i // 3)"
}

# The lowest row (from the top of GEOMETRY WxH+X+Y) with a pixel that passes the test, or -1.
e2e_lowest_row() {
  local file="$1" geometry="$2" test="$3"
  local width="${geometry%%x*}"
  convert "$file" -crop "$geometry" +repage -depth 8 rgb:- | python3 -c "
import sys
d, w, low = sys.stdin.buffer.read(), $width, -1
for i in range(0, len(d), 3):
    if (lambda r, g, b: $test)(d[i], d[i+1], d[i+2]): low = (i // 3) // w
print(low)"
}

# The notification area: the right end of the virtual desktop's taskbar.
E2E_TRAY_AREA='60x24+964+744'
e2e_tray_state() {
  local shot="$WINEPREFIX/tray.png"
  import -window root "$shot" 2>/dev/null
  local green yellow red
  green=$(e2e_count_pixels "$shot" "$E2E_TRAY_AREA" 'g > 120 and r < 90 and b < 100')
  yellow=$(e2e_count_pixels "$shot" "$E2E_TRAY_AREA" 'r > 200 and g > 170 and b < 80')
  red=$(e2e_count_pixels "$shot" "$E2E_TRAY_AREA" 'r > 170 and g < 60 and b < 60')
  if [ "$green" -ge 8 ] && [ "$green" -gt "$red" ] && [ "$green" -gt "$yellow" ]; then echo ok
  elif [ "$yellow" -ge 8 ] && [ "$yellow" -gt "$red" ]; then echo warning
  elif [ "$red" -ge 8 ]; then echo error
  else echo none; fi
}

# Waits up to N seconds for the tray to show STATE.
e2e_wait_tray() {
  local want="$1" timeout="${2:-20}" got
  for _ in $(seq 1 "$timeout"); do
    got=$(e2e_tray_state)
    [ "$got" = "$want" ] && return 0
    sleep 1
  done
  echo "tray shows $got, expected $want"
  return 1
}

# Times pcap_open was called (the run needs E2E_WINEDEBUG=+wpcap).
e2e_opens() { grep -c 'pcap_open' "$E2E_LOG" 2>/dev/null || true; }
# e2e_wait_opens N [SECONDS]: waits until pcap_open was called more than N times.
e2e_wait_opens() { e2e_until "${2:-10}" e2e_opens_above "$1"; }
e2e_opens_above() { [ "$(e2e_opens)" -gt "$1" ]; }

# e2e_wait_pixels NAME GEOMETRY TEST above|below N [SECONDS]: screenshots (the
# last kept as NAME.png) until the number of GEOMETRY's pixels that pass TEST
# (see e2e_count_pixels) is above or below N, or SECONDS pass; prints the last
# number.
e2e_wait_pixels() {
  local name="$1" geometry="$2" test="$3" how="$4" n="$5" end=$((SECONDS + ${6:-20})) count
  while :; do
    e2e_shot "$name"
    count=$(e2e_count_pixels "$E2E_ART/$name.png" "$geometry" "$test")
    [ "$how" = above ] && [ "$count" -gt "$n" ] && break
    [ "$how" = below ] && [ "$count" -lt "$n" ] && break
    [ "$SECONDS" -ge "$end" ] && break
    sleep 0.3
  done
  echo "$count"
}

# Rests the mouse on the notification-area icon until its tip shows.
e2e_hover_tray() {
  xdotool mousemove 990 700 sleep 0.4 mousemove 1008 756 sleep 0.4 mousemove 1009 757 >/dev/null 2>&1
  drv tip "Status:" 6000 >/dev/null
}

# The laptop cases' own adapter: a veth pair NAME0 with interface index INDEX
# (10.212.NET.1/24) and its peer NAME1 (10.212.NET.2/24) in the network
# namespace NAME. Prints the adapter's NPF name, which a pair made again with
# the same index keeps.
e2e_laptop_veth() {
  local name="$1" index="$2" net="$3"
  e2e_veth_cleanup "$name"
  ip netns add "$name" && e2e_laptop_veth_make "$name" "$index" "$net" || return 1
  printf '\\Device\\NPF_{%08X-0000-0000-0000-4E6574446576}\n' "$index"
}

# Makes (again) the pair of e2e_laptop_veth in its existing namespace.
e2e_laptop_veth_make() {
  local name="$1" index="$2" net="$3"
  ip link add "${name}0" index "$index" type veth peer name "${name}1" netns "$name" &&
    ip addr add "10.212.$net.1/24" dev "${name}0" &&
    ip link set "${name}0" up &&
    ip netns exec "$name" ip addr add "10.212.$net.2/24" dev "${name}1" &&
    ip netns exec "$name" ip link set "${name}1" up
}

# Picks the last entry of the icon's context menu ("Programm beenden") with the
# mouse, as the user would; NAME is the screenshot of the open menu.
e2e_tray_menu_last() {
  xdotool mousemove 1008 756 sleep 0.3 click 3 >/dev/null 2>&1
  local rect left bottom
  rect=$(drv popup 5000) || return 1
  read -r left _ _ bottom <<<"$rect"
  e2e_shot "${1:-tray-menu}"
  xdotool mousemove $((left + 30)) $((bottom - 10)) sleep 0.3 click 1 >/dev/null 2>&1
}

# A veth pair of a case's own: NAME0 here (10.211.0.1/24), NAME1 in the network
# namespace NAME (10.211.0.2/24), without IPv6 so that only what a case sends
# passes. Prints the adapter's NPF name.
e2e_veth() {
  local name="$1"
  e2e_veth_cleanup "$name"
  ip netns add "$name" &&
    ip link add "${name}0" type veth peer name "${name}1" netns "$name" &&
    sysctl -qw "net.ipv6.conf.${name}0.disable_ipv6=1" &&
    ip addr add 10.211.0.1/24 dev "${name}0" &&
    ip link set "${name}0" up &&
    ip netns exec "$name" ip addr add 10.211.0.2/24 dev "${name}1" &&
    ip netns exec "$name" ip link set "${name}1" up || return 1
  printf '\\Device\\NPF_{%08X-0000-0000-0000-4E6574446576}\n' "$(cat "/sys/class/net/${name}0/ifindex")"
}

e2e_veth_cleanup() {
  ip link del "${1}0" 2>/dev/null
  ip netns del "$1" 2>/dev/null
  return 0
}

# COUNT UDP datagrams of SIZE payload bytes (SIZE + 42 on the wire) to ADDRESS:PORT.
e2e_udp() {
  python3 - "$@" <<'PY'
import socket, sys, time
address, port, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
tx = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for i in range(count):
    tx.sendto(b"x" * size, (address, port))
    time.sleep(0.01)
PY
}

# The total as the program saves it this moment (the save timer's message, sent).
e2e_total_now() { drv sendmsg 0x113 1 >/dev/null && e2e_ini BytesTransmitted; }

# Waits for the capture to count again after an outage that ended at START
# (date +%s%N): sends 10-byte datagrams (52 bytes on the wire) to ADDRESS:PORT
# every 20 ms until the saved total passes BEFORE. Prints the milliseconds from
# START to the save that showed it (so at most one interval and one save
# late), or "timeout" after SECONDS.
e2e_recovery_ms() {
  local start="$1" before="$2" address="$3" port="$4" seconds="${5:-30}"
  local stop="$WINEPREFIX/probe.stop"
  rm -f "$stop"
  python3 - "$address" "$port" "$stop" <<'PY' &
import os, socket, sys, time
tx = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + 120
while not os.path.exists(sys.argv[3]) and time.time() < end:
    try:
        tx.sendto(b"p" * 10, (sys.argv[1], int(sys.argv[2])))
    except OSError:
        pass  # the adapter is not back yet
    time.sleep(0.02)
PY
  local sender=$! total result=timeout
  local end=$(($(date +%s) + seconds))
  while [ "$(date +%s)" -lt "$end" ]; do
    total=$(e2e_total_now)
    if [ -n "$total" ] && [ "$total" -gt "$before" ]; then
      result=$((($(date +%s%N) - start) / 1000000))
      break
    fi
  done
  touch "$stop"
  wait "$sender" 2>/dev/null
  echo "$result"
}

# No box of the program with TITLE is up.
e2e_no_window() { ! drv wait "$1" 300 >/dev/null; }

# The sums of verbrauch.csv's columns: "IN OUT OTHER TOTAL".
e2e_usage_columns() {
  python3 - "$E2E_SETTINGS_DIR/verbrauch.csv" <<'PY'
import sys
rows = [line.split(b";") for line in open(sys.argv[1], "rb").read().split(b"\r\n")[1:] if line]
print(*(sum(int(r[i]) for r in rows) for i in range(1, 5)))
PY
}
