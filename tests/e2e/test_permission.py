#!/usr/bin/env python3
"""A receiver that udev lists but whose node the user may not open (umockdev): the tool prints
the fix and fails, the main window shows the banner with the fix.

The emulated node is a file of mode 000. As root, the programs run without CAP_DAC_OVERRIDE and
CAP_DAC_READ_SEARCH (setpriv), so the mode binds them as it binds a user.

Usage: test_permission.py BINDIR OUTDIR
Exit 0 = passed, 77 = skipped (a tool is missing), anything else = failed.
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

MAIN = "Talvik Gaming Mouse"

# The 2.4 GHz receiver (1D57:FA60) with one HID interface and its hidraw node.
USB = "/devices/pci0000:00/0000:00:14.0/usb1/1-3"
HID = USB + "/1-3:1.0/0003:1D57:FA60.0001"
DESCRIPTION = f"""P: {USB}
E: SUBSYSTEM=usb
E: DEVTYPE=usb_device
E: PRODUCT=1d57/fa60/100
A: idVendor=1d57
A: idProduct=fa60
A: bcdDevice=0100
A: manufacturer=Emulated
A: product=Emulated receiver
A: serial=

P: {USB}/1-3:1.0
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface
E: PRODUCT=1d57/fa60/100
E: INTERFACE=3/0/0
A: bInterfaceNumber=00

P: {HID}
E: SUBSYSTEM=hid
E: HID_ID=0003:00001D57:0000FA60
E: HID_NAME=Emulated receiver
E: HID_UNIQ=
E: HID_PHYS=usb-emulated/input0
H: report_descriptor=060B000A0000A1018503150026FF007508953F09018102090191020901B102C0

P: {HID}/hidraw/hidraw0
N: hidraw0
E: SUBSYSTEM=hidraw
E: DEVNAME=/dev/hidraw0
L: device=../../../0003:1D57:FA60.0001
"""


check = harness.check


def wrapped(description, argv):
    """argv under umockdev with the node made unreadable, bound by file modes."""
    inner = list(argv)
    if os.geteuid() == 0:
        inner = ["setpriv", "--inh-caps=-dac_override,-dac_read_search",
                 "--bounding-set=-dac_override,-dac_read_search", "--", *inner]
    script = 'chmod 000 "$UMOCKDEV_DIR/dev/hidraw0" && exec "$@"'
    # In an address-sanitizer build the umockdev preload comes before the sanitizer's runtime.
    env_prefix = ["env", "ASAN_OPTIONS=verify_asan_link_order=0:" +
                  os.environ.get("ASAN_OPTIONS", "")]
    return [*env_prefix, "umockdev-run", "-d", description, "--", "sh", "-c", script, "sh",
            *inner]


def run(bindir, outdir):
    harness.require("umockdev-run", "setpriv")
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    description = os.path.join(outdir, "receiver.umockdev")
    with open(description, "w") as f:
        f.write(DESCRIPTION)

    for command in (["devices"], ["apply", os.path.join(outdir, "none.pro")]):
        # apply checks its file first; give it one.
        if command[0] == "apply":
            subprocess.run([os.path.join(bindir, "talvik-mousectl"), "profile", "new", "P",
                            "-o", command[1]], check=True)
        result = subprocess.run(wrapped(description,
                                        [os.path.join(bindir, "talvik-mousectl"), *command]),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                timeout=60)
        check(result.returncode != 0, f"{command}: the tool succeeded: {result.stdout}")
        for text in ("permission denied: /dev/hidraw0 (1D57:FA60)", "70-talvik-mouse.rules",
                     "udevadm control --reload-rules", "plug it in again"):
            check(text in result.stderr, f"{command}: {text!r} missing from: {result.stderr}")

    server = harness.XServer()
    app = None
    try:
        app = harness.App(server, wrapped(description,
                                          [os.path.join(bindir, "talvik-mouse")]))
        banner = app.wait_control(MAIN, "permission_banner", timeout=20)
        copy = app.wait_control(MAIN, "permission_copy_btn")
        commands = app.wait_control(MAIN, "permission_commands")
        check(banner[2] > 0 and banner[3] > 0, f"empty banner {banner}")
        for inner in (copy, commands):
            check(banner[0] <= inner[0] and inner[0] + inner[2] <= banner[0] + banner[2] and
                  banner[1] <= inner[1] and inner[1] + inner[3] <= banner[1] + banner[3],
                  f"{inner} is not inside the banner {banner}")
        app.screenshot(os.path.join(outdir, "banner.png"))
    finally:
        if app is not None:
            app.close()
        server.close()


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
