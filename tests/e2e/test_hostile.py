"""Hostile files in one run: broken images and an endless one (/dev/zero) leave their panels white,
each reported once, and bodies past the float range keep the engine drawing, while a PNG and a
run-length encoded, top-first TGA written by ImageMagick are drawn upright beside them. The unit
tests hold the tables of hostile files."""

import subprocess
import time
import unittest

from harness import Engine, near
from scenes import camera, entity, material, panel, scene, square, tga

RED, BLUE = (255, 0, 0), (0, 0, 255)
TEXTURES = {"huge.tga": tga(65535, 65535, depth=32, body=bytes(100)), "zero.tga": tga(0, 0), "cut.tga": tga(2, 2, body=bytes(7))}
BROKEN = [*TEXTURES, "/dev/zero"]  # the bottom row of green panels


def picture(*options):  # red over blue: a picture drawn upside down shows blue on top
    return subprocess.run(["convert", "-size", "4x2", "xc:red", "-size", "4x2", "xc:blue", "-append", *options],
                          capture_output=True, check=True).stdout


IMAGES = {"pic.png": picture("png:-"), "pic.tga": picture("-orient", "topleft", "-compress", "RLE", "tga:-"),
          "cut.png": picture("png:-")[:60]}
# Thrown flies past the float range to NaN; Beyond is two edges out; Weightless has the least mass.
SCENE = scene(
    [camera(), entity("OBJECT", "Square", link="Square", material="Red"),
     entity("OBJECT", "Thrown", "3e38 0 -50", "SIMULATE", "Square", "Red", velocity="3.4e38 -3.4e38 3.4e38"),
     entity("GROUP", "Edge", "3.4e38 3.4e38 0", children=1) + entity("OBJECT", "Beyond", "3.4e38 0 0", link="Square", angle="3e38"),
     entity("OBJECT", "Weightless", "0 -1e30 -50", "SIMULATE", "Square", "Red", mass="1e-38")],
    materials=[material("Red", "1 0 0")], meshes=[square(half=2)], gravity="0 -9.8 0",
    backgrounds=[panel("0 1 0 1", -1.2 + 0.6 * i, -0.9, -0.8 + 0.6 * i, -0.5, name) for i, name in enumerate(BROKEN)] +
    [panel("1 1 1 1", -1.2, 0.1, -0.5, 0.9, "pic.png"), panel("1 1 1 1", 0.5, 0.1, 1.2, 0.9, "pic.tga"),
     panel("1 1 1 1", -0.1, 0.6, 0.1, 0.9, "cut.png"), panel("1 1 1 1", 0.9, -0.3, 1.0, -0.2, "missing.png")])


class Hostile(unittest.TestCase):
    def test_broken_textures_and_overflow_keep_the_engine_drawing(self):
        with Engine(SCENE, dict(TEXTURES, **IMAGES), name="hostile-run") as engine:
            time.sleep(1.5)
            self.assertTrue(engine.alive(), engine.stderr())
            self.assertIn('File Load ("scene.txt"): Success', engine.stdout(), engine.stderr())
            shot = engine.screenshot("hostile")
            self.assertTrue(near(shot.pixel(400, 300), RED, 60), shot.pixel(400, 300))
            for i in range(4):  # the panels' centres
                self.assertTrue(near(shot.pixel(int(100 + 180 * i), 510), (0, 255, 0), 30), shot.path)
            out, err = engine.stdout(), engine.stderr()
        for name in BROKEN + ["cut.png"]:  # once each, as a warning with the reader's reason
            said = [line for line in err.splitlines() if "'%s'" % name in line]
            self.assertEqual([line.split(" line ")[0] for line in said], ["WARNING: 'scene.txt'"], err)
            self.assertIn("texture '%s' cannot be read: " % name, said[0])
        self.assertIn("texture 'cut.png' cannot be read: PNG: ", err)
        self.assertIn("TGA_READ: failed to open file missing.png\n", err)
        self.assertTrue(near(shot.pixel(400, 75), (255, 255, 255), 10), shot.path)  # the cut PNG: white
        self.assertIn("'pic.png' (4 byte) image file closed and read.", out)
        self.assertIn("'pic.tga' (3 byte) image file closed and read.", out)
        for x in (145, 655):  # HUD x -0.85 and 0.85; y 0.7 and 0.3
            self.assertEqual((near(shot.pixel(x, 90), RED, 40), near(shot.pixel(x, 210), BLUE, 40)), (True, True), shot.path)


if __name__ == "__main__":
    unittest.main()
