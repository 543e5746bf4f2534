#!/usr/bin/env python3
"""Time from a slider release to its packet leaving for the virtual mouse on the cable.

Starts the program on a private X server with --simulate=wired and TALVIK_SIM_LOG, clicks the
light effect with a brightness row, drags the brightness slider and lets go, and watches the
virtual mouse's log for the light packet. The page waits 500 ms after the last change so that a
drag sends once; the figure to watch is what comes on top of that delay. The last change happens
while xdotool's last move runs, so each time is given from before and after that call.
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

MAIN = "Talvik Gaming Mouse"
SLIDER = "ms_5_slider_brightness"
DELAY_MS = 500
BRIGHTNESS_AT_START = 8  # of the default profile


def features(log):
    try:
        with open(log) as f:
            return sum(1 for line in f if line.startswith("FEATURE"))
    except FileNotFoundError:
        return 0


# Where the handle of the 0..15 brightness slider stands for `value`.
def handle_x(x, w, value):
    return x + 8 + (w - 16) * value // 15


def relayout(app):
    """Moves the main window by a pixel and back, so that the program prints where its controls
    are now (after a scroll or a row that appeared)."""
    while app._pump(0.2):
        pass  # what was printed before the move is stale
    app.geometry.clear()
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", MAIN],
                           env=app.server.env(), stdout=subprocess.PIPE, text=True, check=True)
    window = found.stdout.split()[0]
    for dx in (1, -1):
        app.xdotool("windowmove", "--relative", window, str(dx), "0")
        time.sleep(0.3)
    while app._pump(0.2):
        pass


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
            x, y, w, h = app.wait_control(MAIN, "ms_5_setting_content")
            time.sleep(2.0)  # the start-up apply
            # On the margin left of the sections, where the wheel meets no slider.
            app.xdotool("mousemove", str(x + 3), str(y + 100))
            app.xdotool("click", "--repeat", "12", "--delay", "30", "5")  # the wheel, down
            time.sleep(0.5)
            relayout(app)
            # The brightness row shows with the first light effects: pick the second one.
            app.click(MAIN, "ms_5_combo_light")
            time.sleep(0.5)
            app.xdotool("key", "Home", "Down", "Return")
            time.sleep(0.5)
            relayout(app)
            x, y, w, h = app.wait_control(MAIN, SLIDER)
            time.sleep(1.0)
            value = BRIGHTNESS_AT_START
            for run in range(args.runs):
                before = features(log)
                # Drag the handle a quarter of the groove and let go; the drag's last move is
                # its last change, so the time is taken from just before that move.
                handle = handle_x(x, w, value)
                value = 4 if value > 7 else 12
                app.xdotool("mousemove", str(handle), str(y + h // 2))
                time.sleep(0.2)
                app.xdotool("mousedown", "1")
                app.xdotool("mousemove", str((handle + handle_x(x, w, value)) // 2), str(y + h // 2))
                time.sleep(0.05)
                # The last move is the last change: it happened between these two moments.
                before_move = time.monotonic()
                app.xdotool("mousemove", str(handle_x(x, w, value)), str(y + h // 2))
                after_move = time.monotonic()
                app.xdotool("mouseup", "1")
                while features(log) == before:
                    if time.monotonic() - before_move > 5:
                        raise SystemExit("no packet within 5 s of the release")
                    app._pump(0.0005)  # keeps its output flowing: a full pipe would stall it
                now = time.monotonic()
                extra.append(((now - before_move) * 1000 - DELAY_MS, (now - after_move) * 1000 - DELAY_MS))
                time.sleep(0.3)
        finally:
            app.close()
            server.close()
    upper = [e[0] for e in extra]
    lower = [e[1] for e in extra]
    print(f"slider release to packet: {DELAY_MS} ms delay + median between {statistics.median(lower):.1f}"
          f" and {statistics.median(upper):.1f} ms (max {max(upper):.1f}) over {len(extra)} releases")


if __name__ == "__main__":
    main()
