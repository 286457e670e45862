"""The user's hands on the engine, in one run: holding an ENTITYMOVE button, turning with a left
drag, flying with W, changing the time rate with the minus and plus keys and toggling bounding
boxes with a DRAWBOUNDINGS button. Each check compares screenshots taken before and after, and
each has a counterpart where nothing may change (a button without an action, a drag or click on
the bare panel, a key that moves nothing), so a comparison that cannot tell images apart fails.
The detailed rules (speeds, keys, which press starts a drag) are held by the unit tests."""

import time
import unittest

from harness import Engine
from scenes import button, camera, entity, material, panel, scene, square

# A dark strip along the bottom of the window (pixel rows 510 to 600) with three buttons:
# ENTITYMOVE on Mover at 2 units per second along x, DRAWBOUNDINGS, and one whose action name
# matches nothing. Their centres, in window pixels:
MOVE_BUTTON, BOUNDS_BUTTON, DEAD_BUTTON, BARE_PANEL = (100, 555), (280, 555), (520, 555), (700, 555)

# The read-outs stand apart at the top left, in black: application time at pixel row 30,
# simulation time at row 90. A unit square 10 units ahead is 52 pixels wide.
SCENE = scene(
    [camera(), entity("OBJECT", "Mover", link="Square", material="Red")],
    materials=[material("Red", "1 0 0")], meshes=[square()],
    backgrounds=[panel("0.3 0.3 0.3 1", -1.3334, -1, 1.3334, -0.7)],
    buttons=[button("ENTITYMOVE", "7 2 0 0 0", "Mover", "0 0.6 0 1", -1.2, -0.95, -0.8, -0.75),
             button("DRAWBOUNDINGS", "7 0 0 0 0", "None", "0.6 0 0.6 1", -0.6, -0.95, -0.2, -0.75),
             button("NOSUCHACTION", "7 2 0 0 0", "Mover", "0.6 0.6 0 1", 0.2, -0.95, 0.6, -0.75)],
    readouts=("-1.3 0.9", "-1.3 0.7"), time_colour="0 0 0 1")

SIM_READOUT = (5, 75, 220, 97)  # x0, y0, x1, y1 around the simulation time text
APP_READOUT = (5, 15, 220, 37)


def red_area(image):
    """Centre x and number of red pixels above the panel (sampled every second pixel)."""
    xs = [x for y in range(0, 510, 2) for x in range(0, image.width, 2)
          if (lambda p: p[0] > 200 and p[1] < 60 and p[2] < 60)(image.pixel(x, y))]
    return (sum(xs) / len(xs) if xs else None), len(xs)


def whites(image):
    """Pixels brighter than the pale blue-grey clear colour (217, 217, 242): box lines."""
    return image.count(lambda p: min(p) > 235)


def region(image, box):
    x0, y0, x1, y1 = box
    return [image.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1)]


class Interaction(unittest.TestCase):
    def readouts_change(self, engine, label, pause=0.4):
        first = engine.screenshot(label + "-1")
        time.sleep(pause)
        second = engine.screenshot(label + "-2")
        return (region(first, SIM_READOUT) != region(second, SIM_READOUT),
                region(first, APP_READOUT) != region(second, APP_READOUT))

    def settled_shot(self, engine, label):
        time.sleep(0.2)
        return engine.screenshot(label)

    def test_buttons_drag_keys_and_rate(self):
        with Engine(SCENE, name="interaction") as engine:
            x0, count = red_area(engine.screenshot("start"))
            self.assertGreater(count, 100, "the red square is not on screen")

            # ENTITYMOVE: two units per second to the right, about 104 pixels per second.
            engine.hold_mouse(*DEAD_BUTTON, 0.5)
            x1, _ = red_area(self.settled_shot(engine, "dead-button"))
            self.assertAlmostEqual(x1, x0, delta=2, msg="a button without an action did something")
            engine.hold_mouse(*MOVE_BUTTON, 1.0)
            x2, _ = red_area(self.settled_shot(engine, "move-button"))
            self.assertGreater(x2, x1 + 40)
            self.assertLess(x2, x1 + 200)

            # A left drag turns the view unless it starts on the panel: turning right moves what
            # is ahead to the left, by up to 139 pixels for 15 degrees.
            engine.drag(BARE_PANEL[0], BARE_PANEL[1], BARE_PANEL[0] + 15, BARE_PANEL[1] - 200)
            x3, _ = red_area(self.settled_shot(engine, "panel-drag"))
            self.assertAlmostEqual(x3, x2, delta=2, msg="a drag begun on the panel turned the view")
            engine.drag(400, 200, 415, 200)
            x4, count = red_area(self.settled_shot(engine, "scene-drag"))
            self.assertGreater(count, 0, "the square left the view")
            self.assertLess(x4, x3 - 20)
            self.assertGreater(x4, x3 - 160)

            # W flies about four units of the ten towards the square.
            engine.hold_key("j", 0.5)
            _, before = red_area(self.settled_shot(engine, "after-j"))
            self.assertAlmostEqual(before / count, 1.0, delta=0.1)
            engine.hold_key("w", 0.5)
            _, after = red_area(self.settled_shot(engine, "after-w"))
            self.assertGreater(after, before * 1.8, "W did not bring the square closer")

            # Minus lowers the rate on every idle turn until simulation time is clamped at zero,
            # where it stands still while application time runs on; plus restarts it.
            self.assertEqual(self.readouts_change(engine, "rate-1"), (True, True))
            for attempt in range(10):
                engine.hold_key("minus", 1.0)
                time.sleep(0.3)
                sim_moves, app_moves = self.readouts_change(engine, "minus%d" % attempt)
                if not sim_moves:
                    break
            self.assertFalse(sim_moves, "holding minus never stopped simulation time")
            self.assertTrue(app_moves, "the read-out comparison cannot see application time run")
            engine.hold_key("plus", 1.0)
            time.sleep(0.2)
            self.assertTrue(self.readouts_change(engine, "plus")[0], "plus did not restart time")

            # DRAWBOUNDINGS shows white box lines; a click on the bare panel shows nothing. A click
            # toggles once unless it stays down over a tenth of a second on a slow machine; then
            # the next click shows them.
            white_before = whites(engine.screenshot("boxes-off"))
            engine.hold_mouse(*BARE_PANEL, 0.05)
            self.assertEqual(whites(self.settled_shot(engine, "panel-click")), white_before)
            shown = []
            for attempt in range(3):
                engine.move_mouse(*BOUNDS_BUTTON)
                time.sleep(0.1)
                engine.mouse_down()
                engine.mouse_up()
                shown.append(whites(self.settled_shot(engine, "click%d" % attempt)))
                if shown[-1] > white_before + 20:
                    break
            self.assertGreater(max(shown), white_before + 20, "no bounding boxes appeared")
            self.assertTrue(engine.alive())


if __name__ == "__main__":
    unittest.main()
