"""What the renderer puts on screen through the whole engine: a square textured with a TGA file,
and a monitor square whose DYNAMIC texture shows what a camera entity far to the side sees,
an object the main camera cannot see. Checked at the centres of regions of a screenshot."""

import struct
import unittest

from harness import Engine, near

MATERIAL = """MATERIAL: {name}
    EMISSION: {r} {g} {b} 1
    AMBIENT: 0 0 0 1
    DIFFUSE: 0 0 0 1
    SPECULAR: 0 0 0 1
    SHININESS: 0
    TEXTURETYPE: {texture_type}
{link}    TEXTURE: {texture}
"""

ENTITY = """------
ENTITY: {kind}
TYPE: STATIC
NAME: {name}
POSITION: {x} {y} {z} ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: {link}
MATERIAL: {material}
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
"""


def scene(monitor_camera):
    """The main camera looks down -Z from z = 10 at two squares 3 units wide: the monitor on the
    left, the tiles on the right. The camera `Spy` looks at a green square 100 units to the
    right, far outside the main view."""
    return ("""SCENECAMERA: Cam
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.8
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 0
BUTTONCOUNT: 0
FORCECOUNT: 0
PARTICLECOUNT: 0
MATERIALCOUNT: 3
""" + MATERIAL.format(name="Green", r=0, g=1, b=0, texture_type="STATIC", link="", texture="None")
        + MATERIAL.format(name="Screen", r=1, g=1, b=1, texture_type="DYNAMIC",
                          link="    LINK: %s\n" % monitor_camera, texture="spyview")
        + MATERIAL.format(name="Tiles", r=1, g=1, b=1, texture_type="STATIC", link="",
                          texture="tiles.tga")
        + """MESHCOUNT: 1
MESH: Square
    POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
    VERTEXCOUNT: 4
    POSITION: -1.5 -1.5 0 NORMAL: 0 0 1 TEXCOORD: 0 0
    POSITION: 1.5 -1.5 0 NORMAL: 0 0 1 TEXCOORD: 1 0
    POSITION: 1.5 1.5 0 NORMAL: 0 0 1 TEXCOORD: 1 1
    POSITION: -1.5 1.5 0 NORMAL: 0 0 1 TEXCOORD: 0 1
    SURFACECOUNT: 1
    TRIANGLECOUNT: 2
    0 1 2
    0 2 3
SCENEGRAPH:
------
ENTITY: GROUP
TYPE: STATIC
NAME: World
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 5
""" + ENTITY.format(kind="CAMERA", name="Cam", x=0, y=0, z=10, link="None", material="None")
        + ENTITY.format(kind="CAMERA", name="Spy", x=100, y=0, z=10, link="None", material="None")
        + ENTITY.format(kind="OBJECT", name="Secret", x=100, y=0, z=0, link="Square",
                        material="Green")
        + ENTITY.format(kind="OBJECT", name="Monitor", x=-3, y=0, z=0, link="Square",
                        material="Screen")
        + ENTITY.format(kind="OBJECT", name="Wall", x=3, y=0, z=0, link="Square",
                        material="Tiles"))


def tga_2x2():
    """Red and green along the bottom row, blue and white along the top: uncompressed 24-bit,
    bottom row first, blue-green-red byte order."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, 2, 2, 24, 0)
    pixels = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
    return header + b"".join(bytes((b, g, r)) for r, g, b in pixels)


# Where the main projection (60 degrees, 800 by 600, eye at z = 10) puts a point of the z = 0
# plane, in screenshot coordinates (y down): 52 pixels per unit.
def screen(x, y):
    scale = 300 / (10 * 0.57735)
    return int(round(400 + x * scale)), int(round(300 - y * scale))


RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


class RenderOnScreen(unittest.TestCase):
    def test_textured_square_and_monitor(self):
        with Engine(scene("Spy"), files={"tiles.tga": tga_2x2()}, name="render") as engine:
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

    def test_a_monitor_without_its_camera_does_not_show_the_object(self):
        # A link that names no entity looks from the origin along -Z: the squares lie in the
        # eye's own plane there, so nothing green reaches the monitor.
        with Engine(scene("Nobody"), files={"tiles.tga": tga_2x2()}, name="render-unlinked") as engine:
            shot = engine.screenshot("monitor")
            self.assertTrue(engine.alive(), engine.stderr())
        pixel = shot.pixel(*screen(-3, 0))
        self.assertFalse(near(pixel, GREEN, 60), "%s in %s" % (pixel, shot.path))


if __name__ == "__main__":
    unittest.main()
