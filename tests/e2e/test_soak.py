"""Soak: the demo runs for a minute (20 s in CI) under random keys, drags and button presses, the
time-rate buttons among them, while at least 300 saves, broken and whole in turn, are reloaded with
F5. It must stay up, with resident memory at the end within 5 % of that at half-way."""

import os
import random
import re
import sys
import time
import unittest

from harness import Engine, run
from test_demo import BUTTON_Y, BUTTONS, button_x, demo_files

SECONDS = float(os.environ.get("KRESTEL_SOAK_SECONDS") or (20 if os.environ.get("CI") == "true" else 60))
RELOADS = max(300, 5 * SECONDS)
SEED = 2026
OPPOSITE = {"w": "s", "s": "w", "a": "d", "d": "a", "q": "e", "e": "q"}


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


class Soak(unittest.TestCase):
    def setUp(self):
        # A sanitizer build keeps freed memory in quarantine for a while: that is not growth.
        os.environ["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":quarantine_size_mb=0"
        self.random, self.reloads = random.Random(SEED), 0
        self.engine = Engine(None, demo_files(), name="soak")
        self.addCleanup(self.engine.stop)
        self.good = demo_files()["scene.txt"].decode()

    def random_action(self):
        # Moves, turns and drags come in pairs that undo each other, so the view stays on the scene;
        # drags keep clear of the HUD panel at the bottom and the monitor at the top right.
        r, e = self.random, self.engine
        kind = r.randrange(4)
        if kind < 2:
            key, seconds = r.choice("wasdqe"), r.uniform(0.05, 0.15)
            e.hold_key(key, seconds)
            e.hold_key(OPPOSITE[key], seconds)
        elif kind == 2:
            start, end, button = (r.randint(80, 580), r.randint(120, 440)), (r.randint(80, 580), r.randint(120, 440)), r.choice((1, 3))
            e.drag(*start, *end, button=button, steps=5, pause=0.02)
            e.drag(*end, *start, button=button, steps=5, pause=0.02)
        else:
            e.hold_mouse(button_x(r.choice(BUTTONS)), BUTTON_Y, r.uniform(0.05, 0.6))

    def reload(self):
        """Broken and whole in turn, so the error panel comes and goes."""
        with open(self.engine.dir + "/scene.txt", "w") as f:
            f.write(self.good.replace("MASS:", "MAS:", 1) if self.reloads % 2 == 0 else self.good)
        loads = lambda: self.engine.stdout().count("): Success") + self.engine.stderr().count("ERROR: ")
        before, deadline = loads(), time.time() + 3
        run("xdotool", "key", "--window", self.engine.window, "F5")
        while loads() == before and time.time() < deadline:
            time.sleep(0.005)
        self.assertGreater(loads(), before, "save %d was not reloaded" % self.reloads)
        self.reloads += 1

    def run_until(self, fraction):
        while time.time() < self.start + fraction * SECONDS or self.reloads < fraction * RELOADS:
            self.random_action()
            while self.reloads < RELOADS * min(fraction, (time.time() - self.start) / SECONDS):
                self.reload()
            self.assertTrue(self.engine.alive(), "krestel stopped: " + self.engine.stderr())

    def test_demo_stays_up_and_memory_stops_growing(self):
        self.start = time.time()
        self.engine.start()
        for label in BUTTONS:  # every button once, so caches and particle arrays have met them all
            self.engine.hold_mouse(button_x(label), BUTTON_Y, 0.12)
        self.run_until(0.5)
        rss_half = rss_kb(self.engine.process.pid)
        self.run_until(1.0)
        time.sleep(0.5)
        rss_end = rss_kb(self.engine.process.pid)
        growth = (rss_end - rss_half) / rss_half
        print("soak: %.0f s, RSS %d kB half-way, %d kB at the end, %d reloads" % (
            time.time() - self.start, rss_half, rss_end, self.reloads), file=sys.stderr)
        self.assertLessEqual(abs(growth), 0.05, "resident memory went from %d kB to %d kB" % (rss_half, rss_end))


if __name__ == "__main__":
    unittest.main()
