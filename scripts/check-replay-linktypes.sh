#!/usr/bin/env bash
# bytwacht-replay against tshark on generated captures of every link type the
# accounting knows (Ethernet, DLT_NULL, DLT_LOOP, raw IP, Linux cooked), half
# of the flows IPv6, and on one of them converted to pcapng: per one-second
# interval the total, incoming and outgoing bytes must be the same.
#   scripts/check-replay-linktypes.sh TOOLS_DIR [PACKETS (20000)]
# TOOLS_DIR holds bytwacht-replay and bytwacht-pcapgen.
set -euo pipefail
tools="$1"
packets="${2:-20000}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

local4=192.168.1.10
local6=fd00::10
# tshark's columns: every frame, then incoming (to a local address), then
# outgoing (from one, to none); the generated TCP segments carry no real
# sequence numbers, so tshark's analysis of them is switched off.
in_filter="ip.dst==$local4 or ipv6.dst==$local6"
out_filter="(ip.src==$local4 and !(ip.dst==$local4)) or (ipv6.src==$local6 and !(ipv6.dst==$local6))"

check() { # check NAME FILE
  tshark -n -o tcp.analyze_sequence_numbers:FALSE -q -r "$2" -z "io,stat,1,frame,$in_filter,$out_filter" \
    2>/dev/null | awk -F'|' '/<>/ { gsub(/ /, ""); print $4 "," $6 "," $8 }' >"$work/tshark.txt"
  "$tools/bytwacht-replay" --local "$local4" --local6 "$local6" --avg-time 0 "$2" |
    awk -F',' 'NR > 1 { print $2 "," $3 "," $4 }' >"$work/replay.txt"
  local intervals
  intervals=$(wc -l <"$work/replay.txt")
  if [ "$intervals" -gt 1 ] && cmp -s "$work/tshark.txt" "$work/replay.txt"; then
    echo "$1: all $intervals intervals agree with tshark (total, in, out)"
    return 0
  fi
  echo "$1: DIFFERS from tshark (total,in,out per interval; < tshark, > replay):"
  diff "$work/tshark.txt" "$work/replay.txt" | head -n 10
  return 1
}

status=0
for link in ethernet null loop raw sll; do
  "$tools/bytwacht-pcapgen" --packets "$packets" --flows 500 --pps 2000 --ipv6 50 --link "$link" \
    "$work/$link.pcap"
  check "$link" "$work/$link.pcap" || status=1
done
editcap -F pcapng "$work/loop.pcap" "$work/loop.pcapng"
check "loop as pcapng" "$work/loop.pcapng" || status=1
exit $status
