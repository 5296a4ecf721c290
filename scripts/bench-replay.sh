#!/usr/bin/env bash
# Whole-tool benchmark of bytwacht-replay on a large generated capture file,
# side by side in one run with libpcap reading the same file the same way with
# an empty handler (the target's floor), the same read through libpcap's own
# stdio stream (the floor of earlier figures), and tshark's per-second I/O
# statistics; checks that tshark's bytes per interval equal our totals exactly.
#   scripts/bench-replay.sh [--packets N] [--rounds R (15)] [--flows F] [--ipv6 PERCENT]
#                           [--link ethernet|null|loop|raw|sll] [--before EXE] [--no-build]
# With --ipv6, that share of the flows is IPv6 and the replay classifies it
# (--local6 fd00::10). With --before, another build of bytwacht-replay (an
# older commit's, say) takes its turn in the same rounds, and its output must
# equal this build's.
# The capture file is kept in /tmp/bytwacht-bench for later runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
packets=5000000
rounds=15
flows=100000
ipv6=0
link=ethernet
build=1
before=
while [ $# -gt 0 ]; do
  case "$1" in
  --packets) packets="$2"; shift 2 ;;
  --rounds) rounds="$2"; shift 2 ;;
  --flows) flows="$2"; shift 2 ;;
  --ipv6) ipv6="$2"; shift 2 ;;
  --link) link="$2"; shift 2 ;;
  --before) before="$(realpath "$2")"; shift 2 ;;
  --no-build) build=0; shift ;;
  *) echo "usage: $0 [--packets N] [--rounds R] [--flows F] [--ipv6 P] [--link L] [--before EXE] [--no-build]" >&2; exit 2 ;;
  esac
done

bin="$root/build/native-release"
if [ "$build" = 1 ]; then
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release -j2 --target bytwacht-replay bytwacht-pcapgen pcap_read_empty >/dev/null
fi
replay="$bin/tools/bytwacht-replay"
empty="$bin/bench/pcap_read_empty"
if [ -n "$before" ] && [ ! -x "$before" ]; then
  echo "$0: $before is not an executable" >&2
  exit 2
fi

work=/tmp/bytwacht-bench
mkdir -p "$work"
capture="$work/replay-$packets-$flows-v6-$ipv6-$link.pcap"
if [ ! -s "$capture" ]; then
  echo "generating $capture ($packets packets, $flows flows, $ipv6 % IPv6, $link)"
  "$bin/tools/bytwacht-pcapgen" --packets "$packets" --flows "$flows" --pps 100000 --ipv6 "$ipv6" --link "$link" \
    "$capture.part"
  mv "$capture.part" "$capture"
fi
replay_args=(--local 192.168.1.10 --interval 1000 --avg-time 60)
[ "$ipv6" != 0 ] && replay_args+=(--local6 fd00::10)
echo "capture: $capture ($(stat -c %s "$capture") bytes, $packets packets)"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"

# CPU seconds (user + system, to the microsecond) and wall seconds of one
# command, its output discarded or kept in $2.
measure() {
  python3 - "$work" "$@" <<'PY'
import os, sys, time
work, name, out, *command = sys.argv[1:]
start = time.monotonic()
pid = os.fork()
if pid == 0:
    os.dup2(os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 1)
    os.dup2(os.open(f"{work}/stderr.{name}", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 2)
    os.execvp(command[0], command)
_, status, usage = os.wait4(pid, 0)
wall = time.monotonic() - start
with open(f"{work}/times", "a") as times:
    times.write(f"{name} {usage.ru_utime + usage.ru_stime:.6f} {wall:.6f}\n")
sys.exit(os.waitstatus_to_exitcode(status))
PY
}

: >"$work/times"
tools=(empty libpcap replay)
[ -n "$before" ] && tools+=(before)
run_tool() {
  case "$1" in
  empty) measure empty /dev/null "$empty" "$capture" ;;
  libpcap) measure libpcap /dev/null "$empty" --libpcap-stream "$capture" ;;
  replay) measure replay "$work/replay.csv" "$replay" "${replay_args[@]}" "$capture" ;;
  before) measure before "$work/before.csv" "$before" "${replay_args[@]}" "$capture" ;;
  esac
}
for round in $(seq 1 "$rounds"); do
  # The tools take turns, in an order that changes from round to round, so a
  # busy moment on the machine hits them alike; the ratios are also taken
  # within each round.
  n=${#tools[@]}
  start=$(((round - 1) % n))
  for i in $(seq 0 $((n - 1))); do
    if [ $((round % 2)) = 1 ]; then k=$(((start + i) % n)); else k=$(((start - i + n) % n)); fi
    run_tool "${tools[$k]}"
  done
  # tshark takes minutes per run, so it runs in the first round only. Its TCP
  # sequence analysis is switched off: the generated TCP segments carry no real
  # sequence numbers, and analysing them as retransmissions would multiply
  # tshark's time many times over without changing any frame's length.
  [ "$round" = 1 ] && measure tshark "$work/tshark.txt" tshark -n -o tcp.analyze_sequence_numbers:FALSE \
    -q -z io,stat,1 -r "$capture"
  echo "round $round done"
done

# Medians of each tool's CPU and wall time, then the ratios.
python3 - "$work/times" <<'PY'
import statistics, sys
cpu, wall = {}, {}
for line in open(sys.argv[1]):
    name, c, w = line.split()
    cpu.setdefault(name, []).append(float(c))
    wall.setdefault(name, []).append(float(w))
m = {n: statistics.median(v) for n, v in cpu.items()}
w = {n: statistics.median(v) for n, v in wall.items()}
print(f"\n{'tool':<40}{'CPU s (median)':>16}{'wall s (median)':>17}")
for n, label in (("empty", "libpcap read, empty handler"), ("libpcap", "the same, libpcap's own stream"),
                 ("replay", "bytwacht-replay"),
                 ("before", "bytwacht-replay --before"), ("tshark", "tshark -q -z io,stat,1 (1 run)")):
    if n in m:
        print(f"{label:<40}{m[n]:>16.3f}{w[n]:>17.3f}")
# The ratio within each round pairs runs a second apart, so it is what the
# target is judged by; the ratio of the two medians is shown beside it.
paired = sorted(r / e for r, e in zip(cpu["replay"], cpu["empty"]))
q = statistics.quantiles(paired, n=4) if len(paired) > 1 else paired * 3
ratio = statistics.median(paired)
print(f"\nbytwacht-replay vs libpcap empty read (CPU, per round): median {ratio:.3f}x (quartiles {q[0]:.3f}, {q[2]:.3f})  target <= 1.5: {'met' if ratio <= 1.5 else 'MISSED'}")
print(f"bytwacht-replay vs libpcap empty read (CPU, ratio of the medians): {m['replay'] / m['empty']:.3f}x")
print(f"bytwacht-replay vs libpcap empty read (wall): {w['replay'] / w['empty']:.3f}x")
print(f"bytwacht-replay vs tshark io,stat (CPU): {m['replay'] / m['tshark']:.3f}x   (wall {w['replay'] / w['tshark']:.3f}x)")
def per_round(a, b):
    r = sorted(x / y for x, y in zip(cpu[a], cpu[b]))
    q = statistics.quantiles(r, n=4) if len(r) > 1 else r * 3
    return f"median {statistics.median(r):.3f}x (quartiles {q[0]:.3f}, {q[2]:.3f})"
print(f"\nbytwacht-replay vs the read through libpcap's own stream (CPU, per round): {per_round('replay', 'libpcap')}")
print(f"empty read vs the same through libpcap's own stream (CPU, per round): {per_round('empty', 'libpcap')}")
if "before" in cpu:
    print(f"--before vs libpcap empty read (CPU, per round): {per_round('before', 'empty')}")
    print(f"--before vs the read through libpcap's own stream (CPU, per round): {per_round('before', 'libpcap')}")
    print(f"bytwacht-replay vs --before (CPU, per round): {per_round('replay', 'before')}")
PY

# Per-interval bytes: tshark's "| a <> b | frames | bytes |" rows against our total column.
awk -F'|' '/<>/ { gsub(/ /, "", $4); print $4 }' "$work/tshark.txt" >"$work/tshark.bytes"
awk -F',' 'NR > 1 { print $2 }' "$work/replay.csv" >"$work/replay.bytes"
intervals=$(wc -l <"$work/replay.bytes")
if cmp -s "$work/tshark.bytes" "$work/replay.bytes"; then
  echo "per-interval byte totals: all $intervals intervals agree with tshark exactly"
else
  echo "per-interval byte totals DIFFER from tshark:"
  diff "$work/tshark.bytes" "$work/replay.bytes" | head -n 10
  exit 1
fi
if [ -n "$before" ]; then
  if cmp -s "$work/before.csv" "$work/replay.csv"; then
    echo "output of --before: identical to this build's"
  else
    echo "output of --before DIFFERS from this build's:"
    diff "$work/before.csv" "$work/replay.csv" | head -n 10
    exit 1
  fi
fi
