"""End-to-end test support: runs build/krestel in a temporary folder under X, finds its window,
drives it with xdotool and reads screenshots back as RGB pixels (through ImageMagick)."""

import os
import shutil
import subprocess
import tempfile
import time

TITLE = "Tolvane - Krestel Engine"
BINARY = os.environ.get("KRESTEL_BINARY", os.path.join(os.path.dirname(__file__), "../../build/krestel"))
SOURCE = os.environ.get("KRESTEL_SOURCE", os.path.join(os.path.dirname(__file__), "../.."))
OUTPUT = os.environ.get("KRESTEL_TEST_OUTPUT", "/tmp/krestel-test-output")


def run(*args, check=True, timeout=20):
    return subprocess.run(args, capture_output=True, text=True, check=check, timeout=timeout)


class Image:
    """An RGB screenshot: pixel(x, y) with (0, 0) at the top-left, as X reports it."""

    def __init__(self, width, height, data, path):
        self.width, self.height, self.data, self.path = width, height, data, path

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def region_colours(self, x0, y0, x1, y1, step=4):
        return {self.pixel(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)}

    def count(self, predicate, step=2):
        return sum(1 for y in range(0, self.height, step) for x in range(0, self.width, step)
                   if predicate(self.pixel(x, y)))


def near(a, b, tolerance=6):
    return all(abs(int(x) - int(y)) <= tolerance for x, y in zip(a, b))


class Engine:
    """One running krestel process in its own folder. Use as a context manager."""

    def __init__(self, scene=None, files=None, name="engine", args=()):
        self.name, self.args = name, list(args)
        self.dir = tempfile.mkdtemp(prefix="krestel-e2e-")
        if scene is not None:
            with open(os.path.join(self.dir, "scene.txt"), "w") as f:
                f.write(scene)
        for file_name, content in (files or {}).items():
            mode = "wb" if isinstance(content, bytes) else "w"
            with open(os.path.join(self.dir, file_name), mode) as f:
                f.write(content)
        self.stdout_path = os.path.join(self.dir, "stdout.txt")
        self.stderr_path = os.path.join(self.dir, "stderr.txt")
        self.process = None
        self.window = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self, timeout=20, attempts=3):
        """Starts the engine and waits for its window. A start that the X server refused (it
        sometimes turns a connection away while another client is closing) is tried again."""
        for attempt in range(attempts):
            self._close_logs()
            self._logs = (open(self.stdout_path, "w"), open(self.stderr_path, "w"))
            self.process = subprocess.Popen([os.path.abspath(BINARY), *self.args], cwd=self.dir,
                                            stdout=self._logs[0], stderr=self._logs[1])
            deadline = time.time() + timeout
            while time.time() < deadline:
                if self.process.poll() is not None:
                    if "open display" in self.stderr() and attempt + 1 < attempts:
                        time.sleep(0.5)
                        break
                    raise AssertionError("krestel exited with %d: %s" % (self.process.returncode, self.stderr()))
                found = run("xdotool", "search", "--pid", str(self.process.pid), "--name", TITLE, check=False)
                ids = found.stdout.split()
                if ids:
                    self.window = ids[0]
                    # Wait until the window has its final size and has drawn a few frames.
                    for _ in range(50):
                        if self.geometry()[2:] == (800, 600):
                            break
                        time.sleep(0.1)
                    time.sleep(0.5)
                    return
                time.sleep(0.1)
            else:
                self.stop()
                raise AssertionError("no window titled %r appeared" % TITLE)

    def _close_logs(self):
        for log in getattr(self, "_logs", ()):
            log.close()
        self._logs = ()

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self._close_logs()

    def stdout(self):
        with open(self.stdout_path) as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path) as f:
            return f.read()

    def geometry(self):
        """(x, y, width, height) of the window."""
        out = run("xwininfo", "-id", self.window).stdout
        values = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"):
                if line.startswith(key):
                    values[key] = int(line.split(":")[1])
        return (values["Absolute upper-left X:"], values["Absolute upper-left Y:"],
                values["Width:"], values["Height:"])

    def title(self):
        return run("xdotool", "getwindowname", self.window).stdout.strip()

    def screenshot(self, label="shot"):
        os.makedirs(OUTPUT, exist_ok=True)
        path = os.path.join(OUTPUT, "%s-%s.png" % (self.name, label))
        run("import", "-window", self.window, path)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        size = run("identify", "-format", "%w %h", path).stdout.split()
        return Image(int(size[0]), int(size[1]), raw, path)

    # Input, in window coordinates.
    def key_down(self, key):
        run("xdotool", "keydown", "--window", self.window, key)

    def key_up(self, key):
        run("xdotool", "keyup", "--window", self.window, key)

    def hold_key(self, key, seconds):
        self.key_down(key)
        time.sleep(seconds)
        self.key_up(key)

    def move_mouse(self, x, y):
        run("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def mouse_down(self, button=1):
        run("xdotool", "mousedown", "--window", self.window, str(button))

    def mouse_up(self, button=1):
        run("xdotool", "mouseup", "--window", self.window, str(button))

    def drag(self, x0, y0, x1, y1, button=1, steps=10, pause=0.03):
        self.move_mouse(x0, y0)
        time.sleep(pause)
        self.mouse_down(button)
        for i in range(1, steps + 1):
            self.move_mouse(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            time.sleep(pause)
        self.mouse_up(button)

    def hold_mouse(self, x, y, seconds, button=1):
        self.move_mouse(x, y)
        time.sleep(0.1)
        self.mouse_down(button)
        time.sleep(seconds)
        self.mouse_up(button)


def source_path(*parts):
    return os.path.join(SOURCE, *parts)
