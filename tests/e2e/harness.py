"""End-to-end harness: a private X server, the program under test, clicks by control name.

The program prints one line per visible named control when TALVIK_DUMP_GEOMETRY=1:
    GEOM <window class> <control name> <x> <y> <w> <h>
so scripts click controls by name instead of by pixel.
"""

import os
import select
import shutil
import sys
import subprocess
import tempfile
import time


SANITIZERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sanitizers")


def sanitizer_env(env):
    """The project's one suppression file per sanitizer, unless the caller chose options."""
    env.setdefault("TSAN_OPTIONS", "suppressions=" + os.path.join(SANITIZERS, "tsan.supp")
                   + ":die_after_fork=0")
    env.setdefault("LSAN_OPTIONS", "suppressions=" + os.path.join(SANITIZERS, "lsan.supp"))
    return env


class SkipTest(Exception):
    """The machine lacks a tool the test needs."""


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def main(run, doc):
    """The command line of every end-to-end test: TEST.py BINDIR OUTDIR. Exit 0 = passed,
    77 = skipped (a tool is missing), 1 = failed, 2 = wrong arguments."""
    if len(sys.argv) != 3:
        print(doc, file=sys.stderr)
        return 2
    os.makedirs(sys.argv[2], exist_ok=True)
    try:
        run(sys.argv[1], sys.argv[2])
    except SkipTest as skip:
        print(f"skipped: {skip}")
        return 77
    except AssertionError as failure:
        print(f"FAILED: {failure}")
        return 1
    print("passed")
    return 0


def require(*tools):
    for tool in tools:
        if shutil.which(tool) is None:
            raise SkipTest(f"{tool} is not installed")


class XServer:
    """Xvfb on a display number it picks itself (-displayfd)."""

    def __init__(self, width=1280, height=800):
        require("Xvfb", "xdotool")
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-noreset", "-nolisten", "tcp",
             "-screen", "0", f"{width}x{height}x24"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            ready, _, _ = select.select([read_fd], [], [], max(remaining, 0))
            if not ready:
                self.close()
                raise RuntimeError("Xvfb did not start")
            chunk = os.read(read_fd, 16)
            if not chunk:
                self.close()
                raise RuntimeError("Xvfb exited")
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("WAYLAND_DISPLAY", None)
        return sanitizer_env(env)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()


def program_env(server, home, extra=None):
    """The environment of the program on `server` with its own home, data and settings under
    `home`, plus `extra`."""
    env = server.env()
    env.update({
        "HOME": home,
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_RUNTIME_DIR": os.path.join(home, "run"),
        "LANG": "C.UTF-8",
    })
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    env.update(extra or {})
    return env


class App:
    """The program under test, with its geometry lines collected as they arrive."""

    def __init__(self, server, argv, extra_env=None):
        self.server = server
        self.home = tempfile.TemporaryDirectory(prefix="talvik-e2e-")
        env = program_env(server, self.home.name,
                          {"TALVIK_DUMP_GEOMETRY": "1", **(extra_env or {})})
        self.env = env
        self.stderr_file = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE,
                                        stderr=self.stderr_file)
        self._pending = b""
        self.lines = []
        self.geometry = {}

    def _pump(self, timeout):
        # Raw reads: a buffered reader would hide complete lines from select().
        fd = self.process.stdout.fileno()
        ready, _, _ = select.select([fd], [], [], timeout)
        if not ready:
            return False
        chunk = os.read(fd, 65536)
        if not chunk:
            return False
        self._pending += chunk
        *complete, self._pending = self._pending.split(b"\n")
        for raw in complete:
            self._take_line(raw.decode("utf-8", "replace"))
        return True

    def stderr_text(self):
        self.stderr_file.seek(0)
        return self.stderr_file.read()

    def _take_line(self, line):
        self.lines.append(line)
        # The window class may hold spaces; the control name and the four numbers never do.
        parts = line.split(" ")
        if len(parts) >= 7 and parts[0] == "GEOM":
            try:
                numbers = tuple(int(v) for v in parts[-4:])
            except ValueError:
                return
            self.geometry[(" ".join(parts[1:-5]), parts[-5])] = numbers

    def wait_for(self, predicate, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if predicate():
                return True
            if self.process.poll() is not None and not self._pump(0):
                return predicate()
            self._pump(min(0.1, max(deadline - time.monotonic(), 0)))
        return predicate()

    def wait_control(self, window, name, timeout=10.0):
        if not self.wait_for(lambda: (window, name) in self.geometry, timeout):
            raise AssertionError(f"control {window}/{name} never shown; got {sorted(self.geometry)}")
        return self.geometry[(window, name)]

    def forget_window(self, window):
        for key in [k for k in self.geometry if k[0] == window]:
            del self.geometry[key]

    def click(self, window, name):
        x, y, w, h = self.wait_control(window, name)
        self.xdotool("mousemove", str(x + w // 2), str(y + h // 2))
        time.sleep(0.15)  # let the program see the pointer arrive before the press
        self.xdotool("click", "1")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.server.env(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)

    def window_visible(self, title_pattern):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title_pattern],
                                env=self.server.env(), stdout=subprocess.PIPE, text=True)
        return result.returncode == 0 and result.stdout.strip() != ""

    def screenshot(self, path):
        require("import")
        subprocess.run(["import", "-window", "root", path], env=self.server.env(), check=True,
                       timeout=20)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.home.cleanup()
