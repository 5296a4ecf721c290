#!/usr/bin/env bash
# Live loss: replays known UDP frames onto a veth pair of our own namespace at
# rising rates while the engine captures the other end, and reports for each
# rate whether the counted bytes equal the frames' wire bytes exactly.
#   scripts/rel-loss.sh [--short] [--counter PROGRAM] [--wine] [RATE...]
# RATE is packets per second or "top" (as fast as tcpreplay can). --short runs
# one low rate (for CI). --wine runs a Windows counter under Wine. Needs root.
# Exit status 0 when the lowest rate counted exactly, 77 when it cannot run.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ns=bwr-ns
host_if=bwr0
peer_if=bwr1
work=$(mktemp -d /tmp/bwr-loss.XXXXXX)

counter=""
wine=0
rates=()
while [ $# -gt 0 ]; do
  case "$1" in
  --short) rates=(2000) ;;
  --counter) counter="$2"; shift ;;
  --wine) wine=1 ;;
  -*) echo "rel-loss.sh: unknown option $1" >&2; exit 2 ;;
  *) rates+=("$1") ;;
  esac
  shift
done
[ ${#rates[@]} -eq 0 ] && rates=(1000 5000 10000 20000 50000 100000 200000 top)
if [ -z "$counter" ]; then
  if [ $wine -eq 1 ]; then counter="$root/build/windows/tests/capture/rel_live_count.exe"
  else counter="$root/build/native-release/tests/capture/rel_live_count"; fi
fi

[ "$(id -u)" -eq 0 ] || { echo "rel-loss.sh: needs root"; exit 77; }
command -v tcpreplay >/dev/null || { echo "rel-loss.sh: tcpreplay missing"; exit 77; }
[ -x "$counter" ] || { echo "rel-loss.sh: counter $counter not built"; exit 77; }

receiver_pid=""
cleanup() {
  [ -n "$receiver_pid" ] && kill "$receiver_pid" 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  ip link del "$host_if" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh pair; nothing but the replayed frames may cross it, so IPv6 (router
# and neighbour solicitations) is off and a receiver takes the datagrams (no
# ICMP answers, hence no ARP either).
ip netns del "$ns" 2>/dev/null
ip link del "$host_if" 2>/dev/null
ip netns add "$ns" || exit 77
ip link add "$host_if" type veth peer name "$peer_if" || exit 77
ip link set "$peer_if" netns "$ns"
sysctl -qw "net.ipv6.conf.$host_if.disable_ipv6=1"
ip netns exec "$ns" sysctl -qw "net.ipv6.conf.$peer_if.disable_ipv6=1"
ip addr add 10.212.0.1/24 dev "$host_if"
ip link set "$host_if" up
ip netns exec "$ns" ip addr add 10.212.0.2/24 dev "$peer_if"
ip netns exec "$ns" ip link set "$peer_if" up
ip netns exec "$ns" ip link set lo up

timeout 3600 python3 -c '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 22)
s.bind(("10.212.0.1", 9999))
while True:
    s.recv(65536)
' &
receiver_pid=$!

host_mac=$(cat "/sys/class/net/$host_if/address")
peer_mac=$(ip netns exec "$ns" cat "/sys/class/net/$peer_if/address")
sleep 1

device="$host_if"
run_counter=("$counter")
if [ $wine -eq 1 ]; then
  . "$root/scripts/wine-env.sh"
  bytwacht_ensure_display
  bytwacht_ensure_prefix
  # Wine names adapters by the Linux interface index.
  index=$(cat "/sys/class/net/$host_if/ifindex")
  device=$(printf '\\Device\\NPF_{%08X-0000-0000-0000-4E6574446576}' "$index")
  run_counter=(wine "$counter")
fi

echo "rate_pps,frames,wire_bytes,counted_bytes,counted_packets,sent_pps,sent_mbps,result"
first_ok=""
best=""
for rate in "${rates[@]}"; do
  if [ "$rate" = top ]; then frames=300000; speed=(--topspeed); else
    frames=$((rate * 3))
    [ $frames -lt 3000 ] && frames=3000
    [ $frames -gt 300000 ] && frames=300000
    speed=(--pps="$rate")
  fi
  read -r _ wire < <(python3 "$root/scripts/rel-make-pcap.py" "$work/frames.pcap" "$frames" "$host_mac" "$peer_mac")

  timeout --signal=KILL 420 "${run_counter[@]}" "$device" --quiet-seconds 3 --max-seconds 300 \
    >"$work/count.txt" 2>"$work/count.err" &
  counter_pid=$!
  for _ in $(seq 1 300); do
    grep -q ready "$work/count.txt" 2>/dev/null && break
    kill -0 $counter_pid 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q ready "$work/count.txt"; then
    echo "$rate,$frames,$wire,,,,,counter failed: $(tail -n 1 "$work/count.err")"
    wait $counter_pid
    continue
  fi
  ip netns exec "$ns" timeout 600 tcpreplay --preload-pcap -i "$peer_if" "${speed[@]}" "$work/frames.pcap" >"$work/replay.txt" 2>&1
  wait $counter_pid
  counted=$(sed -n 's/.*bytes=\([0-9]*\).*/\1/p' "$work/count.txt")
  packets=$(sed -n 's/.*packets=\([0-9]*\).*/\1/p' "$work/count.txt")
  sent_pps=$(sed -n 's/.*Rated: .*, \([0-9.]*\) pps.*/\1/p' "$work/replay.txt" | head -n 1)
  sent_mbps=$(sed -n 's/.*Rated: [0-9.]* Bps, \([0-9.]*\) Mbps.*/\1/p' "$work/replay.txt" | head -n 1)
  if [ "$counted" = "$wire" ]; then
    result=exact
    best="$rate ($sent_pps pps sent)"
    [ -z "$first_ok" ] && first_ok=yes
  else
    result="lost $((wire - ${counted:-0})) bytes"
    [ -z "$first_ok" ] && first_ok=no
  fi
  echo "$rate,$frames,$wire,${counted:-?},${packets:-?},${sent_pps:-?},${sent_mbps:-?},$result"
done
echo "highest exact rate: ${best:-none}"
[ "$first_ok" = yes ]
