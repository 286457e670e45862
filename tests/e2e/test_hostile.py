"""Hostile files, one run each: a typo near a scene's end prints one error line naming the file
and the line and applies nothing; broken images leave their panels white and bodies past the
float range keep the engine drawing. The unit tests hold the tables of hostile files."""

import time
import unittest

from harness import Engine, near
from scenes import camera, entity, line_of, material, panel, scene, square, tga

RED = (255, 0, 0)
TEXTURES = {"huge.tga": tga(65535, 65535, depth=32, body=bytes(100)), "zero.tga": tga(0, 0), "cut.tga": tga(2, 2, body=bytes(7))}
# Thrown flies past the float range to NaN; Beyond is two edges out; Weightless has the least mass.
SCENE = scene(
    [camera(), entity("OBJECT", "Square", link="Square", material="Red"),
     entity("OBJECT", "Thrown", "3e38 0 -50", "SIMULATE", "Square", "Red", velocity="3.4e38 -3.4e38 3.4e38"),
     entity("GROUP", "Edge", "3.4e38 3.4e38 0", children=1) + entity("OBJECT", "Beyond", "3.4e38 0 0", link="Square", angle="3e38"),
     entity("OBJECT", "Weightless", "0 -1e30 -50", "SIMULATE", "Square", "Red", mass="1e-38")],
    materials=[material("Red", "1 0 0")], meshes=[square(half=2)], gravity="0 -9.8 0",
    backgrounds=[panel("0 1 0 1", -1.2 + 0.6 * i, -0.9, -0.8 + 0.6 * i, -0.5, name) for i, name in enumerate(TEXTURES)])


class Hostile(unittest.TestCase):
    def test_a_malformed_file_is_refused_with_one_line_and_applies_nothing(self):
        bad = SCENE.replace("MASS: 1e-38", "MASS 1e-38")
        with Engine(bad, TEXTURES, name="hostile-typo") as engine:
            self.assertEqual([line for line in engine.stderr().splitlines() if "ERROR" in line],
                             ["ERROR: 'scene.txt' line %d: expected 'MASS:' but found 'MASS'" % line_of(bad, "MASS 1e-38")])
            self.assertNotIn("Success", engine.stdout())
            shot = engine.screenshot("typo")
            self.assertFalse(near(shot.pixel(400, 300), RED, 60) or near(shot.pixel(100, 510), (0, 255, 0), 60))
            self.assertTrue(engine.alive())

    def test_broken_textures_and_overflow_keep_the_engine_drawing(self):
        with Engine(SCENE, TEXTURES, name="hostile-run") as engine:
            time.sleep(1.5)
            self.assertTrue(engine.alive() and 'File Load ("scene.txt"): Success' in engine.stdout(), engine.stderr())
            refused = [line for line in engine.stderr().splitlines() if line.startswith("TGA_READ: ")]
            self.assertEqual(["'%s'" % name in line for name, line in zip(TEXTURES, refused)], [True] * 3, refused)
            shot = engine.screenshot("hostile")
            self.assertTrue(near(shot.pixel(400, 300), RED, 60), shot.pixel(400, 300))
            for i in range(3):  # the panels' centres
                self.assertTrue(near(shot.pixel(int(100 + 180 * i), 510), (0, 255, 0), 30), shot.path)


if __name__ == "__main__":
    unittest.main()
