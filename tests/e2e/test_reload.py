"""Reload on save: a running engine sees a good edit (saved by renaming a new file over the old
one), a broken edit (one error line naming the file and the line, the error panel at the top, the
old scene still drawn; F2 then adds the frame-rate line), the fix, a saved texture and an edit of
the mesh file the scene names, with the free camera left where the user flew it."""

import os
import time
import unittest

from harness import Engine, near
from scenes import camera, edited, entity, line_of, material, scene, square, tga

RED, GREEN, BLUE, HALF_BLUE, ERROR_TEXT = (255, 0, 0), (0, 255, 0), (0, 0, 255), (0, 0, 128), (255, 140, 128)
TEXT = scene([camera(), entity("OBJECT", "Sq", link="Square", material="Paint")],
             materials=[material("Paint", "1 0 0", "paint.tga")], meshes=["MESH: Square\n# by reference\nMESHFILE: sq.mesh\n"])
WHITE = tga(2, 2, ((255, 255, 255),))
MESH = square(half=1.5).split("\n", 1)[1]  # the lines after "MESH: Square"


def centre_of(image, colour):
    points = [(x, y) for y in range(40, image.height, 3) for x in range(0, image.width, 3)
              if near(image.pixel(x, y), colour, 30)]
    if len(points) < 50:
        return None
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


class ReloadOnSave(unittest.TestCase):
    def save(self, engine, text, label, done, by_rename=True, name="scene.txt"):
        """Saves `text` as `name` and returns the first screenshot where `done` holds."""
        path = os.path.join(engine.dir, name)
        with open(path + ".new" if by_rename else path, "wb" if isinstance(text, bytes) else "w") as f:
            f.write(text)
        if by_rename:
            os.replace(path + ".new", path)
        start = time.time()
        while time.time() - start < 3:  # a save is seen within half a second, a screenshot is slow
            image = engine.screenshot(label)
            if done(image):
                return image
        self.fail("%s not seen: %s" % (label, image.path))

    def test_good_broken_and_fixed_edits(self):
        with Engine(TEXT, {"paint.tga": WHITE, "sq.mesh": MESH}, name="reload") as engine:
            engine.hold_key("d", 0.3)  # the camera moves right: the square leaves the centre
            time.sleep(0.2)
            where = centre_of(engine.screenshot("flown"), RED)
            self.assertLess(where[0], 380, "the camera did not move")

            green = edited(TEXT, ("EMISSION: 1 0 0", "EMISSION: 0 1 0"))
            image = self.save(engine, green, "green", lambda i: centre_of(i, GREEN) is not None)
            self.assertTrue(all(abs(a - b) < 4 for a, b in zip(centre_of(image, GREEN), where)))

            broken = edited(green, ("MASS: 1", "MAS: 1"))
            error = "ERROR: 'scene.txt' line %d: expected 'MASS:' but found 'MAS:'" % line_of(broken, "MAS:")
            image = self.save(engine, broken, "broken", lambda i: i.count(lambda p: near(p, ERROR_TEXT, 40)) > 20, False)
            self.assertEqual([l for l in engine.stderr().splitlines() if "ERROR" in l], [error])
            self.assertTrue(all(abs(a - b) < 4 for a, b in zip(centre_of(image, GREEN), where)))
            engine.xdotool("key", "F2")  # the frame-rate line below the white time read-outs
            image = engine.screenshot("f2")
            self.assertGreater(image.count(lambda p: near(p, (255, 255, 255), 20), 1, (0, 78, 600, 93)), 20, image.path)
            self.assertGreater(image.count(lambda p: near(p, ERROR_TEXT, 40)), 20, image.path)

            image = self.save(engine, edited(TEXT, ("EMISSION: 1 0 0", "EMISSION: 0 0 1")), "fixed",
                              lambda i: centre_of(i, BLUE) is not None)
            self.assertEqual(image.count(lambda p: near(p, ERROR_TEXT, 40)), 0, image.path)
            # A texture the scene names is watched too: grey halves the blue.
            image = self.save(engine, tga(2, 2, ((128, 128, 128),)), "texture",
                              lambda i: centre_of(i, HALF_BLUE) is not None, name="paint.tga")
            # So is the mesh file: a smaller square.
            blue = image.count(lambda p: near(p, HALF_BLUE, 30))
            self.save(engine, square(half=0.5).split("\n", 1)[1], "mesh file", name="sq.mesh",
                      done=lambda i: 0 < i.count(lambda p: near(p, HALF_BLUE, 30)) < blue / 5)
            self.assertEqual(engine.stdout().count('File Load ("scene.txt"): Success'), 5)


if __name__ == "__main__":
    unittest.main()
