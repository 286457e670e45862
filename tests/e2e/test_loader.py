"""Loading scene.txt end to end: a well-formed file prints the success line and shows its HUD
panel with the panel's TGA texture; the same file with one typo prints one error line naming the
file and the line, prints no success line, and the program runs on with an empty scene (no
panel)."""

import unittest

from harness import Engine, near

PANEL_CENTRE = (85, 525)  # HUD (-1.05, -0.75) in an 800 by 600 window
RED = (255, 0, 0)


def tga(r, g, b, size=2):
    """A small 24-bit uncompressed TGA of one colour, bottom-left origin."""
    header = bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, size, 0, size, 0, 24, 0])
    return header + bytes([b, g, r]) * (size * size)


SCENE = """SCENECAMERA: Camera1
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.8
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 1
COLOUR: 1 1 1 1
TEXTURETYPE: STATIC
TEXTURE: panel.tga
MIN: -1.3 -1 TEX: 0 0
MAX: -0.8 -0.5 TEX: 1 1
BUTTONCOUNT: 1
ACTIONNAME: ENTITYMOVE
ACTIONVALUES: 0 0 1 0 0
ACTIONLINK: Spinner
COLOUR: 1 1 1 1
TEXTURETYPE: DYNAMIC
LINK: Camera1
TEXTURE: None
MIN: -1.2 -0.9 TEX: 0 0
MAX: -1.15 -0.85 TEX: 1 1
FORCECOUNT: 1
FORCETYPE: GRAVITY
STRENGTH: 0 -9.8 0
PARTICLECOUNT: 1
PARTICLETYPE: POINT
DISPLAYTYPE: QUAD
BLENDTYPE: BLEND
SYSTEMNAME: Smoke
BIRTHRATE: 20
LIFETIME: 2
SIZE: 0.2
INITIAL: ON
TEXTURETYPE: DYNAMIC (Camera1)
TEXTURE: None
MINCOLOUR: 1 1 1 1
MAXCOLOUR: 0.5 0.5 0.5 0
MINMASS: 0.5 MAXMASS: 1
MINSPEED: 0.5 MAXSPEED: 1.5
MATERIALCOUNT: 1
MATERIAL: Red
EMISSION: 0 0 0 1
AMBIENT: 0.2 0 0 1
DIFFUSE: 0.8 0 0 1
SPECULAR: 1 1 1 1
SHININESS: 32
TEXTURETYPE: STATIC
TEXTURE: None
MESHCOUNT: 1
MESH: Tri
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
VERTEXCOUNT: 3
POSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0 0
POSITION: 1 0 0 NORMAL: 0 0 1 TEXCOORD: 1 0
POSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1
SURFACECOUNT: 1
TRIANGLECOUNT: 1
0 1 2
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
CHILDCOUNT: 3
------
ENTITY: CAMERA
TYPE: STATIC
NAME: Camera1
POSITION: 0 2 10 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: PARTICLE
TYPE: STATIC
NAME: Chimney
POSITION: 2 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Smoke
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: OBJECT
TYPE: ANIMATE
NAME: Spinner
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Tri
MATERIAL: Red
MASS: 1
KEYFRAMERCOUNT: 1
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 2
T: 0 KEYFRAME: 0 0 1 0
T: 4 KEYFRAME: 180 0 1 0
CHILDCOUNT: 0
"""

FILES = {"panel.tga": tga(255, 0, 0)}


def line_of(text, needle):
    return text[:text.index(needle)].count("\n") + 1


class LoaderTest(unittest.TestCase):
    def test_well_formed_file_loads_and_shows_its_panel(self):
        with Engine(SCENE, FILES, name="loader-good") as engine:
            self.assertIn('File Load ("scene.txt"): Success\n', engine.stdout())
            self.assertNotIn("ERROR", engine.stdout() + engine.stderr())
            shot = engine.screenshot("panel")
            self.assertTrue(near(shot.pixel(*PANEL_CENTRE), RED, 12),
                            "panel not drawn red at %s: %s (see %s)"
                            % (PANEL_CENTRE, shot.pixel(*PANEL_CENTRE), shot.path))
            self.assertTrue(engine.alive())

    def test_malformed_file_reports_one_line_and_runs_on_empty(self):
        bad = SCENE.replace("KEYFRAMETYPE: ROTATION", "KEYFRAMETYPE: ROTATE")
        line = line_of(bad, "KEYFRAMETYPE: ROTATE")
        with Engine(bad, FILES, name="loader-bad") as engine:
            self.assertNotIn("Success", engine.stdout())
            self.assertEqual(
                engine.stderr(),
                "ERROR: 'scene.txt' line %d: expected one of POSITION, ROTATION, MATERIAL after "
                "'KEYFRAMETYPE:' but found 'ROTATE'\n" % line)
            shot = engine.screenshot("no-panel")
            # Nothing of the file was applied: no panel where the good file has one.
            self.assertFalse(near(shot.pixel(*PANEL_CENTRE), RED, 12), shot.path)
            self.assertTrue(engine.alive())
            self.assertEqual(engine.geometry()[2:], (800, 600))


if __name__ == "__main__":
    unittest.main()
