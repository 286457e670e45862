"""Texture files as other programs write them, end to end: a PNG and a run-length encoded,
top-first TGA written by ImageMagick, each on a HUD panel, drawn upright; a cut PNG between them
is reported by name and drawn white, and a missing file gives the reader's message."""

import subprocess
import unittest

from harness import Engine, near
from scenes import camera, panel, scene

# Red over blue: a picture drawn upside down shows blue on top.
PICTURE = ["convert", "-size", "4x2", "xc:red", "-size", "4x2", "xc:blue", "-append"]


def image(*options):
    return subprocess.run(PICTURE + list(options), capture_output=True, check=True).stdout


class Images(unittest.TestCase):
    def test_png_and_rle_tga_panels_are_upright(self):
        files = {"pic.png": image("png:-"), "pic.tga": image("-orient", "topleft", "-compress", "RLE", "tga:-"),
                 "cut.png": image("png:-")[:60]}
        text = scene([camera()], backgrounds=[panel("1 1 1 1", -1.2, -0.6, -0.2, 0.6, "pic.png"),
                                              panel("1 1 1 1", 0.2, -0.6, 1.2, 0.6, "pic.tga"),
                                              panel("1 1 1 1", -0.1, -0.6, 0.1, 0.6, "cut.png"),
                                              panel("1 1 1 1", -0.1, 0.7, 0.1, 0.8, "missing.png")])
        with Engine(text, files, name="images") as engine:
            shot = engine.screenshot()
            out, err = engine.stdout(), engine.stderr()
        self.assertIn("TGA_READ: 'cut.png': PNG: ", err)
        self.assertIn("TGA_READ: failed to open file missing.png\n", err)
        self.assertTrue(near(shot.pixel(shot.width // 2, shot.height // 2), (255, 255, 255), 10), shot.path)
        self.assertIn("'pic.png' (4 byte) image file closed and read.", out)
        self.assertIn("'pic.tga' (3 byte) image file closed and read.", out)
        for x in (-0.7, 0.7):
            column = int((x + 4 / 3) / (8 / 3) * shot.width)
            top, bottom = (shot.pixel(column, int((1 - y) / 2 * shot.height)) for y in (0.3, -0.3))
            self.assertTrue(near(top, (255, 0, 0), 40) and near(bottom, (0, 0, 255), 40),
                            "x %g: top %s, bottom %s in %s" % (x, top, bottom, shot.path))


if __name__ == "__main__":
    unittest.main()
