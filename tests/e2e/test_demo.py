"""Start-up with the shipped demo: the window's title and size, the success line, every image
read, and the demo's parts on screen, its monitor showing an orbiting camera's picture; F12 numbers
its screenshots past names already taken."""

import os
import unittest

from harness import SOURCE, TITLE, Engine, near, run

DEMO = os.path.join(SOURCE, "demo")
BUTTON_Y = 576  # the seven buttons' centres along the bottom panel, in window pixels
BUTTONS = ["MOVE", "TURN", "SPARKS", "FASTER", "SLOWER", "SPEED 1X", "BOXES"]


def button_x(label):
    return int(61.8 + 112.76 * BUTTONS.index(label))


def demo_files():
    return {n: open(os.path.join(DEMO, n), "rb").read() for n in os.listdir(DEMO) if n == "scene.txt" or n.endswith(".tga")}


class DemoTest(unittest.TestCase):
    def test_the_demo_starts_loads_and_shows_its_parts(self):
        with Engine(None, dict(demo_files(), **{"krestel-0001.png": b"taken"}), name="demo") as e:
            self.assertEqual((run("xdotool", "getwindowname", e.window).stdout.strip(), e.geometry()[2:]), (TITLE, (800, 600)))
            shot, out, err = e.screenshot("look"), e.stdout(), e.stderr()
            self.assertTrue(e.alive(), err)
        self.assertIn('File Load ("scene.txt"): Success', out)
        self.assertIn("Screenshot: krestel-0002.png\n", out)
        self.assertNotIn("ERROR", out + err)
        self.assertEqual([n for n in demo_files() if n.endswith(".tga") and "'%s' (" % n not in out], [])
        self.assertTrue(near(shot.pixel(560, 40), (217, 217, 242), 8), shot.path)  # sky
        self.assertGreater(shot.count(lambda p: min(p) > 235, 1, (0, 0, 240, 70)), 100, shot.path)  # the read-outs
        for x in map(button_x, BUTTONS):
            self.assertGreater(shot.count(lambda p: min(p) > 235, 1, (x - 45, BUTTON_Y - 10, x + 45, BUTTON_Y + 10)), 40)
        self.assertGreater(shot.count(lambda p: p[0] > 110 and p[1] < 70 and p[2] < 70, 2, (430, 320, 680, 480)), 300)  # cart
        # The monitor shows a picture, not the white of a texture never drawn into.
        screen = {shot.pixel(x, y) for y in range(90, 170, 2) for x in range(130, 260, 2)}
        self.assertGreater(len(screen), 150, shot.path)
        self.assertLess(sum(1 for p in screen if min(p) > 245), len(screen) // 4, shot.path)


if __name__ == "__main__":
    unittest.main()
