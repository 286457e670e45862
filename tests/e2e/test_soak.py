"""Soak: the demo runs for a minute (20 s in CI, or KRESTEL_SOAK_SECONDS) under random keys, drags,
button presses, fast, zero and negative time rates, and five F5 reloads a second of saves broken and
whole in turn. It must stay up, with resident memory at the end within 5 % of that at half-way."""

import os
import random
import re
import sys
import time
import unittest

from harness import Engine, run
from test_demo import BUTTON_Y, button_x, demo_files, text_lines

CI = os.environ.get("CI") == "true"
SECONDS = float(os.environ.get("KRESTEL_SOAK_SECONDS") or (20 if CI else 60))
SEED = int(os.environ.get("KRESTEL_SOAK_SEED", "2026"))

# Drags start and end here, clear of the HUD panel at the bottom and the monitor at the top right.
DRAG_AREA = (80, 120, 580, 440)
OPPOSITE = {"w": "s", "s": "w", "a": "d", "d": "a", "q": "e", "e": "q"}
# The time-rate buttons belong to the rate phases; the others are fair game for random presses.
FASTER, SLOWER, RESET = ((button_x(label), BUTTON_Y) for label in ("FASTER", "SLOWER", "SPEED 1X"))
BUTTONS = [(button_x(label), BUTTON_Y) for label in ("MOVE", "TURN", "SPARKS", "BOXES")]


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


class Soak(unittest.TestCase):
    def setUp(self):
        # A sanitizer build keeps freed memory in quarantine for a while: that is not growth.
        options = os.environ.get("ASAN_OPTIONS", "")
        os.environ["ASAN_OPTIONS"] = (options + ":" if options else "") + "quarantine_size_mb=0"
        self.random = random.Random(SEED)
        self.engine = Engine(None, demo_files(), name="soak")
        self.addCleanup(self.engine.stop)
        self.rate_phases, self.reloads = [], 0
        self.good = demo_files()["scene.txt"].decode()
        self.loads = lambda: self.engine.stdout().count("): Success") + self.engine.stderr().count("ERROR: ")

    def press(self, button, seconds=0.15):
        self.engine.hold_mouse(button[0], button[1], seconds)

    # Moves and turns come in pairs that undo each other, so the view stays on the scene.
    def random_key(self):
        key, seconds = self.random.choice("wasdqe"), self.random.uniform(0.05, 0.15)
        self.engine.hold_key(key, seconds)
        self.engine.hold_key(OPPOSITE[key], seconds)

    def random_drag(self):
        x0, y0, x1, y1 = DRAG_AREA
        r = self.random
        start = (r.randint(x0, x1), r.randint(y0, y1))
        end = (min(max(start[0] + r.randint(-60, 60), x0), x1),
               min(max(start[1] + r.randint(-40, 40), y0), y1))
        button = r.choice((1, 3))
        self.engine.drag(*start, *end, button=button, steps=5, pause=0.02)
        self.engine.drag(*end, *start, button=button, steps=5, pause=0.02)

    def random_action(self):
        r = self.random
        r.choice((self.random_key, self.random_key, self.random_drag,
                  lambda: self.press(r.choice(BUTTONS), r.uniform(0.05, 0.3))))()

    def reload_pairs(self, pairs):
        """Broken, then whole, so the error panel is closed again when the read-outs are read."""
        for text in (self.good.replace("MASS:", "MAS:", 1), self.good) * pairs:
            with open(self.engine.dir + "/scene.txt", "w") as f:
                f.write(text)
            loads, deadline = self.loads(), time.time() + 3
            run("xdotool", "key", "--window", self.engine.window, "F5")
            while self.loads() == loads and time.time() < deadline:
                time.sleep(0.005)
            self.assertGreater(self.loads(), loads, "save %d was not reloaded" % self.reloads)
            self.reloads += 1

    def sim_readout(self, label):  # the near-white pixels of the simulation-time text
        image = self.engine.screenshot(label)
        top, bottom = text_lines(image)[-1]
        return frozenset((x, y) for y in range(top, bottom + 1) for x in range(0, 240)
                         if min(image.pixel(x, y)) > 235)

    def rate_fast(self):
        self.press(RESET)
        self.engine.hold_key("equal", 0.4)  # +0.01 per idle turn
        self.press(FASTER, 0.6)  # +1 per second held
        self.rate_phases.append("fast")

    def rate_to_zero(self):
        """Holds minus and SLOWER until the clock stops at 0: True once the read-out stands still."""
        self.rate_phases.append("negative")
        self.engine.move_mouse(*SLOWER)
        self.engine.mouse_down(1)
        self.engine.key_down("minus")
        try:
            previous = self.sim_readout("rate-a")
            for attempt in range(30):
                time.sleep(0.5)
                # Two decimals: no change in half a second is a rate below 0.02, and it only falls.
                current = self.sim_readout("rate-b")
                if current == previous:
                    self.rate_phases.append("zero")
                    return True
                previous = current
            return False
        finally:
            self.engine.key_up("minus")
            self.engine.mouse_up(1)

    def run_until(self, deadline, rate_every):
        next_rate, zero = time.time() + rate_every, True
        while time.time() < deadline:
            # A rate phase can take several seconds: none starts just before the deadline.
            if time.time() >= next_rate and deadline - time.time() > 4:
                self.rate_fast() if zero else self.rate_to_zero()
                zero = not zero
                next_rate = time.time() + rate_every
            self.random_action()
            while self.reloads < 6 * (time.time() - self.start):  # keeps up five a second or more
                self.reload_pairs(1)
            self.assertTrue(self.engine.alive(), "krestel stopped: " + self.engine.stderr())

    def test_demo_stays_up_and_memory_stops_growing(self):
        start = self.start = time.time()
        self.engine.start()
        # Every button, rate and reload once, so caches and particle arrays have met everything.
        for button in BUTTONS:
            self.press(button, 0.12)
        self.rate_fast()
        self.random_key()
        self.random_drag()
        self.reload_pairs(1)
        self.assertTrue(self.rate_to_zero(), "holding minus never stopped simulation time")
        # The half-way sample is taken no earlier than the end of the warm-up.
        half = max(start + SECONDS / 2, time.time())
        self.run_until(half, rate_every=max(2.0, SECONDS / 10))
        rss_half = rss_kb(self.engine.process.pid)
        self.run_until(start + SECONDS, rate_every=max(2.0, SECONDS / 10))
        while self.reloads < 5 * SECONDS:  # a slow warm-up can leave the second half short
            self.reload_pairs(1)
        time.sleep(0.5)
        rss_end = rss_kb(self.engine.process.pid)
        growth = (rss_end - rss_half) / rss_half
        print("soak: %.0f s, seed %d, RSS %d kB half-way, %d kB at the end (%+.1f %%), %d reloads, rate phases %s"
              % (time.time() - start, SEED, rss_half, rss_end, 100 * growth, self.reloads, self.rate_phases), file=sys.stderr)
        self.assertGreaterEqual(self.reloads, 5 * SECONDS)
        self.assertLessEqual({"fast", "negative", "zero"}, set(self.rate_phases))
        self.assertLessEqual(abs(growth), 0.05,
                             "resident memory went from %d kB to %d kB" % (rss_half, rss_end))


if __name__ == "__main__":
    unittest.main()
