#!/usr/bin/env python3
"""Two real processes: while the program runs, talvik-mousectl refuses device commands and
store import; once the program quit, they go ahead.

Usage: test_tool_guard.py BINDIR OUTDIR
Exit 0 = passed, anything else = failed.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

check = harness.check


def run(bindir, outdir):
    shutil.rmtree(outdir, ignore_errors=True)
    home = os.path.join(outdir, "home")
    run_dir = os.path.join(home, "run")
    os.makedirs(run_dir, mode=0o700)
    env = dict(os.environ)
    env.update({
        "HOME": home,
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_RUNTIME_DIR": run_dir,
        "QT_QPA_PLATFORM": "offscreen",
        "TALVIK_STARTUP_PROBE": "1",
        "LANG": "C.UTF-8",
    })
    tool = os.path.join(bindir, "talvik-mousectl")

    def mousectl(*args):
        return subprocess.run([tool, *args], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=60)

    profile = os.path.join(outdir, "guard.pro")
    check(mousectl("profile", "new", "Guarded", "-o", profile).returncode == 0, "profile new")

    program = subprocess.Popen([os.path.join(bindir, "talvik-mouse"), "--simulate"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        deadline = time.monotonic() + 30
        for line in program.stdout:
            if "FIRST_PAINT" in line or time.monotonic() > deadline:
                break
        check(program.poll() is None, "the program did not start")

        for args in (["apply", profile], ["read", "-o", os.path.join(outdir, "r.pro")],
                     ["devices"], ["store", "import", profile]):
            result = mousectl(*args)
            check(result.returncode == 1, f"{args} ran while the program runs: {result.stderr}")
            check("talvik-mouse is running" in result.stderr and "--force" in result.stderr,
                  f"{args}: no clear refusal: {result.stderr}")
        # The virtual mouse is the tool's own; nothing to share.
        result = mousectl("--simulate=wired", "apply", profile)
        check(result.returncode == 0, f"simulated apply refused: {result.stderr}")
        # --force goes past the guard to the devices.
        result = mousectl("--force", "apply", profile)
        check("is running" not in result.stderr, f"--force still refused: {result.stderr}")
    finally:
        program.send_signal(signal.SIGTERM)
        status = program.wait(30)
    check(status == 0, f"the program ended with {status}")

    result = mousectl("store", "import", profile)
    check(result.returncode == 0, f"import after the program quit: {result.stderr}")
    check(result.stdout.strip().endswith("Guarded"), f"import printed {result.stdout!r}")
    listed = mousectl("store", "list").stdout
    check("Guarded" in listed, f"the store lacks the import: {listed!r}")
    result = mousectl("apply", profile)
    check("is running" not in result.stderr, f"refused after the program quit: {result.stderr}")


if __name__ == "__main__":
    sys.exit(harness.main(run, __doc__))
