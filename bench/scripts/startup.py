#!/usr/bin/env python3
"""Start-up to first paint of the main window, and resident memory after start.

Runs the program several times on a private X server (or offscreen with --offscreen), each time
with a data folder holding N stored profiles (--profiles, made with talvik-mousectl when it is
there), and reads the line "FIRST_PAINT <unix ns>" the program prints when TALVIK_STARTUP_PROBE=1.
Reports the median over the warm runs (the first run warms the caches and is not counted) and the
resident memory read from /proc after --settle seconds.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def make_store(bindir, data_home, count):
    if count <= 0:
        return
    ctl = os.path.join(bindir, "talvik-mousectl")
    if not os.path.exists(ctl):
        print(f"note: {ctl} missing, starting without stored profiles", file=sys.stderr)
        return
    subprocess.run([ctl, "store", "fill", str(count), "--data-dir",
                    os.path.join(data_home, "talvik-mouse")], check=True,
                   stdout=subprocess.DEVNULL)


def run_once(argv, env, settle):
    start = time.time_ns()
    process = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, text=True)
    painted = None
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        if line.startswith("FIRST_PAINT "):
            painted = int(line.split()[1])
            break
    rss = float("nan")
    if painted is not None:
        time.sleep(settle)
        rss = rss_mb(process.pid)
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
    if painted is None:
        raise RuntimeError("the program never reported its first paint")
    return (painted - start) / 1e6, rss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bindir", default="build/bin")
    parser.add_argument("--runs", type=int, default=6)
    parser.add_argument("--profiles", type=int, default=0)
    parser.add_argument("--settle", type=float, default=1.0)
    parser.add_argument("--offscreen", action="store_true")
    parser.add_argument("--benchdir", default="build/bench",
                        help="where talvik_bare_window is, the bare window measured alongside")
    args = parser.parse_args()

    server = None
    with tempfile.TemporaryDirectory(prefix="talvik-bench-") as home:
        env = dict(os.environ)
        if args.offscreen:
            env["QT_QPA_PLATFORM"] = "offscreen"
        else:
            server = harness.XServer()
            env = server.env()
        env.update({"HOME": home, "XDG_DATA_HOME": os.path.join(home, "data"),
                    "XDG_CONFIG_HOME": os.path.join(home, "config"),
                    "XDG_RUNTIME_DIR": os.path.join(home, "run"),
                    "TALVIK_STARTUP_PROBE": "1", "LANG": "C.UTF-8"})
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        make_store(args.bindir, env["XDG_DATA_HOME"], args.profiles)
        argv = [os.path.join(args.bindir, "talvik-mouse"), "--simulate"]
        bare = os.path.join(args.benchdir, "talvik_bare_window")
        results, bare_results = [], []
        try:
            # Interleaved, so that both see the same load on a shared machine.
            for _ in range(args.runs):
                results.append(run_once(argv, env, args.settle))
                if os.path.exists(bare):
                    bare_results.append(run_once([bare], env, 0))
        finally:
            if server:
                server.close()
    warm = results[1:] or results
    paint = statistics.median(r[0] for r in warm)
    rss = statistics.median(r[1] for r in warm)
    print(f"first paint: median {paint:.1f} ms over {len(warm)} warm runs "
          f"(min {min(r[0] for r in warm):.1f}, max {max(r[0] for r in warm):.1f}); "
          f"resident memory after {args.settle:.0f} s: {rss:.1f} MB; profiles: {args.profiles}")
    if bare_results:
        bare_warm = bare_results[1:] or bare_results
        bare_paint = statistics.median(r[0] for r in bare_warm)
        print(f"bare window: median {bare_paint:.1f} ms; the program takes "
              f"{paint / bare_paint:.1f} times as long")


if __name__ == "__main__":
    main()
