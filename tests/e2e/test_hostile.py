"""Hostile files end to end: a scene.txt of garbage, an empty one, one with a 4000-character name
and one with an infinite position each print one error line naming the file and the line, and
the engine keeps running with its window open and an empty scene. Broken TGA files print the
reader's message and leave their panels white, and numbers that overflow while the scene runs
(bodies thrown past the float range, entities placed at its edge) keep the engine drawing."""

import random
import re
import struct
import time
import unittest

from harness import Engine, near

RED = (255, 0, 0)


def tga(width, height, depth, body):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, depth, 0) + body


def panel(colour, texture, x0, y0, x1, y1):
    return """COLOUR: {c}
TEXTURETYPE: STATIC
TEXTURE: {t}
MIN: {x0} {y0} TEX: 0 0
MAX: {x1} {y1} TEX: 1 1
""".format(c=colour, t=texture, x0=x0, y0=y0, x1=x1, y1=y1)


def entity(kind, name, position="0 0 0", motion="STATIC", link="None", material="None",
           velocity="0 0 0", mass="1", angle="0", children=0):
    return """------
ENTITY: {kind}
TYPE: {motion}
NAME: {name}
POSITION: {position} ROTATION: {angle} 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: {velocity}
LINK: {link}
MATERIAL: {material}
MASS: {mass}
KEYFRAMERCOUNT: 0
CHILDCOUNT: {children}
""".format(kind=kind, motion=motion, name=name, position=position, angle=angle,
           velocity=velocity, link=link, material=material, mass=mass, children=children)


def scene(backgrounds="", background_count=0, entities=None, children=None):
    """A camera 10 units in front of a red square 4 units wide (about 200 pixels), a sparks
    system and gravity; `entities` are added to the top group after them."""
    extra = entities or []
    return ("""SCENECAMERA: Cam
HUD:
APPTIME: -1.3 0.92
SIMTIME: -1.3 0.85
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: %d
%sBUTTONCOUNT: 0
FORCECOUNT: 1
FORCETYPE: GRAVITY
STRENGTH: 0 -9.8 0
PARTICLECOUNT: 1
PARTICLETYPE: POINT
DISPLAYTYPE: QUAD
BLENDTYPE: BLEND
SYSTEMNAME: Sparks
BIRTHRATE: 50
LIFETIME: 1
SIZE: 0.2
INITIAL: ON
TEXTURETYPE: STATIC
TEXTURE: None
MINCOLOUR: 1 1 0 1
MAXCOLOUR: 1 0 0 0
MINMASS: 1 MAXMASS: 2
MINSPEED: 1 MAXSPEED: 3
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
POSITION: -2 -2 0 NORMAL: 0 0 1 TEXCOORD: 0 0
POSITION: 2 -2 0 NORMAL: 0 0 1 TEXCOORD: 1 0
POSITION: 2 2 0 NORMAL: 0 0 1 TEXCOORD: 1 1
POSITION: -2 2 0 NORMAL: 0 0 1 TEXCOORD: 0 1
SURFACECOUNT: 1
TRIANGLECOUNT: 2
0 1 2
0 2 3
SCENEGRAPH:
""" % (background_count, backgrounds)
            + entity("GROUP", "World", children=2 + len(extra))
            + entity("CAMERA", "Cam", position="0 0 10")
            + entity("OBJECT", "Square", link="Square", material="Red")
            + "".join(extra))


class HostileScenes(unittest.TestCase):
    def assert_runs_with_error(self, engine, pattern):
        time.sleep(1.5)
        self.assertTrue(engine.alive(), "the engine stopped: " + engine.stderr())
        self.assertEqual(engine.geometry()[2:], (800, 600))
        errors = [line for line in engine.stderr().splitlines() if line.startswith("ERROR:")]
        self.assertEqual(len(errors), 1, engine.stderr())
        self.assertRegex(errors[0], r"^ERROR: 'scene\.txt' line [0-9]+: " + pattern)
        self.assertNotIn("Success", engine.stdout())
        # An empty scene: no red square where a good file would show one.
        shot = engine.screenshot("error")
        self.assertFalse(near(shot.pixel(400, 300), RED, 60), "a rejected scene was drawn")

    def test_unreadable_files_are_refused_with_one_line(self):
        garbage = bytes(random.Random(7).randrange(256) for _ in range(5000))
        cases = [
            ("garbage", garbage, r"expected 'SCENECAMERA:' but found .+$"),
            ("empty", b"", r"expected 'SCENECAMERA:' but found end of file$"),
            ("long-name", scene().replace("NAME: Square", "NAME: " + "n" * 4000).encode(),
             r"expected a word of at most 19 characters after 'NAME:' but found 'n{24}\.\.\.' "
             r"\(4000 characters\)$"),
            ("inf", scene().replace("POSITION: 0 0 10", "POSITION: 0 inf 10").encode(),
             r"expected a finite number after 'POSITION:' but found 'inf'$"),
        ]
        for name, text, pattern in cases:
            with self.subTest(name):
                with Engine(files={"scene.txt": text}, name="hostile-" + name) as engine:
                    self.assert_runs_with_error(engine, pattern)

    def test_the_good_scene_draws_its_square(self):
        # The control for the cases above: the same scene, well formed, shows the red square.
        with Engine(scene(), name="hostile-control") as engine:
            time.sleep(1.0)
            self.assertIn("Success", engine.stdout())
            self.assertTrue(near(engine.screenshot("control").pixel(400, 300), RED, 60))

    def test_broken_textures_are_reported_and_show_white(self):
        files = {
            "huge.tga": tga(65535, 65535, 32, bytes(100)),
            "zero.tga": tga(0, 0, 24, b""),
            "cut.tga": tga(2, 2, 24, bytes(7)),
            "blue.tga": tga(2, 2, 7, bytes([255, 0, 0]) * 4),  # depth 7 reads as 24-bit
        }
        # Four panels along the bottom, each tinted green so white texture and image differ.
        panels = "".join(panel("0 1 0 1", name, -1.2 + 0.6 * i, -0.9, -0.8 + 0.6 * i, -0.5)
                         for i, name in enumerate(files))
        with Engine(scene(panels, 4), files=files, name="hostile-tga") as engine:
            time.sleep(1.5)
            self.assertTrue(engine.alive())
            self.assertIn("File Load (\"scene.txt\"): Success", engine.stdout())
            self.assertIn("'blue.tga' (3 byte) image file closed and read.", engine.stdout())
            err = engine.stderr()
            self.assertIn("TGA_READ: 'huge.tga': file has 118 bytes but a 65535 by 65535 32-bit "
                          "image needs 17179344918", err)
            self.assertIn("TGA_READ: 'zero.tga': image is 0 by 0: it has no pixels", err)
            self.assertIn("TGA_READ: 'cut.tga': file has 25 bytes but a 2 by 2 24-bit image "
                          "needs 30", err)
            shot = engine.screenshot("tga")
            # Panel centres: x = 400 + 300 * (-1.0 + 0.6 i), y = 300 + 300 * 0.7.
            centres = [(int(400 + 300 * (-1.0 + 0.6 * i)), 510) for i in range(4)]
            for name, (x, y) in zip(list(files)[:3], centres):
                self.assertTrue(near(shot.pixel(x, y), (0, 255, 0), 30),
                                "%s panel is %s, not plain green" % (name, shot.pixel(x, y)))
            # The good image is blue, tinted green: black. It tells a loaded image from white.
            self.assertTrue(near(shot.pixel(*centres[3]), (0, 0, 0), 30), shot.pixel(*centres[3]))


class OverflowAtRunTime(unittest.TestCase):
    def test_values_past_the_float_range_keep_the_engine_drawing(self):
        extra = [
            # Thrown: the next steps take it past the float range, then to NaN.
            entity("OBJECT", "Thrown", motion="SIMULATE", link="Square", material="Red",
                   position="3e38 0 -50", velocity="3.4e38 -3.4e38 3.4e38"),
            # A group at the edge of the range with a child one more edge away: world infinity.
            entity("GROUP", "Edge", position="3.4e38 3.4e38 0", children=2)
            + entity("OBJECT", "Beyond", link="Square", material="Red", position="3.4e38 0 0",
                     angle="3e38")
            + entity("PARTICLE", "Emitter", link="Sparks", position="3.4e38 0 0"),
            entity("OBJECT", "Weightless", motion="SIMULATE", link="Square", material="Red",
                   position="0 -1e30 -50", mass="1e-38"),
        ]
        with Engine(scene(entities=extra), name="overflow") as engine:
            self.assertIn("Success", engine.stdout())
            for second in range(4):
                time.sleep(1.0)
                self.assertTrue(engine.alive(), "stopped after %d s: %s" % (second, engine.stderr()))
            shot = engine.screenshot("overflow")
            # The square at the origin is still drawn in the middle of the window.
            self.assertTrue(near(shot.pixel(400, 300), RED, 60), shot.pixel(400, 300))
            self.assertEqual(engine.stderr().strip(), "")


if __name__ == "__main__":
    unittest.main()
