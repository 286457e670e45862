"""End-to-end test support: runs build/krestel in a temporary folder under X, finds its window,
drives it with xdotool and reads screenshots back as RGB pixels."""

import os
import shutil
import subprocess
import tempfile
import time

TITLE = "Tolvane - Krestel Engine"
HERE = os.path.dirname(os.path.abspath(__file__))
BINARY = os.environ.get("KRESTEL_BINARY", os.path.join(HERE, "../../build/krestel"))
SOURCE = os.environ.get("KRESTEL_SOURCE", os.path.join(HERE, "../.."))
OUTPUT = os.environ.get("KRESTEL_TEST_OUTPUT", "/tmp/krestel-test-output")


def run(*args, check=True, timeout=20): return subprocess.run(args, capture_output=True, text=True, check=check, timeout=timeout)


def read_png(path):
    width, height = run("identify", "-format", "%w %h", path).stdout.split()
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return Image(int(width), int(height), raw, path)


def near(a, b, tolerance=6): return all(abs(int(x) - int(y)) <= tolerance for x, y in zip(a, b))


class Image:
    """An RGB screenshot: pixel(x, y) with (0, 0) at the top-left, as X reports it."""

    def __init__(self, width, height, data, path):
        self.width, self.height, self.data, self.path = width, height, data, path

    def pixel(self, x, y): return tuple(self.data[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3])

    def count(self, predicate, step=2, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1, step) for x in range(x0, x1, step) if predicate(self.pixel(x, y)))


class Engine:
    """One running krestel process, started with `args` in a folder holding `files` (and `scene`
    as scene.txt). A context manager."""

    def __init__(self, scene=None, files=None, name="engine", args=()):
        self.name, self.args, self.process, self.window = name, list(args), None, None
        self.dir = tempfile.mkdtemp(prefix="krestel-e2e-")
        for file_name, content in dict(files or {}, **({"scene.txt": scene} if scene else {})).items():
            os.makedirs(os.path.dirname(os.path.join(self.dir, file_name)), exist_ok=True)
            with open(os.path.join(self.dir, file_name), "wb" if isinstance(content, bytes) else "w") as f:
                f.write(content)

    def __enter__(self): return self.start() or self

    def __exit__(self, *exc): self.stop()

    def start(self, attempts=3):
        """Starts the engine and waits for its window; a start the X server refused is retried."""
        for attempt in range(attempts):
            with open(self._log("stdout"), "w") as out, open(self._log("stderr"), "w") as err:
                self.process = subprocess.Popen([os.path.abspath(BINARY), *self.args], cwd=self.dir, stdout=out, stderr=err)
            for _ in range(200):
                if not self.alive():
                    break
                ids = run("xdotool", "search", "--pid", str(self.process.pid), "--name", TITLE, check=False)
                self.window = (ids.stdout.split() or [None])[0]
                # At its final size, and past the black of a window not drawn into yet.
                if self.window and self.geometry()[2:] == (800, 600) and self.screenshot("start").count(any, 40):
                    time.sleep(0.3)
                    return
                time.sleep(0.1)
            if self.alive() or "open display" not in self.stderr() or attempt + 1 == attempts:
                self.stop()
                raise AssertionError("no krestel window (status %s): %s" % (self.process.returncode, self.stderr()))

    def alive(self): return self.process is not None and self.process.poll() is None

    def stop(self):
        """Quits with Escape, so the program ends through exit (and the sanitizer pass's leak check)
        with status 0, or fails; one that does not quit is terminated."""
        if self.alive() and self.window:
            run("xdotool", "key", "--window", self.window, "Escape", check=False)
            try:
                status = self.process.wait(10)
            except subprocess.TimeoutExpired:
                status = None
            if status not in (None, 0):
                raise AssertionError("krestel quit with status %s: %s" % (status, self.stderr()[-3000:]))
        if self.alive():
            self.process.terminate()
            self.process.wait(5)

    def _log(self, stream): return os.path.join(self.dir, stream + ".txt")

    def stdout(self): return open(self._log("stdout")).read()

    def stderr(self): return open(self._log("stderr")).read()

    def geometry(self):
        """(x, y, width, height) of the window."""
        values = dict(line.split("=") for line in run("xdotool", "getwindowgeometry", "--shell", self.window).stdout.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def screenshot(self, label="shot"):
        """The frame the engine drew, written by F12 beside the scene and moved to OUTPUT."""
        os.makedirs(OUTPUT, exist_ok=True)
        path = os.path.join(OUTPUT, "%s-%s.png" % (self.name, label))
        shots = self.stdout().count("Screenshot: ")
        self.xdotool("key", "F12")
        deadline = time.time() + 10
        while self.stdout().count("Screenshot: ") == shots:
            if time.time() > deadline or not self.alive():
                raise AssertionError("F12 wrote no screenshot: " + self.stderr())
            time.sleep(0.05)
        shutil.move(os.path.join(self.dir, self.stdout().split("Screenshot: ")[-1].splitlines()[0]), path)
        return read_png(path)

    # Input, in window coordinates.
    def xdotool(self, *args):
        run("xdotool", args[0], "--window", self.window, *map(str, args[1:]))

    def hold_key(self, key, seconds):
        self.xdotool("keydown", key)
        time.sleep(seconds)
        self.xdotool("keyup", key)

    def hold_mouse(self, x, y, seconds, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.1)
        self.xdotool("mousedown", button)
        time.sleep(seconds)
        self.xdotool("mouseup", button)

    def drag(self, x0, y0, x1, y1, button=1, steps=10, pause=0.03):
        self.xdotool("mousemove", x0, y0)
        self.xdotool("mousedown", button)
        for i in range(1, steps + 1):
            time.sleep(pause)
            self.xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        time.sleep(pause)
        self.xdotool("mouseup", button)
