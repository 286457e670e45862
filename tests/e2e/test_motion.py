"""Things that move by themselves: an ANIMATE object slides along its position track and a
SIMULATE body falls under gravity, while a STATIC object stays put. Checked from two
screenshots taken a moment apart, by where each object's colour lies on screen."""

import time
import unittest

from harness import Engine
from scenes import camera, entity, material, scene, square

# Half a unit per second to the right for twenty seconds of simulation time (keys out of order).
TRACK = """KEYFRAMERCOUNT: 1
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 2
T: 20 KEYFRAME: 5 -2.5 0
T: 0 KEYFRAME: -5 -2.5 0
"""
SCENE = scene(
    [camera(),
     entity("OBJECT", "Slider", "0 -2.5 0", "ANIMATE", "Square", "Red", keyframers=TRACK),
     entity("OBJECT", "Faller", "2.5 4.5 0", "SIMULATE", "Square", "Green"),
     entity("OBJECT", "Anchor", "-3 2.5 0", "STATIC", "Square", "Blue")],
    materials=[material("Red", "1 0 0"), material("Green", "0 1 0"), material("Blue", "0 0 1")],
    meshes=[square()], gravity="0 -0.3 0")

COLOURS = {"red": 0, "green": 1, "blue": 2}


def centre(image, channel, step=2):
    """Centre of the pixels of one pure colour, and how many there are (sampled every step)."""
    points = [(x, y) for y in range(0, image.height, step) for x in range(0, image.width, step)
              if all((v > 200) == (i == channel) and (v > 200 or v < 60)
                     for i, v in enumerate(image.pixel(x, y)))]
    if not points:
        return None, 0
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points)), len(points)


class MotionOnScreen(unittest.TestCase):
    def test_animated_object_slides_and_body_falls(self):
        with Engine(SCENE, name="motion") as engine:
            first = engine.screenshot("first")
            time.sleep(2.0)
            second = engine.screenshot("second")
            self.assertTrue(engine.alive(), engine.stderr())
            self.assertIn('File Load ("scene.txt"): Success', engine.stdout())

        where = {}
        for name, channel in COLOURS.items():
            (before, size_before), (after, size_after) = centre(first, channel), centre(second, channel)
            # A whole square is seen in both shots (about 50 pixels wide at this distance).
            self.assertGreater(size_before, 200, (name, first.path))
            self.assertGreater(size_after, 200, (name, second.path))
            where[name] = (after[0] - before[0], after[1] - before[1])

        # The static square is the control: the same measure finds no motion where none is.
        self.assertLess(abs(where["blue"][0]) + abs(where["blue"][1]), 2, where)
        # The track moves the red square to the right and only to the right.
        self.assertGreater(where["red"][0], 15, where)
        self.assertLess(abs(where["red"][1]), 2, where)
        # Gravity pulls the green square down the screen (y grows downwards) and only down.
        self.assertGreater(where["green"][1], 15, where)
        self.assertLess(abs(where["green"][0]), 2, where)


if __name__ == "__main__":
    unittest.main()
