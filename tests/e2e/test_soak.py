"""Soak: the demo runs under X for a minute (20 seconds in CI, or KRESTEL_SOAK_SECONDS) while
random keys, drags and HUD button presses arrive, and the time rate is held in turn fast, at zero
and negative. The process must stay up, and once everything has been used once (so the driver's
caches and the particle arrays have grown to what the scene needs), its resident memory must stop
growing: the value at the end within 5 % of the value at the half-way point."""

import os
import random
import sys
import time
import unittest

from harness import Engine
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
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS for %d" % pid)


class Soak(unittest.TestCase):
    def setUp(self):
        # A sanitizer build keeps freed memory in quarantine for a while: that is not growth.
        options = os.environ.get("ASAN_OPTIONS", "")
        os.environ["ASAN_OPTIONS"] = (options + ":" if options else "") + "quarantine_size_mb=0"
        self.random = random.Random(SEED)
        self.engine = Engine(None, demo_files(), name="soak")
        self.rate_phases = []

    def tearDown(self):
        self.engine.stop()

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

    def sim_readout(self, label):
        """The near-white pixels of the simulation-time text (the lower read-out): what changes
        when the time shown changes, and not when the scene behind it moves."""
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
        """Holds minus and the SLOWER button until simulation time has run back to 0, where the
        clock stops it at rate 0; on the way the rate is negative. True once the read-out stands
        still while both are still held."""
        self.rate_phases.append("negative")
        self.engine.move_mouse(*SLOWER)
        self.engine.mouse_down(1)
        self.engine.key_down("minus")
        try:
            previous = self.sim_readout("rate-a")
            for attempt in range(30):
                time.sleep(0.5)
                # Shown with two decimals: no change over half a second is a rate below 0.02,
                # and the rate only falls while minus is held, so it has reached zero.
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
            self.assertTrue(self.engine.alive(), "krestel stopped: " + self.engine.stderr())

    def test_demo_stays_up_and_memory_stops_growing(self):
        start = time.time()
        self.engine.start()
        pid = self.engine.process.pid
        # Every button and every rate once, so that the driver's caches and the particle arrays
        # have met everything the scene can show before memory is measured.
        for button in BUTTONS:
            self.press(button, 0.12)
        self.rate_fast()
        self.random_key()
        self.random_drag()
        self.assertTrue(self.rate_to_zero(), "holding minus never stopped simulation time")
        warm = time.time() - start
        # The half-way sample is taken no earlier than the end of the warm-up.
        half = max(start + SECONDS / 2, time.time())
        self.run_until(half, rate_every=max(2.0, SECONDS / 10))
        rss_half = rss_kb(pid)
        self.engine.screenshot("half")  # for the record: the view should still be on the scene
        self.run_until(start + SECONDS, rate_every=max(2.0, SECONDS / 10))
        time.sleep(0.5)
        self.assertTrue(self.engine.alive(), "krestel stopped: " + self.engine.stderr())
        rss_end = rss_kb(pid)
        self.engine.screenshot("end")
        growth = (rss_end - rss_half) / rss_half
        print("soak: %.0f s (warm-up %.0f s), seed %d, RSS %d kB at half-way, %d kB at the end (%+.1f %%), "
              "rate phases %s" % (time.time() - start, warm, SEED, rss_half, rss_end, 100 * growth,
                                  " ".join(self.rate_phases)), file=sys.stderr)
        for phase in ("fast", "negative", "zero"):
            self.assertIn(phase, self.rate_phases)
        self.assertLessEqual(abs(growth), 0.05,
                             "resident memory went from %d kB to %d kB" % (rss_half, rss_end))
        self.assertEqual(self.engine.geometry()[2:], (800, 600))


if __name__ == "__main__":
    unittest.main()
