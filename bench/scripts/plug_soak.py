#!/usr/bin/env python3
"""Plug/unplug cycles of the virtual mouse's receiver with reports flowing, in one process.

Runs build/bench/talvik_plug_soak (the real receiver sets, reader threads and UI task queue on a
Qt event loop behind the virtual mouse's SimHidBackend, the mouse beating every --beat-ms) for
--cycles cycles and judges its figures: every cycle came back, and open files, threads and
resident memory did not grow from the first cycle to the last (memory within --rss-slack-mb).

    bench/scripts/plug_soak.py --bindir build --cycles 1000
"""

import argparse
import os
import re
import subprocess
import sys

SUMMARY = re.compile(r"plug cycles (\d+) in ([\d.]+) s, (\d+) reports handled: failures (\d+); "
                     r"open files (\d+) -> (\d+), threads (\d+) -> (\d+), "
                     r"rss ([\d.]+) -> ([\d.]+) MB \(max ([\d.]+)\)")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build", help="the build folder")
    parser.add_argument("--cycles", type=int, default=1000)
    parser.add_argument("--beat-ms", type=int, default=1)
    parser.add_argument("--rss-slack-mb", type=float, default=1.0)
    args = parser.parse_args()
    program = os.path.join(args.bindir, "bench", "talvik_plug_soak")
    run = subprocess.run([program, str(args.cycles), str(args.beat_ms)], capture_output=True,
                         text=True)
    sys.stdout.write(run.stdout)
    sys.stderr.write(run.stderr)
    match = SUMMARY.search(run.stdout)
    if not match:
        print(f"no summary from {program} (exit {run.returncode})")
        return 1
    failures = int(match[4])
    fds = int(match[5]), int(match[6])
    threads = int(match[7]), int(match[8])
    rss = float(match[9]), float(match[10])
    growth = []
    if fds[1] > fds[0]:
        growth.append(f"open files {fds[0]} -> {fds[1]}")
    if threads[1] > threads[0]:
        growth.append(f"threads {threads[0]} -> {threads[1]}")
    if rss[1] - rss[0] > args.rss_slack_mb:
        growth.append(f"resident memory {rss[0]} -> {rss[1]} MB")
    verdict = "no growth" if not growth else "growth: " + ", ".join(growth)
    print(f"{args.cycles} plug cycles: {failures} failed, {verdict}")
    return 0 if failures == 0 and not growth and run.returncode == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
