"""Things that move by themselves: an ANIMATE object slides along its position track and a
SIMULATE body falls under gravity, while a STATIC object stays put. Checked from two
screenshots taken a moment apart, by where each object's colour lies on screen."""

import time
import unittest

from harness import Engine

MATERIAL = """MATERIAL: {name}
    EMISSION: {r} {g} {b} 1
    AMBIENT: 0 0 0 1
    DIFFUSE: 0 0 0 1
    SPECULAR: 0 0 0 1
    SHININESS: 0
    TEXTURETYPE: STATIC
    TEXTURE: None
"""

ENTITY = """------
ENTITY: {kind}
TYPE: {motion}
NAME: {name}
POSITION: {x} {y} {z} ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: {link}
MATERIAL: {material}
MASS: 1
{keyframers}CHILDCOUNT: 0
"""

# Unlit, self-coloured unit squares facing the camera, which looks down -Z from z = 10.
SCENE = ("""SCENECAMERA: Cam
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.8
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 0
BUTTONCOUNT: 0
FORCECOUNT: 1
FORCETYPE: GRAVITY
STRENGTH: 0 -0.3 0
PARTICLECOUNT: 0
MATERIALCOUNT: 3
""" + MATERIAL.format(name="Red", r=1, g=0, b=0)
    + MATERIAL.format(name="Green", r=0, g=1, b=0)
    + MATERIAL.format(name="Blue", r=0, g=0, b=1)
    + """MESHCOUNT: 1
MESH: Square
    POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
    VERTEXCOUNT: 4
    POSITION: -0.5 -0.5 0 NORMAL: 0 0 1 TEXCOORD: 0 0
    POSITION: 0.5 -0.5 0 NORMAL: 0 0 1 TEXCOORD: 1 0
    POSITION: 0.5 0.5 0 NORMAL: 0 0 1 TEXCOORD: 1 1
    POSITION: -0.5 0.5 0 NORMAL: 0 0 1 TEXCOORD: 0 1
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
CHILDCOUNT: 4
""" + ENTITY.format(kind="CAMERA", motion="STATIC", name="Cam", x=0, y=0, z=10, link="None",
                    material="None", keyframers="KEYFRAMERCOUNT: 0\n")
    # Half a unit per second to the right for twenty seconds of simulation time.
    + ENTITY.format(kind="OBJECT", motion="ANIMATE", name="Slider", x=0, y=-2.5, z=0, link="Square",
                    material="Red", keyframers="""KEYFRAMERCOUNT: 1
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 2
T: 20 KEYFRAME: 5 -2.5 0
T: 0 KEYFRAME: -5 -2.5 0
""")
    + ENTITY.format(kind="OBJECT", motion="SIMULATE", name="Faller", x=2.5, y=4.5, z=0, link="Square",
                    material="Green", keyframers="KEYFRAMERCOUNT: 0\n")
    + ENTITY.format(kind="OBJECT", motion="STATIC", name="Anchor", x=-3, y=2.5, z=0, link="Square",
                    material="Blue", keyframers="KEYFRAMERCOUNT: 0\n"))


def is_red(p):
    return p[0] > 200 and p[1] < 60 and p[2] < 60


def is_green(p):
    return p[1] > 200 and p[0] < 60 and p[2] < 60


def is_blue(p):
    return p[2] > 200 and p[0] < 60 and p[1] < 60


def centre(image, predicate, step=2):
    """Centre of the pixels of one colour, and how many there are (sampled every step)."""
    xs, ys = [], []
    for y in range(0, image.height, step):
        for x in range(0, image.width, step):
            if predicate(image.pixel(x, y)):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None, 0
    return (sum(xs) / len(xs), sum(ys) / len(ys)), len(xs)


class MotionOnScreen(unittest.TestCase):
    def test_animated_object_slides_and_body_falls(self):
        with Engine(SCENE, name="motion") as engine:
            first = engine.screenshot("first")
            time.sleep(2.0)
            second = engine.screenshot("second")
            self.assertTrue(engine.alive(), engine.stderr())
            self.assertIn('File Load ("scene.txt"): Success', engine.stdout())

        where = {}
        for name, predicate in (("red", is_red), ("green", is_green), ("blue", is_blue)):
            before, size_before = centre(first, predicate)
            after, size_after = centre(second, predicate)
            self.assertIsNotNone(before, "%s square not seen in %s" % (name, first.path))
            self.assertIsNotNone(after, "%s square not seen in %s" % (name, second.path))
            # A whole square is seen in both shots (about 70 pixels wide at this distance).
            self.assertGreater(size_before, 200, (name, first.path))
            self.assertGreater(size_after, 200, (name, second.path))
            where[name] = (after[0] - before[0], after[1] - before[1])

        # The static square is the control: the same measure finds no motion where none is.
        dx, dy = where["blue"]
        self.assertLess(abs(dx) + abs(dy), 2, where)
        # The track moves the red square to the right and only to the right.
        dx, dy = where["red"]
        self.assertGreater(dx, 15, where)
        self.assertLess(abs(dy), 2, where)
        # Gravity pulls the green square down the screen (y grows downwards) and only down.
        dx, dy = where["green"]
        self.assertGreater(dy, 15, where)
        self.assertLess(abs(dx), 2, where)


if __name__ == "__main__":
    unittest.main()
