#!/usr/bin/env python3
"""The program on a real X server: about window by clicks, language switch, screenshots, the
DPI display after a stage report from the virtual mouse, and the input-hook library found beside
the program.

Usage: test_shell.py BINDIR OUTDIR
Exit 0 = passed, 77 = skipped (a tool is missing), anything else = failed.
"""

import configparser
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"
ABOUT = "AboutWnd"
OSD = "DPIWnd"


def read_setting(app, key):
    path = os.path.join(app.env["XDG_DATA_HOME"], "talvik-mouse", "CONFIG.ini")
    parser = configparser.ConfigParser()
    parser.optionxform = str
    parser.read(path)
    return parser.get("SETTING", key, fallback=None)


check = harness.check


def run(bindir, outdir):
    server = harness.XServer()
    app = None
    try:
        extra = {}
        control_dir = os.path.join(outdir, "ctl")
        os.makedirs(control_dir, exist_ok=True)
        fifo = os.path.join(control_dir, "sim.fifo")
        if os.path.exists(fifo):
            os.unlink(fifo)
        os.mkfifo(fifo)
        extra["TALVIK_SIM_CONTROL"] = fifo
        extra["QT_LOGGING_RULES"] = "talvik.trace.debug=true"
        app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), "--simulate"], extra)

        app.wait_control(MAIN, "about_btn")
        time.sleep(1.5)  # let the window manager-less server settle the first expose
        app.screenshot(os.path.join(outdir, "main.png"))

        app.click(MAIN, "about_btn")
        app.wait_control(ABOUT, "exit")
        app.screenshot(os.path.join(outdir, "about.png"))

        # Switch to Polish through the about window's combo: open it, pick the third entry.
        start_language = read_setting(app, "lanId")
        app.click(ABOUT, "combo_lan")
        time.sleep(0.3)
        app.xdotool("key", "--clearmodifiers", "Home", "Down", "Down", "Return")
        check(app.wait_for(lambda: read_setting(app, "lanId") == "3", 10),
              f"language not switched (lanId {read_setting(app, 'lanId')}, was {start_language})")
        app.screenshot(os.path.join(outdir, "about-pl.png"))

        with_about = len(visible_windows(app))
        app.click(ABOUT, "exit")
        check(app.wait_for(lambda: len(visible_windows(app)) == with_about - 1, 5),
              "the about window did not close")

        # A DPI-stage report from the virtual mouse opens the display; it closes ~2 s later.
        control = open_control(fifo)
        check(control is not None, "the virtual mouse does not read its control FIFO")
        os.write(control, b"stage 2\n")
        os.close(control)
        app.wait_control(OSD, "dpi_label", 10)
        shown = time.monotonic()
        app.screenshot(os.path.join(outdir, "osd.png"))
        check(app.wait_for(lambda: not osd_visible(app), 6), "display never closed")
        gone = time.monotonic() - shown
        check(1.0 <= gone <= 4.0, f"display closed after {gone:.1f} s")
        check(app.process.poll() is None, "the program ended on its own")
        # The input-hook library lies beside the program, so recording is available.
        trace = app.stderr_text()
        check("ilen = " in trace, "the trace does not reach standard error")
        check("input hook library not loaded" not in trace, "the hook library was not loaded")
    finally:
        if app:
            app.close()
        server.close()


def open_control(fifo, timeout=5.0):
    """The virtual mouse's control FIFO for writing, or None when nobody reads it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            return os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
        except OSError:
            time.sleep(0.1)
    return None


def visible_windows(app):
    """Geometry lines ("Geometry: WxH") of the program's visible top-level windows."""
    run = harness.subprocess.run
    quiet = {"stdout": harness.subprocess.PIPE, "stderr": harness.subprocess.DEVNULL,
             "text": True}
    result = run(["xdotool", "search", "--onlyvisible", "--classname", "talvik-mouse"],
                 env=app.server.env(), **quiet)
    geometries = []
    for window in result.stdout.split():
        # A window may close between the search and this query.
        info = run(["xdotool", "getwindowgeometry", window], env=app.server.env(), **quiet).stdout
        geometries += [line.strip() for line in info.splitlines() if "Geometry" in line]
    return geometries


def osd_visible(app):
    return any(line.endswith("200x50") for line in visible_windows(app))


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
