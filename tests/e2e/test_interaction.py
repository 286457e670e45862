"""The user's hands on the engine: flying with W, turning with a left drag, holding HUD buttons
(ENTITYMOVE, DRAWBOUNDINGS) and changing the time rate with the plus and minus keys. Each check
compares screenshots taken before and after, and each has a counterpart where nothing may
change, so a comparison that cannot tell images apart fails."""

import time
import unittest

from harness import Engine

# A dark strip along the bottom of the window (HUD y from -1 to -0.7, pixel rows 510 to 600)
# with three buttons: ENTITYMOVE on Mover at 2 units per second along x, DRAWBOUNDINGS, and a
# button whose action name matches nothing. Their centres, in window pixels:
MOVE_BUTTON = (100, 555)
BOUNDS_BUTTON = (280, 555)
DEAD_BUTTON = (520, 555)
BARE_PANEL = (700, 555)

BUTTON = """ACTIONNAME: {action}
ACTIONVALUES: 7 {v2} 0 0 0
ACTIONLINK: {link}
COLOUR: {colour} 1
TEXTURETYPE: STATIC
TEXTURE: None
MIN: {x0} -0.95 TEX: 0 0
MAX: {x1} -0.75 TEX: 1 1
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

# The read-outs stand apart at the top left, in black: simulation time at pixel row 90,
# application time at row 30.
SCENE = ("""SCENECAMERA: Cam
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.7
TIMECOLOUR: 0 0 0 1
BACKGROUNDCOUNT: 1
COLOUR: 0.3 0.3 0.3 1
TEXTURETYPE: STATIC
TEXTURE: None
MIN: -1.3334 -1 TEX: 0 0
MAX: 1.3334 -0.7 TEX: 1 1
BUTTONCOUNT: 3
""" + BUTTON.format(action="ENTITYMOVE", v2=2, link="Mover", colour="0 0.6 0", x0=-1.2, x1=-0.8)
    + BUTTON.format(action="DRAWBOUNDINGS", v2=0, link="None", colour="0.6 0 0.6", x0=-0.6, x1=-0.2)
    + BUTTON.format(action="NOSUCHACTION", v2=2, link="Mover", colour="0.6 0.6 0", x0=0.2, x1=0.6)
    + """FORCECOUNT: 0
PARTICLECOUNT: 0
MATERIALCOUNT: 1
MATERIAL: Red
    EMISSION: 1 0 0 1
    AMBIENT: 0 0 0 1
    DIFFUSE: 0 0 0 1
    SPECULAR: 0 0 0 1
    SHININESS: 0
    TEXTURETYPE: STATIC
    TEXTURE: None
MESHCOUNT: 1
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
CHILDCOUNT: 2
""" + ENTITY.format(kind="CAMERA", name="Cam", x=0, y=0, z=10, link="None", material="None")
    # A unit square at the origin, 52 pixels wide from the camera 10 units away.
    + ENTITY.format(kind="OBJECT", name="Mover", x=0, y=0, z=0, link="Square", material="Red"))

SIM_READOUT = (5, 75, 220, 97)  # x0, y0, x1, y1 around the simulation time text
APP_READOUT = (5, 15, 220, 37)


def is_red(p):
    return p[0] > 200 and p[1] < 60 and p[2] < 60


def is_white(p):
    """Brighter than the pale blue-grey clear colour (217, 217, 242) in red and green."""
    return p[0] > 235 and p[1] > 235 and p[2] > 235


def red_area(image):
    """Centre x and number of red pixels (sampled every second pixel)."""
    xs = [x for y in range(0, 510, 2) for x in range(0, image.width, 2) if is_red(image.pixel(x, y))]
    if not xs:
        return None, 0
    return sum(xs) / len(xs), len(xs)


def region(image, box):
    x0, y0, x1, y1 = box
    return [image.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1)]


class Interaction(unittest.TestCase):
    def test_holding_w_flies_towards_the_object(self):
        with Engine(SCENE, name="fly") as engine:
            _, before = red_area(engine.screenshot("before"))
            self.assertGreater(before, 100, "the red square is not on screen")
            engine.hold_key("j", 0.5)  # a key that moves nothing
            time.sleep(0.2)
            _, idle = red_area(engine.screenshot("after-j"))
            self.assertAlmostEqual(idle / before, 1.0, delta=0.1)
            engine.hold_key("w", 0.5)  # about four units of the ten
            time.sleep(0.2)
            _, after = red_area(engine.screenshot("after-w"))
            self.assertGreater(after, before * 1.8, "W did not bring the square closer")
            self.assertTrue(engine.alive())

    def test_left_drag_turns_the_view_unless_it_starts_on_the_panel(self):
        with Engine(SCENE, name="drag") as engine:
            x0, _ = red_area(engine.screenshot("before"))
            engine.drag(BARE_PANEL[0], BARE_PANEL[1], BARE_PANEL[0] + 15, BARE_PANEL[1] - 200)
            time.sleep(0.2)
            x1, _ = red_area(engine.screenshot("panel-drag"))
            self.assertAlmostEqual(x1, x0, delta=2, msg="a drag begun on the panel turned the view")
            engine.drag(400, 200, 415, 200)
            time.sleep(0.2)
            x2, count = red_area(engine.screenshot("scene-drag"))
            self.assertGreater(count, 0, "the square left the view")
            # Turning right moves what is ahead to the left, by up to 139 pixels for 15 degrees.
            self.assertLess(x2, x0 - 20)
            self.assertGreater(x2, x0 - 160)

    def test_holding_an_entitymove_button_moves_its_entity(self):
        with Engine(SCENE, name="button-move") as engine:
            x0, _ = red_area(engine.screenshot("before"))
            engine.hold_mouse(DEAD_BUTTON[0], DEAD_BUTTON[1], 0.5)
            time.sleep(0.2)
            x1, _ = red_area(engine.screenshot("dead-button"))
            self.assertAlmostEqual(x1, x0, delta=2, msg="a button without an action did something")
            engine.hold_mouse(MOVE_BUTTON[0], MOVE_BUTTON[1], 1.0)
            time.sleep(0.2)
            x2, _ = red_area(engine.screenshot("after"))
            # Two units per second to the right: about 104 pixels per second at ten units.
            self.assertGreater(x2, x0 + 40)
            self.assertLess(x2, x0 + 200)

    def test_drawboundings_button_shows_white_boxes(self):
        with Engine(SCENE, name="boundings") as engine:
            white_before = engine.screenshot("before").count(is_white)
            engine.hold_mouse(BARE_PANEL[0], BARE_PANEL[1], 0.05)
            time.sleep(0.3)
            self.assertEqual(engine.screenshot("panel-click").count(is_white), white_before)
            # A click toggles the display once, unless the machine is so slow that the button
            # stays down for more than a tenth of a second; then the next click shows them.
            shown = []
            for attempt in range(3):
                engine.move_mouse(*BOUNDS_BUTTON)
                time.sleep(0.1)
                engine.mouse_down()
                engine.mouse_up()
                time.sleep(0.3)
                shown.append(engine.screenshot("click%d" % attempt).count(is_white))
                if shown[-1] > white_before + 20:
                    break
            self.assertGreater(max(shown), white_before + 20, "no bounding boxes appeared")

    def _readouts_change(self, engine, label, pause=0.4):
        first = engine.screenshot(label + "-1")
        time.sleep(pause)
        second = engine.screenshot(label + "-2")
        return (region(first, SIM_READOUT) != region(second, SIM_READOUT),
                region(first, APP_READOUT) != region(second, APP_READOUT))

    def test_minus_stops_and_plus_restarts_simulation_time(self):
        with Engine(SCENE, name="rate") as engine:
            sim_moves, app_moves = self._readouts_change(engine, "start")
            self.assertTrue(sim_moves, "simulation time does not run at rate 1")
            self.assertTrue(app_moves)
            # Minus lowers the rate on every idle turn until simulation time is clamped at zero,
            # where it stands still; application time keeps running.
            stopped = False
            for attempt in range(10):
                engine.hold_key("minus", 1.0)
                time.sleep(0.3)
                sim_moves, app_moves = self._readouts_change(engine, "minus%d" % attempt)
                if not sim_moves:
                    stopped = True
                    break
            self.assertTrue(stopped, "holding minus never stopped simulation time")
            self.assertTrue(app_moves, "the read-out comparison cannot see application time run")
            engine.hold_key("plus", 1.0)
            time.sleep(0.2)
            sim_moves, _ = self._readouts_change(engine, "plus")
            self.assertTrue(sim_moves, "holding plus did not restart simulation time")
            self.assertTrue(engine.alive())


if __name__ == "__main__":
    unittest.main()
