#!/usr/bin/env python3
"""The device page on a real X server against the virtual mouse on the cable, driven by clicks:
a profile added through the name dialog (a taken name warns and keeps the dialog), a typed DPI
that waits for the apply button, and a delete that is refused for the last profile.

Usage: test_page.py BINDIR OUTDIR
Exit 0 = passed, 77 = skipped (a tool is missing), anything else = failed.
"""

import os
import signal
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"
NAME = "MS_5_ProfileName"
BOX = "MsgWnd"
HEADER = 4 + 5 * 101540
RECORD = 101540
DPI_VALUE = 2244


check = harness.check


def packets(log):
    if not os.path.exists(log):
        return 0
    with open(log) as f:
        return sum(1 for line in f if line.startswith("FEATURE"))


def wait_packets(app, log, count, timeout=10.0):
    return app.wait_for(lambda: packets(log) >= count, timeout)


def store(app):
    path = os.path.join(app.env["XDG_DATA_HOME"], "talvik-mouse", "ms_5", "pro.data")
    with open(path, "rb") as f:
        data = f.read()
    active = struct.unpack_from("<i", data, 0)[0]
    count = (len(data) - HEADER) // RECORD
    return active, count, data


def answer_box(app):
    app.wait_control(BOX, "btn_ok")
    app.click(BOX, "btn_ok")
    app.forget_window(BOX)
    time.sleep(0.3)


def run(bindir, outdir):
    os.makedirs(outdir, exist_ok=True)
    log = os.path.join(outdir, "sim.log")
    if os.path.exists(log):
        os.unlink(log)
    server = harness.XServer()
    app = None
    try:
        app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), "--simulate=wired"],
                          {"TALVIK_SIM_LOG": log})
        app.wait_control(MAIN, "ms_5_profile_add_btn")
        time.sleep(1.0)
        start = packets(log)

        # Add: a name taken in other letter case warns and keeps the dialog with its text.
        app.click(MAIN, "ms_5_profile_add_btn")
        app.wait_control(NAME, "edit_name")
        app.click(NAME, "edit_name")
        app.xdotool("type", "PROFILE1")
        app.click(NAME, "btn_ok")
        answer_box(app)  # the warning; the dialog stays with the typed text
        app.click(NAME, "edit_name")
        app.xdotool("key", "ctrl+a")
        app.xdotool("type", "Work")
        app.click(NAME, "btn_ok")
        check(wait_packets(app, log, start + 5), "adding a profile sent no full apply")
        app.forget_window(NAME)
        active, count, _ = store(app)
        check((active, count) == (1, 2), f"store holds {count} profiles, active {active}")

        # A typed DPI waits for the apply button, then goes with the sensor group.
        time.sleep(0.5)
        before = packets(log)
        app.click(MAIN, "ms_5_edit_dpi_1")
        app.xdotool("key", "ctrl+a")
        app.xdotool("type", "20")
        app.xdotool("key", "Tab")
        time.sleep(0.8)
        check(packets(log) == before, "a typed DPI was sent before the apply button")
        app.click(MAIN, "ms_5_apply_btn")
        check(wait_packets(app, log, before + 2), "the apply button sent nothing")
        time.sleep(0.5)
        check(packets(log) == before + 2, "the apply sent more than the sensor group")
        active, _, data = store(app)
        dpi = struct.unpack_from("<i", data, HEADER + active * RECORD + DPI_VALUE)[0]
        check(dpi == 1, f"stage 1 of the active profile holds {dpi}, not 50 DPI")

        # Delete twice: the second time only the warning shows and nothing is sent.
        app.click(MAIN, "ms_5_profile_delete_btn")
        answer_box(app)
        check(wait_packets(app, log, before + 7), "deleting sent no full apply")
        time.sleep(0.5)
        sent = packets(log)
        app.click(MAIN, "ms_5_profile_delete_btn")
        answer_box(app)
        time.sleep(0.5)
        check(packets(log) == sent, "deleting the last profile sent something")
        app.screenshot(os.path.join(outdir, "page.png"))

        # Quitting by signal ends cleanly with the store as the user left it.
        app.process.send_signal(signal.SIGTERM)
        check(app.process.wait(10) == 0, "SIGTERM did not end the program cleanly")
        active, count, data = store(app)
        check((active, count) == (0, 1), f"store holds {count} profiles after the delete")
    finally:
        if app is not None:
            app.close()
        server.close()


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
