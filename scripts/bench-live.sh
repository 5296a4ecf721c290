#!/usr/bin/env bash
# What the running bytwacht.exe costs, side by side with the least any pcap
# meter must do (bench/bare_capture.cpp), both under Wine capturing the same
# veth at the same time.
#
#   flock /tmp/bytwacht-suite.lock scripts/bench-live.sh [--seconds 30] [--rate 10000]
#        [--max-rate 50000] [--frame 100] [--app EXE] [--no-build] [--keep]
#   scripts/bench-live.sh --check      builds the programs and checks this script only
#
# A veth pair (bwperf0 here, bwperf1 in the network namespace bwperf) carries
# frames written by bench/live_traffic at a fixed rate. Each program runs in a
# fresh Wine prefix of its own on an Xvfb screen of its own, so that each
# wineserver is counted for its program; Bytwacht with its window visible and
# Interval 1000. Phases: at rest, at --rate and at --max-rate packets/s. Per
# program and phase: CPU seconds of every thread (from the scheduler's
# statistics, nanoseconds) and of the prefix's wineserver and other Wine
# processes, voluntary context switches (wake-ups) per thread, resident memory,
# packets counted against packets sent. Then the ratios.
#
# Uses Wine, a veth and a network namespace: hold the suite lock.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=30
rate=10000
max_rate=50000
frame=100
build=1
keep=0
check=0
app=
while [ $# -gt 0 ]; do
  case "$1" in
  --seconds) seconds="$2"; shift 2 ;;
  --rate) rate="$2"; shift 2 ;;
  --max-rate) max_rate="$2"; shift 2 ;;
  --frame) frame="$2"; shift 2 ;;
  --no-build) build=0; shift ;;
  --keep) keep=1; shift ;;
  --app) app="$(realpath "$2")"; shift 2 ;; # another build of bytwacht.exe
  --check) check=1; shift ;;
  *) sed -n '2,20p' "$0" >&2; exit 2 ;;
  esac
done

win="$root/build/windows"
native="$root/build/native-release"
if [ "$build" = 1 ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2 --target bytwacht bare_capture bytwacht-e2e-driver >/dev/null
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release -j2 --target live_traffic >/dev/null
fi
app="${app:-$win/app/bytwacht.exe}"
bare="$win/bench/bare_capture.exe"
driver="$win/tests/e2e/bytwacht-e2e-driver.exe"
gen="$native/bench/live_traffic"
for f in "$app" "$bare" "$driver" "$gen"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "bench-live: $f is missing" >&2; exit 1; }
done
if [ "$check" = 1 ]; then
  bash -n "$0"
  python3 -c "import ast,sys; ast.parse(open(sys.argv[1]).read())" "$root/scripts/bench_live.py"
  echo "bench-live: programs built, scripts parse"
  exit 0
fi

ns=bwperf
host_if=bwperf0
peer_if=bwperf1
work=/tmp/bytwacht-perf-bench
app_display=:117
bare_display=:118

. "$root/scripts/wine-env.sh"
export WINEDEBUG=-all

cleanup() {
  for p in "$work/app-prefix" "$work/bare-prefix"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null || true
  done
  ip netns del "$ns" 2>/dev/null || true
  ip link del "$host_if" 2>/dev/null || true
  if [ "$keep" = 0 ]; then rm -rf "$work/app-prefix" "$work/bare-prefix"; fi
}
trap cleanup EXIT

# The network: quiet unless the generator writes (no IPv6, so no router or
# neighbour solicitations; no address on the namespace side's routes).
ip netns del "$ns" 2>/dev/null || true
ip link del "$host_if" 2>/dev/null || true
ip netns add "$ns"
ip link add "$host_if" type veth peer name "$peer_if"
ip link set "$peer_if" netns "$ns"
sysctl -qw "net.ipv6.conf.$host_if.disable_ipv6=1"
ip netns exec "$ns" sysctl -qw "net.ipv6.conf.$peer_if.disable_ipv6=1"
ip addr add 10.117.0.1/24 dev "$host_if"
ip link set "$host_if" up
ip netns exec "$ns" ip addr add 10.117.0.2/24 dev "$peer_if"
ip netns exec "$ns" ip link set "$peer_if" up
ip netns exec "$ns" ip link set lo up
index=$(cat "/sys/class/net/$host_if/ifindex")
device=$(printf '\\Device\\NPF_{%08X-0000-0000-0000-4E6574446576}' "$index")

# One prepared prefix (a virtual desktop with a taskbar, as the end-to-end
# tests use), copied fresh for each program.
mkdir -p "$work"
template="$work/template"
bytwacht_xvfb "$app_display"
(export DISPLAY="$app_display"; bytwacht_make_prefix "$template" desktop)
for p in app bare; do
  rm -rf "$work/$p-prefix"
  cp -a "$template" "$work/$p-prefix"
done
bytwacht_xvfb "$bare_display"
# Each prefix's server is up before its program, and holds none of the
# descriptors the measuring script talks to its programs through.
for p in app bare; do
  (export WINEPREFIX="$work/$p-prefix"; bytwacht_exec_clean wineserver -p </dev/null >/dev/null 2>&1)
done

settings_dir="$work/app-prefix/drive_c/users/$USER/AppData/Roaming/Bytwacht"
mkdir -p "$settings_dir"
printf '%s\r\n' "DeviceName=$device" BytesTransmitted=0 AvgTime=60 Interval=1000 "CaptureFilter=not arp" \
  PromiscuousMode=0 WindowPosX=40 WindowPosY=40 WindowWidth=400 WindowHeight=160 IsPopup=0 IsMaximized=0 \
  IsVisible=1 Alpha=255 AlwaysOnTop=0 UseGradients=0 FadeOnHover=1 ShowInOut=1 >"$settings_dir/bytwacht.ini"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(wine --version 2>/dev/null)"
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "adapter: $host_if = $device"
echo "bytwacht: $app"

python3 "$root/scripts/bench_live.py" --work "$work" --app "$app" --bare "$bare" --driver "$driver" \
  --gen "$gen" --ns "$ns" --peer "$peer_if" --device "$device" --app-display "$app_display" \
  --bare-display "$bare_display" --ini "$settings_dir/bytwacht.ini" --seconds "$seconds" --rate "$rate" \
  --max-rate "$max_rate" --frame "$frame"
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
