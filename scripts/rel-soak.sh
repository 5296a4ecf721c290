#!/usr/bin/env bash
# Soak under Wine: bytwacht.exe captures loopback traffic for a while with the
# mouse moving over the graph (hover read-out), while the process's memory,
# threads, file descriptors and top-level windows are sampled. Passes when none
# of them grows beyond what the traffic history itself needs.
#   scripts/rel-soak.sh [--minutes N] [--exe PATH]
# Writes build/soak/soak.csv and prints a summary. Needs root (capture).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
minutes=10
exe="$root/build/windows/app/bytwacht.exe"
while [ $# -gt 0 ]; do
  case "$1" in
  --minutes) minutes="$2"; shift ;;
  --exe) exe="$2"; shift ;;
  *) echo "rel-soak.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -f "$exe" ] || { echo "rel-soak.sh: $exe not built"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "rel-soak.sh: needs root"; exit 77; }

# A prefix and a screen of our own, so that the settings file and the mouse
# belong to this run alone.
BYTWACHT_WINEPREFIX=/tmp/bwr-soak-wine
. "$root/scripts/wine-env.sh"
out="$root/build/soak"
mkdir -p "$out"
csv="$out/soak.csv"

pids=()
cleanup() {
  wineserver -k 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
}
trap cleanup EXIT

bytwacht_use_display :97 || exit 1
[ -n "$BYTWACHT_XVFB_PID" ] && pids+=("$BYTWACHT_XVFB_PID")
bytwacht_make_prefix "$WINEPREFIX"

# Loopback is adapter 1 under Wine; only our datagrams are counted.
appdata="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Bytwacht"
mkdir -p "$appdata"
printf '%s\r\n' 'DeviceName=\Device\NPF_{00000001-0000-0000-0000-4E6574446576}' 'BytesTransmitted=0' \
  'AvgTime=60' 'Interval=1000' 'CaptureFilter=udp port 9997' 'PromiscuousMode=0' 'WindowPosX=0' \
  'WindowPosY=0' 'WindowWidth=300' 'WindowHeight=100' 'IsPopup=1' 'IsMaximized=0' 'IsVisible=1' \
  'Alpha=255' 'AlwaysOnTop=1' 'UseGradients=1' 'FadeOnHover=1' 'ShowInOut=1' >"$appdata/bytwacht.ini"

seconds=$((minutes * 60))
# Traffic: 200 datagrams a second of changing sizes to a bound receiver.
timeout $((seconds + 120)) python3 -c '
import socket, time, sys
r = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); r.bind(("127.0.0.1", 9997)); r.setblocking(False)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + float(sys.argv[1]); i = 0
while time.time() < end:
    s.sendto(b"x" * (20 + (i * 37) % 1400), ("127.0.0.1", 9997)); i += 1
    try:
        while True: r.recv(65536)
    except BlockingIOError: pass
    time.sleep(0.005)
' "$((seconds + 60))" &
pids+=($!)

# A name of its own, so that its process is told apart from other runs of the
# program (Wine rewrites a process's command line and environment).
cp "$exe" "$WINEPREFIX/drive_c/bwr-soak-bytwacht.exe"
wine "$WINEPREFIX/drive_c/bwr-soak-bytwacht.exe" >/dev/null 2>&1 &
pids+=($!)
sleep 5
# The Linux process that runs the program (the loader process goes).
pid=""
for _ in $(seq 1 300); do
  pid=$(pgrep -f 'bwr-soak-bytwacht\.exe' | while read -r p; do
    [ "$(awk '/^Threads/ {print $2}' "/proc/$p/status" 2>/dev/null)" -gt 1 ] 2>/dev/null && echo "$p"
  done | head -n 1)
  [ -n "$pid" ] && break
  sleep 0.2
done
[ -n "$pid" ] || { echo "rel-soak.sh: the program did not start"; exit 1; }

# The mouse wanders over the graph so that the read-out is painted again and again.
(
  end=$((SECONDS + seconds))
  x=5
  while [ $SECONDS -lt $end ]; do
    xdotool mousemove $((x % 290 + 5)) 50 2>/dev/null
    x=$((x + 13))
    sleep 0.2
  done
  xdotool mousemove 600 600 2>/dev/null
) &
pids+=($!)

echo "second,rss_kb,data_kb,threads,fds,windows" >"$csv"
start=$SECONDS
while :; do
  kill -0 "$pid" 2>/dev/null || { echo "rel-soak.sh: the program ended during the soak"; exit 1; }
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  data=$(awk '/^VmData/ {print $2}' "/proc/$pid/status")
  threads=$(awk '/^Threads/ {print $2}' "/proc/$pid/status")
  fds=$(ls "/proc/$pid/fd" | wc -l)
  windows=$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)
  echo "$((SECONDS - start)),$rss,$data,$threads,$fds,$windows" | tee -a "$csv"
  left=$((seconds - (SECONDS - start)))
  [ $left -le 0 ] && break
  sleep $((left < 30 ? left : 30))
done

# From the second minute on (the program has warmed up) to the end.
python3 - "$csv" "$seconds" <<'PY'
import csv, sys
rows = [r for r in csv.DictReader(open(sys.argv[1]))]
base = next((r for r in rows if int(r["second"]) >= 60), rows[0])
last = rows[-1]
samples = int(last["second"]) - int(base["second"])  # one history record a second
allow_kb = samples * 256 / 1024 + 2048  # 256 bytes a record, 2 MiB of allocator slack
grow = {k: int(last[k]) - int(base[k]) for k in ("rss_kb", "data_kb", "threads", "fds", "windows")}
ok = grow["rss_kb"] <= allow_kb and grow["threads"] <= 0 and grow["fds"] <= 0 and grow["windows"] <= 0
print("soak %s s: rss %+d kB, data %+d kB (allowed %d kB for %d records), threads %+d, fds %+d, windows %+d: %s"
      % (last["second"], grow["rss_kb"], grow["data_kb"], allow_kb, samples, grow["threads"], grow["fds"],
         grow["windows"], "PASS" if ok else "FAIL"))
sys.exit(0 if ok else 1)
PY
