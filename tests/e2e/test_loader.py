"""Loading scene.txt end to end: the example file (its panel made opaque) prints the success
line and shows its panel with the panel's TGA texture; the same file with one typo prints one
error line naming the file and the line, no success line, and the program runs on with an empty
scene (no panel)."""

import unittest

from harness import Engine, near
from scenes import edited, line_of, read_scene, tga

PANEL_POINT = (130, 480)  # HUD (-0.9, -0.6): on the panel, beside its button
RED = (255, 0, 0)
SCENE = edited(read_scene("example"), ("COLOUR: 1 1 1 0.5", "COLOUR: 1 1 1 1"))
FILES = {"panel.tga": tga(2, 2, [RED]), "smoke.tga": tga(2, 2, depth=32)}


class LoaderTest(unittest.TestCase):
    def test_well_formed_file_loads_and_shows_its_panel(self):
        with Engine(SCENE, FILES, name="loader-good") as engine:
            self.assertIn('File Load ("scene.txt"): Success\n', engine.stdout())
            self.assertNotIn("ERROR", engine.stdout() + engine.stderr())
            shot = engine.screenshot("panel")
            self.assertTrue(near(shot.pixel(*PANEL_POINT), RED, 12),
                            "panel not drawn red: %s (see %s)" % (shot.pixel(*PANEL_POINT), shot.path))
            self.assertTrue(engine.alive())

    def test_malformed_file_reports_one_line_and_runs_on_empty(self):
        bad = SCENE.replace("KEYFRAMETYPE: ROTATION", "KEYFRAMETYPE: ROTATE")
        with Engine(bad, FILES, name="loader-bad") as engine:
            self.assertNotIn("Success", engine.stdout())
            self.assertEqual(
                engine.stderr(),
                "ERROR: 'scene.txt' line %d: expected one of POSITION, ROTATION, MATERIAL after "
                "'KEYFRAMETYPE:' but found 'ROTATE'\n" % line_of(bad, "KEYFRAMETYPE: ROTATE"))
            shot = engine.screenshot("no-panel")
            # Nothing of the file was applied: no panel where the good file has one.
            self.assertFalse(near(shot.pixel(*PANEL_POINT), RED, 12), shot.path)
            self.assertTrue(engine.alive())
            self.assertEqual(engine.geometry()[2:], (800, 600))


if __name__ == "__main__":
    unittest.main()
