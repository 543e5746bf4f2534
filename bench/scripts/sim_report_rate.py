#!/usr/bin/env python3
"""How many of the virtual mouse's reports a second the program handles on its UI thread.

Starts build/bin/talvik-mouse --simulate=ble on a private X server with the debug trace on, tells
the virtual mouse to beat every --period-ms (TALVIK_SIM_CONTROL) and counts the trace lines the
Bluetooth LE report handler writes for every report ("dwLeft = ...") over --seconds. Checks the
rate rss_soak.py runs at (1 ms: 1,000 reports a second).

    bench/scripts/sim_report_rate.py --bindir build/bin
"""

import argparse
import os
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build/bin")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--period-ms", type=int, default=1)
    args = parser.parse_args()

    server = harness.XServer()
    with tempfile.TemporaryDirectory(prefix="talvik-rate-") as home:
        env = harness.program_env(server, home,
                                  {"TALVIK_SIM_CONTROL": os.path.join(home, "control"),
                                   "QT_LOGGING_RULES": "talvik.trace.debug=true"})
        process = subprocess.Popen([os.path.join(args.bindir, "talvik-mouse"), "--simulate=ble"],
                                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   text=True, errors="replace")
        count = [0]

        def read_trace():
            for line in process.stderr:
                if "dwLeft" in line:
                    count[0] += 1

        reader = threading.Thread(target=read_trace, daemon=True)
        reader.start()
        try:
            deadline = time.monotonic() + 30
            while not os.path.exists(env["TALVIK_SIM_CONTROL"]):
                if process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the program did not open its control FIFO")
                time.sleep(0.2)
            time.sleep(2)
            fd = os.open(env["TALVIK_SIM_CONTROL"], os.O_WRONLY | os.O_NONBLOCK)
            os.write(fd, f"heartbeat {args.period_ms}\n".encode())
            os.close(fd)
            time.sleep(3)  # the old one-second beat ends first
            before, start = count[0], time.monotonic()
            time.sleep(args.seconds)
            handled, took = count[0] - before, time.monotonic() - start
        finally:
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
            server.close()
    print(f"{handled / took:.0f} reports/s handled on the UI thread "
          f"(beat every {args.period_ms} ms, {took:.1f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
