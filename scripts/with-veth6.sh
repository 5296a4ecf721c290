#!/usr/bin/env bash
# Runs a test program beside a veth pair of its own: the host side (a fresh
# name per run, fd77:6::1/64) stays here, the peer (fd77:6::2/64) lives in the
# namespace "linktypes6", where a UDP echo server answers every datagram sent
# to port 47813 with the same bytes. The program learns the adapter from
# BYTWACHT_VETH6_DEVICE (the Linux name, or for a Windows program the name
# Wine's wpcap.dll gives it) and the peer from BYTWACHT_VETH6_PEER.
#   scripts/with-veth6.sh PROGRAM [ARGS...]
# Exit code 77 (skipped) when the pair cannot be made (not root).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
ns=linktypes6
# Wine may keep listing a re-created interface under its old name: a new name
# every run.
host_if="lt6h$(($$ % 100000))"
peer_if=lt6p

server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  ip link del "$host_if" 2>/dev/null
}
trap cleanup EXIT

ip netns del "$ns" 2>/dev/null
ip netns add "$ns" || exit 77
ip link add "$host_if" type veth peer name "$peer_if" || exit 77
ip link set "$peer_if" netns "$ns"
# No duplicate address detection: the addresses are usable at once.
ip addr add fd77:6::1/64 dev "$host_if" nodad
ip link set "$host_if" up
ip netns exec "$ns" ip addr add fd77:6::2/64 dev "$peer_if" nodad
ip netns exec "$ns" ip link set "$peer_if" up

ip netns exec "$ns" timeout 600 python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
s.bind(("fd77:6::2", 47813))
print("ready", flush=True)
while True:
    data, peer = s.recvfrom(65536)
    s.sendto(data, peer)
' >"/tmp/$host_if.server" 2>&1 &
server_pid=$!
for _ in $(seq 1 50); do
  grep -q ready "/tmp/$host_if.server" 2>/dev/null && break
  sleep 0.1
done
rm -f "/tmp/$host_if.server"

export BYTWACHT_VETH6_PEER=fd77:6::2
if [[ "$1" == *.exe ]]; then
  index=$(cat "/sys/class/net/$host_if/ifindex")
  BYTWACHT_VETH6_DEVICE=$(printf '\\Device\\NPF_{%08X-0000-0000-0000-4E6574446576}' "$index")
  export BYTWACHT_VETH6_DEVICE
  # Wine passes the environment on to the Windows program.
  "$root/scripts/wine-run.sh" "$@"
else
  export BYTWACHT_VETH6_DEVICE="$host_if"
  "$@"
fi
