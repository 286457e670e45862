"""Hostile files end to end, one run each: a scene.txt of garbage prints one error line naming
the file and the line, and the engine keeps running with its window open and an empty scene;
broken TGA files print the reader's message and leave their panels white while bodies thrown
past the float range and entities at its edge keep the engine drawing. The tables of hostile
texts and images are held by the unit tests."""

import random
import time
import unittest

from harness import Engine, near
from scenes import SPARKS, camera, entity, material, panel, scene, square, tga

RED = (255, 0, 0)
# Broken images, and one whose odd depth reads as 24-bit: blue, so black under a green tint.
TEXTURES = {
    "huge.tga": tga(65535, 65535, depth=32, body=bytes(100)),
    "zero.tga": tga(0, 0),
    "cut.tga": tga(2, 2, body=bytes(7)),
    "blue.tga": tga(2, 2, [(0, 0, 255)], depth=7),
}
# Thrown goes past the float range, then to NaN; a group at the edge of the range holds a child
# one more edge away (world infinity) and an emitter; Weightless has the smallest mass.
OVERFLOW = [
    entity("OBJECT", "Thrown", "3e38 0 -50", "SIMULATE", "Square", "Red",
           velocity="3.4e38 -3.4e38 3.4e38"),
    entity("GROUP", "Edge", "3.4e38 3.4e38 0", children=2)
    + entity("OBJECT", "Beyond", "3.4e38 0 0", link="Square", material="Red", angle="3e38")
    + entity("PARTICLE", "Emitter", "3.4e38 0 0", link="Sparks"),
    entity("OBJECT", "Weightless", "0 -1e30 -50", "SIMULATE", "Square", "Red", mass="1e-38"),
]
# A camera 10 units in front of a red square 4 units wide; four panels along the bottom, each
# tinted green so that the white texture and a loaded image differ.
SCENE = scene(
    [camera(), entity("OBJECT", "Square", link="Square", material="Red")] + OVERFLOW,
    materials=[material("Red", "1 0 0")], meshes=[square(half=2)], gravity="0 -9.8 0",
    particles=[SPARKS],
    backgrounds=[panel("0 1 0 1", -1.2 + 0.6 * i, -0.9, -0.8 + 0.6 * i, -0.5, name)
                 for i, name in enumerate(TEXTURES)])


class Hostile(unittest.TestCase):
    def test_garbage_scene_is_refused_with_one_line_and_the_engine_runs_on(self):
        garbage = bytes(random.Random(7).randrange(256) for _ in range(5000))
        with Engine(files={"scene.txt": garbage}, name="hostile-garbage") as engine:
            time.sleep(1.0)
            self.assertTrue(engine.alive(), "the engine stopped: " + engine.stderr())
            self.assertEqual(engine.geometry()[2:], (800, 600))
            errors = [line for line in engine.stderr().splitlines() if line.startswith("ERROR:")]
            self.assertEqual(len(errors), 1, engine.stderr())
            self.assertRegex(errors[0], r"^ERROR: 'scene\.txt' line [0-9]+: expected 'SCENECAMERA:' "
                                        r"but found .+$")
            self.assertNotIn("Success", engine.stdout())
            # An empty scene: no red square where the good file of the next test shows one.
            shot = engine.screenshot("error")
            self.assertFalse(near(shot.pixel(400, 300), RED, 60), "a rejected scene was drawn")

    def test_broken_textures_and_overflow_keep_the_engine_drawing(self):
        with Engine(SCENE, files=TEXTURES, name="hostile-run") as engine:
            self.assertIn('File Load ("scene.txt"): Success', engine.stdout())
            for second in range(3):
                time.sleep(1.0)
                self.assertTrue(engine.alive(), "stopped after %d s: %s" % (second, engine.stderr()))
            self.assertIn("'blue.tga' (3 byte) image file closed and read.", engine.stdout())
            self.assertEqual(engine.stderr().splitlines(), [
                "TGA_READ: 'huge.tga': file has 118 bytes but a 65535 by 65535 32-bit image needs "
                "17179344918",
                "TGA_READ: 'zero.tga': image is 0 by 0: it has no pixels",
                "TGA_READ: 'cut.tga': file has 25 bytes but a 2 by 2 24-bit image needs 30"])
            shot = engine.screenshot("hostile")
            # The square at the origin is still drawn in the middle of the window.
            self.assertTrue(near(shot.pixel(400, 300), RED, 60), shot.pixel(400, 300))
            # Panel centres: x = 400 + 300 * (-1.0 + 0.6 i), y = 300 + 300 * 0.7.
            centres = [(int(400 + 300 * (-1.0 + 0.6 * i)), 510) for i in range(4)]
            for name, (x, y) in zip(list(TEXTURES)[:3], centres):
                self.assertTrue(near(shot.pixel(x, y), (0, 255, 0), 30),
                                "%s panel is %s, not plain green" % (name, shot.pixel(x, y)))
            self.assertTrue(near(shot.pixel(*centres[3]), (0, 0, 0), 30), shot.pixel(*centres[3]))


if __name__ == "__main__":
    unittest.main()
