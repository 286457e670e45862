"""--screenshot writes the frame upright after the given time and exits 0; F12, which takes every
screenshot of these tests, numbers its files past names already taken."""

import os
import tempfile
import unittest

from harness import BINARY, SOURCE, Engine, near, read_png, run
from scenes import camera, scene

SKY = (217, 217, 242)  # the clear colour


class Screenshots(unittest.TestCase):
    def test_option_and_f12(self):
        path = os.path.join(tempfile.mkdtemp(prefix="krestel-e2e-"), "demo.png")
        done = run(os.path.abspath(BINARY), "--screenshot", path, "--after", "1", os.path.join(SOURCE, "demo"), timeout=60)
        self.assertEqual((done.returncode, done.stdout.splitlines()[-1]), (0, path), done.stderr)
        shot = read_png(path)  # sky at the top right, the button strip at the bottom
        self.assertEqual([near(shot.pixel(790, 10), SKY), near(shot.pixel(400, 590), SKY, 30)], [True, False])
        with Engine(scene([camera()]), files={"krestel-0001.png": b"taken"}, name="f12") as engine:
            self.assertTrue(near(engine.screenshot().pixel(400, 300), SKY))
            self.assertIn("Screenshot: krestel-0002.png\n", engine.stdout())


if __name__ == "__main__":
    unittest.main()
