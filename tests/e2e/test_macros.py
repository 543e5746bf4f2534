#!/usr/bin/env python3
"""The macro editor on a real X server with the input hook library beside the program and the
virtual mouse on the cable: a key held for 300 ms is recorded with its pause (read back through a
macro file and talvik-mousectl), a right click away from the record button is recorded and the
stop click is not, no-delay mode gives pauses of 1, closing while recording keeps the recording
and later input changes nothing, and deleting the macro button 3 runs sends the buttons and gives
that button its default function.

Usage: test_macros.py BINDIR OUTDIR
Exit 0 = passed, 77 = skipped (a tool or the hook library is missing), anything else = failed.
"""

import json
import os
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"
EDITOR = "MS_5_Macro"
BOX = "MsgWnd"
HEADER = 4 + 5 * 101540
RECORD = 101540
BUTTONS = 2468
ASSIGN = 4128
MACRO = 3096
KEY_PACKET = 0x08


check = harness.check


def data_dir(app):
    return os.path.join(app.env["XDG_DATA_HOME"], "talvik-mouse")


def macros(app):
    """(name, [(code, kind, delay)]) of every record in macro.data."""
    with open(os.path.join(data_dir(app), "ms_5", "macro.data"), "rb") as f:
        data = f.read()
    result = []
    for i in range(len(data) // MACRO):
        r = data[i * MACRO:(i + 1) * MACRO]
        name = r[:48].decode("utf-16-le").split("\0")[0]
        count = struct.unpack_from("<i", r, 52)[0]
        actions = [(r[56 + 16 * a + 1], r[56 + 16 * a + 2], struct.unpack_from("<H", r, 56 + 16 * a + 4)[0])
                   for a in range(count)]
        result.append((name, actions))
    return result


def key_packets(log):
    if not os.path.exists(log):
        return 0
    count = 0
    with open(log) as f:
        for line in f:
            if line.startswith("FEATURE"):
                raw = bytes.fromhex(line.split(" ", 1)[1].replace(" ", "").strip())
                count += KEY_PACKET in raw[:2]
    return count


def write_macro(path, name, actions):
    record = bytearray(MACRO)
    encoded = name.encode("utf-16-le")
    record[:len(encoded)] = encoded
    struct.pack_into("<i", record, 52, len(actions))
    for i, (code, kind, delay) in enumerate(actions):
        struct.pack_into("<BBBBH", record, 56 + 16 * i, 0, code, kind, 0, delay)
    with open(path, "wb") as f:
        f.write(record)


def prepare_store(server, bindir):
    """A first run makes the profile store; then button 3 of the active profile runs macro M1."""
    app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), "--simulate=wired"])
    app.wait_control(MAIN, "ms_5_btn_macro")
    time.sleep(0.5)
    app.process.send_signal(signal.SIGTERM)
    check(app.process.wait(10) == 0, "the first run did not end cleanly")
    home = app.home
    app.home = None  # keep the folder for the real run
    store = os.path.join(app.env["XDG_DATA_HOME"], "talvik-mouse", "ms_5")
    with open(os.path.join(store, "pro.data"), "r+b") as f:
        data = bytearray(f.read())
        active = struct.unpack_from("<i", data, 0)[0]
        button = HEADER + active * RECORD + BUTTONS + 2 * ASSIGN
        data[button + 1] = 17
        name = "M1".encode("utf-16-le")
        data[button + 16:button + 16 + len(name)] = name
        struct.pack_into("<H", data, button + 68, 2)
        struct.pack_into("<i", data, button + 1072, 0)
        f.seek(0)
        f.write(data)
    write_macro(os.path.join(store, "macro.data"), "M1", [(0x04, 1, 300), (0x04, 2, 1)])
    return home


def centre(app, window, name):
    x, y, w, h = app.wait_control(window, name)
    return x + w // 2, y + h // 2


def record(app, keys, right_click=False):
    """Clicks the record button, types `keys` (xdotool key names, 0.3 s held each), optionally
    right-clicks away from the button, and stops with a click on the button."""
    app.click(EDITOR, "ms_5_macro_record_btn")
    time.sleep(0.4)
    for key in keys:
        app.xdotool("keydown", key)
        time.sleep(0.3)
        app.xdotool("keyup", key)
        time.sleep(0.1)
    if right_click:
        x, y = centre(app, EDITOR, "ms_5_macro_name_tab")
        app.xdotool("mousemove", str(x - 60), str(y + 40))
        time.sleep(0.3)
        app.xdotool("click", "3")
        time.sleep(0.3)
    time.sleep(0.3)
    app.click(EDITOR, "ms_5_macro_record_btn")
    time.sleep(0.5)


def export_and_show(app, bindir, outdir):
    path = os.path.join(outdir, "recorded.macro")
    if os.path.exists(path):
        os.unlink(path)
    app.click(EDITOR, "ms_5_macro_export_btn")
    time.sleep(1.5)  # the file dialog opens with its name field focused
    app.xdotool("type", path)
    app.xdotool("key", "Return")
    check(app.wait_for(lambda: os.path.exists(path), 10), "the export wrote no file")
    shown = subprocess.run([os.path.join(bindir, "talvik-mousectl"), "macro", "show", path],
                           stdout=subprocess.PIPE, text=True, check=True, timeout=20).stdout
    return json.loads(shown)


def run(bindir, outdir):
    if not os.path.exists(os.path.join(bindir, "libHook.so")):
        raise harness.SkipTest("libHook.so is not built")
    os.makedirs(outdir, exist_ok=True)
    log = os.path.join(outdir, "sim.log")
    if os.path.exists(log):
        os.unlink(log)
    server = harness.XServer()
    app = None
    home = None
    try:
        home = prepare_store(server, bindir)
        app = harness.App(server, [os.path.join(bindir, "talvik-mouse"), "--simulate=wired"],
                          {"TALVIK_SIM_LOG": log, "HOME": home.name,
                           "XDG_DATA_HOME": os.path.join(home.name, "data"),
                           "XDG_CONFIG_HOME": os.path.join(home.name, "config")})
        app.wait_control(MAIN, "ms_5_btn_macro")
        time.sleep(1.0)

        # A new macro: a held key with its pause, then a right click away from the button.
        app.click(MAIN, "ms_5_btn_macro")
        app.wait_control(EDITOR, "ms_5_macro_add_btn")
        app.click(EDITOR, "ms_5_macro_add_btn")
        app.click(EDITOR, "ms_5_record_delay_btn")
        record(app, ["a"], right_click=True)
        shown = export_and_show(app, bindir, outdir)
        actions = shown["actions"]
        codes = [(a["code"], a["kind"]) for a in actions]
        check(codes == [(0x04, "press"), (0x04, "release"), (0xF2, "press"), (0xF2, "release")],
              f"recorded {codes}: {shown}")
        # Under a sanitizer the program runs several times slower, so when a message is handled
        # says little about when the key moved; the pause is checked in the plain build.
        if not os.environ.get("TALVIK_SANITIZE"):
            check(250 <= actions[0]["delay"] <= 600,
                  f"the held key's pause is {actions[0]['delay']}")

        # No-delay mode in another new macro.
        app.click(EDITOR, "ms_5_macro_add_btn")
        app.click(EDITOR, "ms_5_no_delay_btn")
        record(app, ["b", "c"])
        name, recorded = macros(app)[-1]
        check([a[:2] for a in recorded] == [(0x05, 1), (0x05, 2), (0x06, 1), (0x06, 2)],
              f"{name} holds {recorded}")
        check(all(a[2] == 1 for a in recorded), f"pauses in no-delay mode: {recorded}")

        # Closing while recording keeps what was recorded; later input changes nothing.
        app.click(EDITOR, "ms_5_macro_add_btn")
        app.click(EDITOR, "ms_5_macro_record_btn")
        time.sleep(0.4)
        app.xdotool("key", "d")
        time.sleep(0.3)
        app.click(EDITOR, "btn_exit")
        app.forget_window(EDITOR)
        time.sleep(0.8)
        before = macros(app)
        check([a[:2] for a in before[-1][1][:2]] == [(0x07, 1), (0x07, 2)],
              f"closing lost the recording: {before[-1]}")
        app.xdotool("key", "e")
        app.xdotool("mousemove", "5", "5")  # outside every window
        app.xdotool("click", "1")
        time.sleep(0.8)
        check(macros(app) == before, "input after closing reached the macro")

        # Deleting M1, which button 3 runs, sends the buttons and gives it its default.
        keys_before = key_packets(log)
        app.click(MAIN, "ms_5_btn_macro")
        x, y, w, h = app.wait_control(EDITOR, "ms_5_macro_list")
        app.xdotool("mousemove", str(x + 30), str(y + 12))
        time.sleep(0.2)
        app.xdotool("click", "1")
        time.sleep(0.3)
        app.click(EDITOR, "ms_5_macro_delete_btn")
        app.wait_control(BOX, "btn_ok")
        app.click(BOX, "btn_ok")
        app.forget_window(BOX)
        time.sleep(0.3)
        check(all(m[0] != "M1" for m in macros(app)), "M1 was not deleted")
        app.click(EDITOR, "btn_exit")
        check(app.wait_for(lambda: key_packets(log) > keys_before, 10),
              "deleting the macro sent no buttons")
        time.sleep(1.0)
        shown = subprocess.run([os.path.join(bindir, "talvik-mousectl"), "store", "show", "0",
                                "--data-dir", data_dir(app)],
                               stdout=subprocess.PIPE, text=True, check=True, timeout=20).stdout
        button = json.loads(shown)["buttons"][2]
        check(button["function"] == 3 and button["macro_index"] == -1,
              f"button 3 after the delete: function {button['function']}")
        app.screenshot(os.path.join(outdir, "macros.png"))
    except Exception:
        if app is not None:
            app.screenshot(os.path.join(outdir, "failure.png"))
            print(app.stderr_text()[-3000:])
        raise
    finally:
        if app is not None:
            app.close()
        if home is not None:
            home.cleanup()
        server.close()


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
