#!/usr/bin/env python3
"""The button functions on a real X server against the virtual mouse on the cable, driven by
clicks: a function chosen from a button's menu reaches the mouse, the last left click is kept
with a warning, a key combination is captured in its dialog, a macro is chosen with a repeat
count that is corrected to 255, and the menu of a button near the bottom of the screen stays on
the screen.

Usage: test_buttons.py BINDIR OUTDIR
Exit 0 = passed, 77 = skipped (a tool is missing), anything else = failed.
"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"
MENU = "ms_5_menu.xml"
BOX = "MsgWnd"
SHORTCUT = "ShortcutWnd"
SELECT = "MS_5_SelectMacro"
SCREEN_HEIGHT = 800


check = harness.check


def feature_lines(log):
    if not os.path.exists(log):
        return []
    with open(log) as f:
        return ["".join(line.split()[1:]).lower() for line in f if line.startswith("FEATURE")]


def wait_packets(app, log, count, timeout=10.0):
    return app.wait_for(lambda: len(feature_lines(log)) >= count, timeout)


def macro_record(name, actions):
    """One macro.data record: name, repeat, action count, 190 actions of 16 bytes."""
    units = name.encode("utf-16-le").ljust(48, b"\0")
    body = b"".join(struct.pack("<BBBBHHii", 0, code, kind, 0, 10, 0, 0, 0)
                    for code, kind in actions)
    return units + struct.pack("<ii", 0, len(actions)) + body.ljust(190 * 16, b"\0")


def stored_buttons(bindir, data_dir):
    out = subprocess.run([os.path.join(bindir, "talvik-mousectl"), "store", "show", "0",
                          "--data-dir", data_dir], check=True, stdout=subprocess.PIPE, text=True,
                         timeout=20).stdout
    return json.loads(out)["buttons"]


HEADER = 4 + 5 * 101540
RECORD = 101540
BUTTONS = 2468  # offset of the button assignments in a profile record
ASSIGNMENT = 4128


def stored_function(data_dir, index):
    """The function of button `index` of the first stored profile, read from pro.data itself: the
    tool would sweep the program's temporary file while it saves."""
    try:
        with open(os.path.join(data_dir, "ms_5", "pro.data"), "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return None
    at = HEADER + BUTTONS + index * ASSIGNMENT + 1
    return data[at] if len(data) > at else None


def wait_button(app, bindir, data_dir, index, function, timeout=15.0):
    """Button `index` of the stored profile once pro.data holds `function` there."""
    app.wait_for(lambda: stored_function(data_dir, index) == function, timeout)
    time.sleep(0.3)  # no save under way while the tool reads
    return stored_buttons(bindir, data_dir)[index]


def choose(app, button, item):
    app.forget_window(MENU)
    app.click(MAIN, f"ms_5_btn_key_{button}")
    app.click(MENU, item)
    app.forget_window(MENU)
    time.sleep(0.3)


def run(bindir, outdir):
    os.makedirs(outdir, exist_ok=True)
    log = os.path.join(outdir, "sim.log")
    if os.path.exists(log):
        os.unlink(log)
    data_home = tempfile.TemporaryDirectory(prefix="talvik-e2e-buttons-")
    data_dir = os.path.join(data_home.name, "talvik-mouse")
    os.makedirs(os.path.join(data_dir, "ms_5"))
    with open(os.path.join(data_dir, "ms_5", "macro.data"), "wb") as f:
        f.write(macro_record("Burst", [(0x04, 1), (0x04, 2)]))
    server = harness.XServer(height=SCREEN_HEIGHT)
    app = None
    try:
        app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), "--simulate=wired"],
                          {"TALVIK_SIM_LOG": log, "XDG_DATA_HOME": data_home.name,
                           "QT_LOGGING_RULES": "talvik.trace.debug=true"})
        app.wait_control(MAIN, "ms_5_btn_key_2")
        time.sleep(1.0)

        # A function from the menu of button 2 goes out in the keys packet: KEY_ASSIGNMENT (08 3b
        # 01) with copy (11 01 06) as the second button's wire bytes.
        before = len(feature_lines(log))
        choose(app, 2, "ms_5_copy")
        check(app.wait_for(lambda: any(line.startswith("083b01") and line[12:18] == "110106"
                                       for line in feature_lines(log)[before:])),
              "no keys packet carries the copy function")
        button = wait_button(app, bindir, data_dir, 1, 33)
        check(button["function"] == 33, f"button 2 holds {button}")

        # Button 1 holds the only left click: a warning and nothing sent.
        time.sleep(0.5)
        sent = len(feature_lines(log))
        choose(app, 1, "ms_5_copy")
        app.wait_control(BOX, "btn_ok")
        app.click(BOX, "btn_ok")
        app.forget_window(BOX)
        time.sleep(0.8)
        check(len(feature_lines(log)) == sent, "taking the last left click sent something")
        check(stored_function(data_dir, 0) == 1, "the left click was lost")

        # Key combination: Ctrl ticked, F1 captured in the key field.
        choose(app, 3, "ms_5_shortcut")
        app.wait_control(SHORTCUT, "edit_key")
        app.click(SHORTCUT, "check_flag_1")
        app.click(SHORTCUT, "edit_key")
        time.sleep(0.3)
        app.xdotool("key", "F1")
        time.sleep(0.3)
        app.click(SHORTCUT, "btn_ok")
        app.forget_window(SHORTCUT)
        check(wait_packets(app, log, sent + 1), "the key combination was not sent")
        button = wait_button(app, bindir, data_dir, 2, 16)
        check((button["function"], button["modifiers"], button["key_code"]) == (16, 1, 0x3A),
              f"button 3 holds {button}")
        check(button.get("key_combination") == "Ctrl+F1", f"button 3 reads {button}")

        # Macro: the first row, a count of 300 corrected to 255.
        sent = len(feature_lines(log))
        choose(app, 4, "ms_5_select_macro")
        x, y, _, _ = app.wait_control(SELECT, "list_macro")
        app.xdotool("mousemove", str(x + 30), str(y + 11))
        time.sleep(0.15)
        app.xdotool("click", "1")
        app.click(SELECT, "edit_loop_time")
        app.xdotool("key", "ctrl+a")
        app.xdotool("type", "300")
        app.click(SELECT, "btn_ok")
        app.forget_window(SELECT)
        check(wait_packets(app, log, sent + 1), "the macro was not sent")
        button = wait_button(app, bindir, data_dir, 3, 17)
        check((button["function"], button["macro_name"], button["macro_repeat"]) ==
              (17, "Burst", 255), f"button 4 holds {button}")

        # Near the bottom of the screen the menu opens upwards and stays on the screen.
        window_id = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", MAIN],
                                   env=server.env(), stdout=subprocess.PIPE, text=True,
                                   check=True).stdout.split()[0]
        _, top, _, _ = app.wait_control(MAIN, "ms_5_btn_key_5")
        app.forget_window(MAIN)
        app.xdotool("windowmove", window_id, "0", str(SCREEN_HEIGHT - 60 - top))
        app.wait_for(lambda: app.geometry.get((MAIN, "ms_5_btn_key_5"), (0, 0))[1] > 600)
        _, top, _, height = app.wait_control(MAIN, "ms_5_btn_key_5")
        check(top + height <= SCREEN_HEIGHT, f"button 5 is off the screen at {top}")
        sent = len(feature_lines(log))
        app.forget_window(MENU)
        app.click(MAIN, "ms_5_btn_key_5")
        app.wait_control(MENU, "ms_5_my_computer")
        time.sleep(0.3)
        items = [rect for (window, _), rect in app.geometry.items() if window == MENU]
        check(len(items) == 52, f"the menu shows {len(items)} items")
        for x, y, w, h in items:
            check(0 <= y and y + h <= SCREEN_HEIGHT and 0 <= x and x + w <= 1280,
                  f"a menu item lies off the screen at {x},{y}")
        app.screenshot(os.path.join(outdir, "menu.png"))
        app.xdotool("key", "Escape")
        time.sleep(0.8)
        check(len(feature_lines(log)) == sent, "closing the menu without a choice sent something")
    except AssertionError:
        if app is not None:
            print(app.stderr_text()[-4000:])
        raise
    finally:
        if app is not None:
            app.close()
        server.close()
        data_home.cleanup()


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
