"""The idle loop and the GLUT callbacks in one run: a track and gravity move their squares while
a STATIC one stays; a held button, a left drag and W move things; F3 prints the camera's line and
Home brings it back. The unit tests hold the rules, drags begun on a panel among them."""

import time
import unittest

from harness import Engine, near
from scenes import button, camera, entity, material, panel, scene, square

# A dark strip along the bottom (pixel rows 510 to 600) with an ENTITYMOVE button on Mover at 2
# units per second along x.
MOVE_BUTTON = (100, 555)
TRACK = "KEYFRAMERCOUNT: 1\nKEYFRAMETYPE: POSITION\nKEYFRAMECOUNT: 2\nT: 20 KEYFRAME: 6 3 0\nT: 0 KEYFRAME: -4 3 0\n"
SCENE = scene(
    [camera(), entity("OBJECT", "Mover", link="Square", material="Red"),
     entity("OBJECT", "Slider", "-4 3 0", "ANIMATE", "Square", "Blue", keyframers=TRACK),
     entity("OBJECT", "Faller", "4 4 0", "SIMULATE", "Square", "Green")],
    materials=[material("Red", "1 0 0"), material("Green", "0 1 0"), material("Blue", "0 0 1")],
    meshes=[square()], gravity="0 -0.5 0", backgrounds=[panel("0.3 0.3 0.3 1", -1.3334, -1, 1.3334, -0.7)],
    buttons=[button("ENTITYMOVE", "7 2 0 0 0", "Mover", "0 0.6 0 1", -1.2, -0.95, -0.8, -0.75)],
    time_colour="0 0 0 1")


def centre(image, channel):
    """Centre and number of the pixels of one pure primary colour above the panel."""
    points = [(x, y) for y in range(0, 510, 2) for x in range(0, image.width, 2)
              if all((v > 200) == (i == channel) and (v > 200 or v < 60) for i, v in enumerate(image.pixel(x, y)))]
    return sum(p[0] for p in points) / max(len(points), 1), sum(p[1] for p in points) / max(len(points), 1), len(points)


class Interaction(unittest.TestCase):
    def test_idle_loop_buttons_drag_and_keys(self):
        with Engine(SCENE, name="interaction") as engine:
            def shot(label):
                time.sleep(0.2)
                return engine.screenshot(label)

            first = engine.screenshot("start")
            time.sleep(0.8)
            second = shot("idle")
            # Red stays (static), blue slides right, green falls: (dx, dy) rounded to 15 pixels.
            moved = [tuple(round((b - a) / 15) for a, b in zip(centre(first, c)[:2], centre(second, c)[:2])) for c in range(3)]
            x1 = centre(second, 0)[0]
            self.assertGreater(centre(first, 0)[2], 100)
            self.assertEqual((moved[0], moved[2][1], moved[1][0], moved[2][0] > 0, moved[1][1] > 0), ((0, 0), 0, 0, True, True), moved)
            engine.hold_mouse(*MOVE_BUTTON, 1.0)  # about 104 pixels a second
            x2 = centre(shot("move-button"), 0)[0]
            self.assertTrue(x1 + 40 < x2 < x1 + 200, (x1, x2))

            # A left drag turns the view: turning right moves what is ahead to the left, by up to
            # 139 pixels for 15 degrees.
            engine.drag(400, 200, 415, 200)
            x4, _, count = centre(shot("scene-drag"), 0)
            self.assertEqual((count > 0, x2 - 160 < x4 < x2 - 20), (True, True), (x2, x4, count))

            # W flies about four units of the ten towards the square.
            engine.hold_key("w", 0.5)
            self.assertGreater(centre(shot("after-w"), 0)[2], count * 1.8, "W did not bring the square closer")

            # F3 prints the camera's line, on stdout and in the panel; Home brings the camera back to
            # the scene camera, level, where the square stands as the button left it.
            for key in ("F3", "Home", "F3"):
                engine.xdotool("key", key)
            home = shot("home")
            lines = [l for l in engine.stdout().splitlines() if l.startswith("POSITION:")]
            self.assertEqual(lines[1:], ["POSITION: 0 0 10 ROTATION: 0 0 1 0 SCALE: 1 1 1"])
            self.assertTrue(3 < float(lines[0].split()[3]) < 8.5, lines)  # W flew about four units
            x5, y5, count5 = centre(home, 0)
            near_home = (abs(x5 - x2) < 8, abs(y5 - centre(first, 0)[1]) < 8, abs(count5 - centre(first, 0)[2]) < 20)
            self.assertEqual(near_home, (True, True, True), (x5, y5, count5))
            self.assertGreater(home.count(lambda p: near(p, (255, 217, 102), 40), 1, (0, 0, 800, 40)), 20, "no line in the panel")


if __name__ == "__main__":
    unittest.main()
