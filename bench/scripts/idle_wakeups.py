#!/usr/bin/env python3
"""Wake-ups of the whole program while its window is hidden, per link of the virtual mouse.

Starts the program on a private X server with --simulate=LINK, hides the window to the tray (the
close button), waits --settle seconds, then counts the context switches of every thread of the
process (/proc/PID/task/*/status) over --seconds and prints them per second. The virtual mouse runs
inside the process and beats every 3 s; its heartbeat thread is counted apart, the reader and the
UI thread that take each beat are the program's own.
"""

import argparse
import glob
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def switches(pid):
    """Voluntary context switches (a thread went to sleep and was woken), the program's own and
    the virtual mouse's heartbeat thread's apart. Preemptions are not wake-ups."""
    own, sim = 0, 0
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(os.path.join(task, "comm")) as f:
                name = f.read().strip()
            with open(os.path.join(task, "status")) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        count = int(line.split()[1])
                        if name == "sim-heartbeat":
                            sim += count
                        else:
                            own += count
        except FileNotFoundError:
            pass  # a thread ended between the listing and the read
    return own, sim


def measure(bindir, link, settle, seconds):
    server = harness.XServer()
    app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), f"--simulate={link}"])
    try:
        app.wait_control("Talvik Gaming Mouse", "exit_btn")
        time.sleep(1.0)
        app.click("Talvik Gaming Mouse", "exit_btn")  # hides to the tray
        time.sleep(settle)
        before = switches(app.process.pid)
        time.sleep(seconds)
        after = switches(app.process.pid)
        return tuple((b - a) / seconds for a, b in zip(before, after))
    finally:
        app.close()
        server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bindir")
    parser.add_argument("--links", default="wired,24g,4k,4kb,ble")
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--seconds", type=float, default=10.0)
    args = parser.parse_args()
    for link in args.links.split(","):
        own, sim = measure(args.bindir, link, args.settle, args.seconds)
        print(f"{link:6s} {own:5.2f} wake-ups/s of the program with the window hidden"
              f" (+ {sim:.2f}/s of the virtual mouse's heartbeat)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
