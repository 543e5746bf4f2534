#!/usr/bin/env python3
"""Time from a DPI-stage report of the virtual mouse to the on-screen display showing it.

Starts the program on a private X server with the virtual mouse, writes "stage N" to its control
FIFO and waits for the display's geometry line (printed when it is shown or re-laid out).
Reports the median over --runs reports; each report waits for the display to close first.
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bindir", default="build/bin")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    server = harness.XServer()
    with tempfile.TemporaryDirectory(prefix="talvik-osd-") as scratch:
        fifo = os.path.join(scratch, "ctl")
        os.mkfifo(fifo)
        app = harness.App(server, [os.path.join(args.bindir, "talvik-mouse"), "--simulate"],
                          {"TALVIK_SIM_CONTROL": fifo})
        try:
            app.wait_control("Talvik Gaming Mouse", "about_btn")
            time.sleep(1.0)
            control = os.open(fifo, os.O_WRONLY)
            delays = []
            for run in range(args.runs):
                app.forget_window("DPIWnd")
                start = time.monotonic()
                os.write(control, f"stage {run % 8 + 1}\n".encode())
                app.wait_control("DPIWnd", "dpi_label", 10)
                delays.append((time.monotonic() - start) * 1000)
                time.sleep(2.5)  # let the display close before the next report
            os.close(control)
        finally:
            app.close()
            server.close()
    print(f"DPI report to display: median {statistics.median(delays):.1f} ms "
          f"(min {min(delays):.1f}, max {max(delays):.1f}) over {len(delays)} reports")


if __name__ == "__main__":
    main()
