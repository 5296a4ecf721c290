"""The measuring half of scripts/bench-live.sh (which prepares the network and
the Wine prefixes and passes their names): starts both programs, runs the
phases, reads every thread's scheduler statistics from /proc and prints the
figures and the ratios."""
import argparse
import os
import re
import subprocess
import sys
import threading
import time

p = argparse.ArgumentParser()
for name in ("work", "app", "bare", "driver", "gen", "ns", "peer", "device", "app-display", "bare-display", "ini"):
    p.add_argument("--" + name, required=True)
p.add_argument("--seconds", type=float, default=30)
p.add_argument("--rate", type=int, default=10000)
p.add_argument("--max-rate", type=int, default=50000)
p.add_argument("--frame", type=int, default=100)
a = p.parse_args()

APP_PREFIX = os.path.join(a.work, "app-prefix")
# The kernel names a Wine process after its program's file, cut to 15 characters.
APP_COMM = os.path.basename(a.app)[:15]
BARE_COMM = os.path.basename(a.bare)[:15]
BARE_PREFIX = os.path.join(a.work, "bare-prefix")


def env(prefix, display, debug="-all"):
    e = dict(os.environ)
    e.update(WINEPREFIX=prefix, DISPLAY=display, WINEDEBUG=debug)
    return e


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1")
    except OSError:
        return ""


def prefix_pids(prefix):
    """Every process of one Wine prefix (the wineserver included), by comm."""
    want = ("WINEPREFIX=" + prefix).encode()
    found = {}
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            with open(f"/proc/{d}/environ", "rb") as f:
                if want not in f.read().split(b"\0"):
                    continue
        except OSError:
            continue
        found[int(d)] = read(f"/proc/{d}/comm").strip()
    return found


def snapshot(prefix):
    """{pid: (comm, rss_kib, {tid: (comm, cpu_ns, voluntary, involuntary)})} and the time."""
    out = {}
    for pid, comm in prefix_pids(prefix).items():
        status = read(f"/proc/{pid}/status")
        m = re.search(r"VmRSS:\s+(\d+)", status)
        rss = int(m.group(1)) if m else 0
        threads = {}
        try:
            tids = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for t in tids:
            base = f"/proc/{pid}/task/{t}"
            sched = read(base + "/schedstat").split()
            st = read(base + "/status")
            v = re.search(r"^voluntary_ctxt_switches:\s+(\d+)", st, re.M)
            n = re.search(r"^nonvoluntary_ctxt_switches:\s+(\d+)", st, re.M)
            if not sched or not v:
                continue
            threads[int(t)] = (read(base + "/comm").strip(), int(sched[0]), int(v.group(1)), int(n.group(1)))
        out[pid] = (comm, rss, threads)
    return out, time.monotonic()


def delta(before, after):
    """Per process: comm, rss at the end, {tid: (comm, cpu s, wakes, involuntary)} over the phase."""
    (b, tb), (e, te) = before, after
    result = {}
    for pid, (comm, rss, threads) in e.items():
        old = b.get(pid, (comm, 0, {}))[2]
        d = {}
        for tid, (tcomm, cpu, vol, inv) in threads.items():
            o = old.get(tid, (tcomm, 0, 0, 0))
            d[tid] = (tcomm, (cpu - o[1]) / 1e9, vol - o[2], inv - o[3])
        result[pid] = (comm, rss, d)
    return result, te - tb


class Program:
    """A Windows program; its Wine messages go to a file, read as they come
    (a pipe would be inherited by Wine's own processes and never end)."""

    def __init__(self, name, command, prefix, display, stdin=None, stdout=subprocess.DEVNULL, debug="-all"):
        self.name, self.prefix = name, prefix
        self.log = os.path.join(a.work, name + ".log")
        self.stamps = []  # (time, line of the Wine messages)
        self.done = False
        with open(self.log, "w") as log:
            self.proc = subprocess.Popen(["wine"] + command, env=env(prefix, display, debug), stdin=stdin,
                                         stdout=stdout, stderr=log, text=True, errors="replace")
        # Only a traced start is followed: polling the file would load the machine.
        if debug != "-all":
            threading.Thread(target=self._follow, daemon=True).start()

    def _follow(self):
        with open(self.log, errors="replace") as f:
            pending = ""
            while not self.done:
                chunk = f.read()
                if not chunk:
                    if self.proc.poll() is not None:
                        break
                    time.sleep(0.005)
                    continue
                now = time.monotonic()
                pending += chunk
                *lines, pending = pending.split("\n")
                self.stamps.extend((now, line) for line in lines)

    def pid(self, comm):
        for pid, c in prefix_pids(self.prefix).items():
            if c.startswith(comm):
                return pid
        return None


def drv(prefix, display, *args, timeout=120):
    out = os.path.join(a.work, "driver.out")
    with open(out, "w") as f:
        r = subprocess.run(["wine", a.driver, *args], env=env(prefix, display), stdout=f,
                           stderr=subprocess.DEVNULL, timeout=timeout)
    return r.returncode, read(out).replace("\r", "")


def wait_gone(prog, limit=30):
    try:
        prog.proc.wait(limit)
    except subprocess.TimeoutExpired:
        pass


# --- start-up: a cold start in the fresh prefix, then a warm one --------------
def start_app(debug):
    t0 = time.monotonic()
    prog = Program("bytwacht", [a.app], APP_PREFIX, a.app_display, debug=debug)
    code, _ = drv(APP_PREFIX, a.app_display, "wait", "Bytwacht", "60000")
    shown = time.monotonic() - t0
    return prog, t0, shown if code == 0 else None


def open_times(prog, t0):
    opened = filtered = None
    for t, line in prog.stamps:
        if opened is None and re.search(r"pcap_open\b|wrap_open|open_live", line):
            opened = t - t0
        if re.search(r"setfilter", line):
            filtered = t - t0
    return opened, filtered


startup = []
for kind in ("cold (fresh prefix)", "warm (wineserver running)"):
    prog, t0, shown = start_app("+wpcap")
    time.sleep(4)
    opened, filtered = open_times(prog, t0)
    startup.append((kind, shown, opened, filtered))
    drv(APP_PREFIX, a.app_display, "close")
    wait_gone(prog)

# --- the phases --------------------------------------------------------------
bare = Program("bare", [a.bare, a.device, "not arp", "0"], BARE_PREFIX, a.bare_display, stdin=subprocess.PIPE,
               stdout=subprocess.PIPE)
ready = bare.proc.stdout.readline().strip()
if ready != "ready":
    sys.exit(f"bench-live: the bare program did not start: {ready!r} {bare.stamps[-5:]}")
app, _, _ = start_app("-all")
time.sleep(10)  # the prefixes' services settle, the window's fade is over


def bare_count():
    bare.proc.stdin.write("count\n")
    bare.proc.stdin.flush()
    return int(bare.proc.stdout.readline().strip())


def generate(pps, seconds):
    r = subprocess.run(["ip", "netns", "exec", a.ns, a.gen, a.peer, str(pps), str(seconds), str(a.frame)],
                       capture_output=True, text=True)
    m = re.search(r"sent (\d+) in ([\d.]+) s \((\d+)/s", r.stdout)
    if not m:
        sys.exit("bench-live: generator failed: " + r.stdout + r.stderr)
    return int(m.group(1)), float(m.group(3))


phases = [("rest", 0), (f"{a.rate}/s", a.rate), (f"{a.max_rate}/s", a.max_rate)]
results = []
count_before = bare_count()
for name, pps in phases:
    load = os.getloadavg()[0]
    sa, sb = snapshot(APP_PREFIX), snapshot(BARE_PREFIX)
    if pps:
        sent, held = generate(pps, a.seconds)
    else:
        time.sleep(a.seconds)
        sent, held = 0, 0
    ea, eb = snapshot(APP_PREFIX), snapshot(BARE_PREFIX)
    time.sleep(2.5)  # the last interval closes, the last packets are read
    count_after = bare_count()
    results.append(dict(name=name, pps=pps, sent=sent, held=held, load=load, app=delta(sa, ea),
                        bare=delta(sb, eb), bare_counted=count_after - count_before))
    count_before = count_after

# What wakes the window thread at rest: its system calls for a few seconds
# (after the measured phases, as tracing slows the thread down).
window_pid = app.pid(APP_COMM)
trace = os.path.join(a.work, "window-thread.strace")
if window_pid and subprocess.run(["which", "strace"], capture_output=True).returncode == 0:
    subprocess.run(["timeout", "-s", "INT", "6", "strace", "-tt", "-p", str(window_pid), "-o", trace],
                   capture_output=True)

drv(APP_PREFIX, a.app_display, "close")
wait_gone(app)
ini = read(a.ini)
m = re.search(r"^BytesTransmitted=(\d+)", ini, re.M)
app_bytes = int(m.group(1)) if m else -1
bare.proc.stdin.write("quit\n")
bare.proc.stdin.flush()
wait_gone(bare)


# --- the report ----------------------------------------------------------------
def split(d, program_comm):
    """CPU seconds of the program, of the wineserver and of the prefix's other processes."""
    procs, _ = d
    prog = server = other = 0.0
    rss = 0
    threads = {}
    main = None
    for pid, (comm, r, ts) in procs.items():
        cpu = sum(t[1] for t in ts.values())
        if comm.startswith(program_comm):
            prog += cpu
            rss = r
            threads = ts
            main = pid
        elif comm.startswith("wineserver"):
            server += cpu
        else:
            other += cpu
    return prog, server, other, rss, threads, main


print()
print("start-up of bytwacht.exe (seconds from `wine bytwacht.exe`):")
print("  start                       window shown  adapter open  filter set  first sample (filter + 1 interval)")
for kind, shown, opened, filtered in startup:
    f = lambda x: f"{x:10.2f}" if x is not None else "         -"
    print(f"  {kind:27} {f(shown)}    {f(opened)}  {f(filtered)}  {f(filtered + 1.0 if filtered else None)}")

print()
print("per phase: CPU seconds (program / its wineserver / the prefix's other Wine processes), % of a core")
print("for program + wineserver, resident MiB, wake-ups per second of the program's threads")
rows = {}
for r in results:
    for key, comm in (("app", APP_COMM), ("bare", BARE_COMM)):
        prog, server, other, rss, threads, main = split(r[key], comm)
        wall = r[key][1]
        rows[(r["name"], key)] = dict(prog=prog, server=server, other=other, wall=wall, rss=rss, threads=threads,
                                      main=main)
        print(f"  {r['name']:>8} {key:4}  {prog:8.3f} / {server:7.3f} / {other:7.3f} s   "
              f"{100 * (prog + server) / wall:6.3f} %   {rss / 1024:6.1f} MiB   (load {r['load']:.2f})")

# Bytwacht's threads: the main thread runs the window; the one busiest at the
# highest rate is the capture thread, and the next one it made is the sampler.
top = results[-1]["name"]
app_threads = rows[(top, "app")]["threads"]
busiest = max(app_threads.items(), key=lambda kv: kv[1][1])[0] if app_threads else None
later = sorted(t for t in app_threads if busiest is not None and t > busiest)
sampler = later[0] if later else None
bare_threads = rows[(top, "bare")]["threads"]
bare_busiest = max(bare_threads.items(), key=lambda kv: kv[1][1])[0] if bare_threads else None


def label(key, tid, main, comm):
    if tid == main:
        return "window" if key == "app" else "main"
    if key == "app" and tid == busiest:
        return "capture"
    if key == "app" and tid == sampler:
        return "sampler"
    if key == "bare" and tid == bare_busiest:
        return "capture"
    return comm

print()
print("each thread: wake-ups per second (voluntary context switches), CPU ms per second")
for key in ("app", "bare"):
    main = rows[("rest", key)]["main"]
    for r in results:
        ts = rows[(r["name"], key)]["threads"]
        wall = rows[(r["name"], key)]["wall"]
        parts = []
        for tid in sorted(ts):
            comm, cpu, vol, inv = ts[tid]
            parts.append(f"{tid}:{label(key, tid, main, comm)} {vol / wall:.1f}/s {1000 * cpu / wall:.2f}ms")
        print(f"  {key:4} {r['name']:>8}  " + "; ".join(parts))

print()
print("packets: sent, counted by the bare program, held rate")
for r in results:
    print(f"  {r['name']:>8}  sent {r['sent']:9d}  bare {r['bare_counted']:9d}  held {r['held']:.0f}/s")
sent_total = sum(r["sent"] for r in results)
print(f"  bytwacht counted {app_bytes} bytes = {app_bytes / a.frame:.0f} frames of {a.frame} bytes, "
      f"sent {sent_total} (every packet: {'yes' if app_bytes == sent_total * a.frame else 'NO'})")

print()
print("ratios (Bytwacht against the bare program, measured side by side in this run)")
rest_app, rest_bare = rows[("rest", "app")], rows[("rest", "bare")]
ca = 100 * (rest_app["prog"] + rest_app["server"]) / rest_app["wall"]
cb = 100 * (rest_bare["prog"] + rest_bare["server"]) / rest_bare["wall"]
print(f"  at rest, program + wineserver: {ca:.3f} % against {cb:.3f} % of a core: "
      f"+{ca - cb:.3f} points (target <= 0.05)")
pa = 100 * rest_app["prog"] / rest_app["wall"]
pb = 100 * rest_bare["prog"] / rest_bare["wall"]
print(f"  at rest, program alone:        {pa:.3f} % against {pb:.3f} %: +{pa - pb:.3f} points")


def marginal(row, rest, sent, with_server):
    cpu = row["prog"] + (row["server"] if with_server else 0)
    base = (rest["prog"] + (rest["server"] if with_server else 0)) / rest["wall"] * row["wall"]
    return (cpu - base) / sent * 1e6 if sent else float("nan")


for r in results[1:]:
    for with_server, what in ((False, "program"), (True, "program + wineserver")):
        ma = marginal(rows[(r["name"], "app")], rest_app, r["sent"], with_server)
        mb = marginal(rows[(r["name"], "bare")], rest_bare, r["sent"], with_server)
        target = " (target <= 1.2x)" if r is results[-1] and not with_server else ""
        print(f"  {r['name']:>8} marginal us per packet, {what:21} {ma:6.3f} against {mb:6.3f}: "
              f"{ma / mb:5.2f}x{target}")

if os.path.exists(trace):
    calls = {}
    # Under Wine every request to the wineserver blocks on its reply and
    # counts as a voluntary switch, so the switches above overstate how often
    # the thread is woken. A wake is a burst of calls after a quiet gap.
    bursts = []
    last = None
    for line in open(trace):
        m = re.match(r"(\d+):(\d+):([\d.]+) (\w+)\(", line)
        if not m:
            continue
        calls[m.group(4)] = calls.get(m.group(4), 0) + 1
        t = int(m.group(1)) * 3600 + int(m.group(2)) * 60 + float(m.group(3))
        if last is None or t - last > 0.05:
            bursts.append([t, 0])
        bursts[-1][1] += 1
        last = t
    print()
    print(f"window thread at rest, system calls in 6 s (strace, {trace}): " +
          ", ".join(f"{k} {v}" for k, v in sorted(calls.items(), key=lambda kv: -kv[1])))
    # The first burst is cut: the trace began inside it or inside the wait.
    whole = bursts[1:]
    if len(whole) >= 2:
        span = whole[-1][0] - whole[0][0]
        print(f"window thread at rest: {len(whole) - 1} wakes in {span:.1f} s ({(len(whole) - 1) / span:.1f}/s; "
              f"a wake is a burst of system calls after 50 ms without one), "
              f"{sum(b[1] for b in whole) / len(whole):.0f} calls each")
