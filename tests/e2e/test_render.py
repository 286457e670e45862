"""What the renderer puts on screen through the whole engine: a square textured with a TGA file,
and a monitor square whose DYNAMIC texture shows what a camera entity far to the side sees, an
object the main camera cannot see. Checked at the centres of regions of a screenshot."""

import unittest

from harness import Engine, near
from scenes import camera, entity, material, scene, square, tga

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)

# The main camera looks down -Z from z = 10 at two squares 3 units wide: the monitor on the left,
# the tiles on the right. The camera Spy looks at a green square 100 units to the right.
SCENE = scene(
    [camera(), camera("Spy", "100 0 10"),
     entity("OBJECT", "Secret", "100 0 0", link="Square", material="Green"),
     entity("OBJECT", "Monitor", "-3 0 0", link="Square", material="Screen"),
     entity("OBJECT", "Wall", "3 0 0", link="Square", material="Tiles")],
    materials=[material("Green", "0 1 0"), material("Screen", "1 1 1", "spyview", camera="Spy"),
               material("Tiles", "1 1 1", "tiles.tga")],
    meshes=[square(half=1.5)])
# Red and green along the bottom row, blue and white along the top.
TILES = tga(2, 2, [RED, GREEN, BLUE, WHITE])


def screen(x, y):
    """Where the main projection (60 degrees, 800 by 600, eye at z = 10) puts a point of the
    z = 0 plane, in screenshot coordinates (y down): 52 pixels per unit."""
    scale = 300 / (10 * 0.57735)
    return int(round(400 + x * scale)), int(round(300 - y * scale))


class RenderOnScreen(unittest.TestCase):
    def test_textured_square_and_monitor(self):
        with Engine(SCENE, files={"tiles.tga": TILES}, name="render") as engine:
            shot = engine.screenshot("monitor")
            self.assertTrue(engine.alive(), engine.stderr())
            self.assertIn("'tiles.tga' (3 byte) image file closed and read.", engine.stdout())

        def check(point, colour):
            pixel = shot.pixel(*screen(*point))
            self.assertTrue(near(pixel, colour, 12), "%s at %s is %s, expected %s in %s"
                            % (point, screen(*point), pixel, colour, shot.path))

        # The tiles, the right way up: the image's first row is the bottom one.
        check((3 - 0.75, -0.75), RED)
        check((3 + 0.75, -0.75), GREEN)
        check((3 - 0.75, 0.75), BLUE)
        check((3 + 0.75, 0.75), WHITE)
        # The monitor shows the green square that only the camera Spy sees.
        check((-3, 0), GREEN)
        background = shot.pixel(20, 580)
        self.assertFalse(near(background, GREEN, 60), background)
        # Towards its edge the monitor shows the Spy's background, as the screen does.
        edge = shot.pixel(*screen(-3 - 1.3, 1.3))
        self.assertTrue(near(edge, background, 12), (edge, background, shot.path))


if __name__ == "__main__":
    unittest.main()
