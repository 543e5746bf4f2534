#!/usr/bin/env python3
"""Resident memory of the program over a long run with the virtual mouse reporting fast.

Starts build/bin/talvik-mouse --simulate=LINK on a private X server (Xvfb) with a fresh home, and
tells the virtual mouse through its control FIFO (TALVIK_SIM_CONTROL) to beat every --period-ms
(1 ms: 1,000 reports a second into the reader thread and on to the UI thread). Samples VmRSS,
open files, threads and CPU time once per --interval seconds for --minutes, and prints
first/last/max and the growth from the first sample taken after --warmup minutes.

The rate is checked from outside: the context switches of the whole process per second (the
mouse's beat thread, the reader and the UI thread each wake once per report) are printed with
every sample.

    nice -n 19 bench/scripts/rss_soak.py --bindir build/bin --minutes 60
"""

import argparse
import glob
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def status_field(pid, name):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    raise RuntimeError(f"{name} missing from /proc/{pid}/status")


def switches(pid):
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/status"):
        try:
            with open(path) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass  # a thread ended between the listing and the read
    return total


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def sample(pid):
    return {
        "rss_kb": status_field(pid, "VmRSS"),
        "fds": len(os.listdir(f"/proc/{pid}/fd")),
        "threads": len(os.listdir(f"/proc/{pid}/task")),
        "switches": switches(pid),
        "cpu": cpu_seconds(pid),
        "time": time.monotonic(),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build/bin")
    parser.add_argument("--link", default="24g", choices=["24g", "4k", "4kb"])
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--interval", type=float, default=60, help="seconds between samples")
    parser.add_argument("--warmup", type=float, default=2,
                        help="minutes before the baseline sample for the growth figure")
    parser.add_argument("--period-ms", type=int, default=1)
    args = parser.parse_args()

    server = harness.XServer()
    with tempfile.TemporaryDirectory(prefix="talvik-rss-soak-") as home:
        env = harness.program_env(server, home,
                                  {"TALVIK_SIM_CONTROL": os.path.join(home, "control")})
        argv = [os.path.join(args.bindir, "talvik-mouse"), f"--simulate={args.link}"]
        process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        samples = []
        try:
            deadline = time.monotonic() + 30
            while not os.path.exists(env["TALVIK_SIM_CONTROL"]):
                if process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the program did not open its control FIFO")
                time.sleep(0.2)
            time.sleep(2)  # let the window come up before the flood starts
            fd = os.open(env["TALVIK_SIM_CONTROL"], os.O_WRONLY | os.O_NONBLOCK)
            os.write(fd, f"heartbeat {args.period_ms}\n".encode())
            os.close(fd)
            time.sleep(2)  # the old one-second beat ends first
            end = time.monotonic() + args.minutes * 60
            while True:
                if process.poll() is not None:
                    raise RuntimeError(f"the program exited with {process.returncode}")
                s = sample(process.pid)
                if samples:
                    prev = samples[-1]
                    span = s["time"] - prev["time"]
                    rate = (s["switches"] - prev["switches"]) / span
                    cpu = 100 * (s["cpu"] - prev["cpu"]) / span
                else:
                    rate = cpu = float("nan")
                samples.append(s)
                minute = (s["time"] - samples[0]["time"]) / 60
                print(f"{minute:6.1f} min  rss {s['rss_kb'] / 1024:7.1f} MB  fds {s['fds']:3d}  "
                      f"threads {s['threads']:2d}  switches {rate:7.0f}/s  cpu {cpu:5.1f} %",
                      flush=True)
                if s["time"] >= end:
                    break
                time.sleep(min(args.interval, max(0.0, end - time.monotonic())))
        finally:
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
            server.close()

    rss = [s["rss_kb"] / 1024 for s in samples]
    base_index = next((i for i, s in enumerate(samples)
                       if s["time"] - samples[0]["time"] >= args.warmup * 60), 0)
    print(f"RSS first {rss[0]:.1f} MB, last {rss[-1]:.1f} MB, max {max(rss):.1f} MB; "
          f"after warm-up {rss[base_index]:.1f} -> {rss[-1]:.1f} MB "
          f"({rss[-1] - rss[base_index]:+.1f} MB); fds {samples[0]['fds']} -> "
          f"{samples[-1]['fds']}, threads {samples[0]['threads']} -> {samples[-1]['threads']}; "
          f"{len(samples)} samples")
    return 0


if __name__ == "__main__":
    sys.exit(main())
