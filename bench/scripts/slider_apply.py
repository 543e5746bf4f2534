#!/usr/bin/env python3
"""Time from a slider release to its packet leaving for the virtual mouse on the cable.

Starts the program on a private X server with --simulate=wired and TALVIK_SIM_LOG, clicks the
brightness slider's groove (a press and release that moves it one page), and watches the virtual
mouse's log for the light packet. The page waits 500 ms after the last change so that a drag
sends once; the figure to watch is what comes on top of that delay.
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"
SLIDER = "ms_5_slider_brightness"
DELAY_MS = 500


def features(log):
    try:
        with open(log) as f:
            return sum(1 for line in f if line.startswith("FEATURE"))
    except FileNotFoundError:
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bindir", default="build/bin")
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    server = harness.XServer()
    with tempfile.TemporaryDirectory(prefix="talvik-slider-") as scratch:
        log = os.path.join(scratch, "sim.log")
        app = harness.App(server, [os.path.join(args.bindir, "talvik-mouse"), "--simulate=wired"],
                          {"TALVIK_SIM_LOG": log})
        extra = []
        try:
            x, y, w, h = app.wait_control(MAIN, SLIDER)
            time.sleep(2.0)  # the start-up apply
            for run in range(args.runs):
                before = features(log)
                target = x + (w // 8 if run % 2 == 0 else w - w // 8)
                app.xdotool("mousemove", str(target), str(y + h // 2))
                time.sleep(0.2)
                # Timed from before the press, which moves the slider: an upper bound.
                released = time.monotonic()
                app.xdotool("mousedown", "1")
                app.xdotool("mouseup", "1")
                while features(log) == before:
                    if time.monotonic() - released > 5:
                        raise SystemExit("no packet within 5 s of the release")
                    time.sleep(0.0005)
                extra.append((time.monotonic() - released) * 1000 - DELAY_MS)
                time.sleep(0.3)
        finally:
            app.close()
            server.close()
    print(f"slider release to packet: {DELAY_MS} ms delay + median {statistics.median(extra):.1f} ms"
          f" (min {min(extra):.1f}, max {max(extra):.1f}) over {len(extra)} releases")


if __name__ == "__main__":
    main()
