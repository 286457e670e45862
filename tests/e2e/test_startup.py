"""Start-up without a scene file: the window, its title and size, the clear colour, the console
line, and the program keeps running."""

import time
import unittest

from harness import Engine, near

CLEAR = (round(0.85 * 255), round(0.85 * 255), round(0.95 * 255))


class StartupWithoutSceneFile(unittest.TestCase):
    def test_window_opens_with_title_size_and_clear_colour(self):
        with Engine(scene=None, name="startup") as engine:
            self.assertEqual(engine.title(), "Tolvane - Krestel Engine")
            self.assertEqual(engine.geometry()[2:], (800, 600))
            self.assertIn("ERROR: 'scene.txt' failed to open.\n", engine.stdout())
            shot = engine.screenshot()
            # Below the error panel at the top, corners and centre show the pale blue-grey clear
            # colour (the read-outs are tiny).
            for x, y in ((5, 40), (790, 40), (5, 590), (790, 590), (200, 450)):
                self.assertTrue(near(shot.pixel(x, y), CLEAR), (x, y, shot.pixel(x, y), shot.path))
            # A different colour must be told apart: pure white is not the clear colour.
            self.assertFalse(near((255, 255, 255), CLEAR))
            time.sleep(0.5)
            self.assertTrue(engine.alive(), engine.stderr())


if __name__ == "__main__":
    unittest.main()
