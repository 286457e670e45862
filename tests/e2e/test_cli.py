"""The command line: exit codes and messages of --help, --version and usage errors, --screenshot
writing the frame upright and exiting 0 (3 with the error panel for a missing scene, named by
path), and a folder whose scene names a texture beside it, left with Escape."""

import os
import tempfile
import unittest

from harness import BINARY, SOURCE, Engine, near, read_png, run
from scenes import camera, entity, material, scene, square, tga


class CommandLine(unittest.TestCase):
    def test_exit_codes_and_messages(self):
        rows = [  # arguments, exit code, text expected on stdout, on stderr
            (["--help"], 0, "usage: krestel", ""),
            (["--version"], 0, "krestel ", ""),
            (["--fast"], 2, "", "unknown option '--fast'"),
            (["a.txt", "b.txt"], 2, "", "one scene at a time: 'a.txt' and 'b.txt'"),
            (["--after", "3"], 2, "", "--after is only meaningful with --screenshot"),
        ]
        for args, code, out, err in rows:
            done = run(os.path.abspath(BINARY), *args, check=False)
            self.assertEqual(done.returncode, code, (args, done.stderr))
            self.assertIn(out, done.stdout, args)
            self.assertIn(err, done.stderr, args)
            self.assertEqual("usage: krestel" in done.stderr, code == 2, args)

    def test_screenshot_option(self):
        path = os.path.join(tempfile.mkdtemp(prefix="krestel-e2e-"), "demo.png")
        done = run(os.path.abspath(BINARY), "--screenshot", path, "--after", "1", os.path.join(SOURCE, "demo"), timeout=60)
        self.assertEqual((done.returncode, done.stdout.splitlines()[-1]), (0, path), done.stderr)
        shot, sky = read_png(path), (217, 217, 242)  # sky at the top right, the button strip at the bottom
        self.assertEqual([near(shot.pixel(790, 10), sky), near(shot.pixel(400, 590), sky, 30)], [True, False])
        # A missing scene is named as given; the picture shows the error panel, and the status says
        # the scene did not load.
        path = path.replace("demo.png", "missing.png")
        done = run(os.path.abspath(BINARY), "--screenshot", path, "--after", "0.2", "levels/a/scene.txt", check=False, timeout=60)
        self.assertEqual((done.returncode, done.stdout.splitlines()[-1]), (3, path), done.stderr)
        self.assertIn("ERROR: 'levels/a/scene.txt' failed to open.\n", done.stdout)
        self.assertGreater(read_png(path).count(lambda p: near(p, (255, 140, 128), 40), 1, (0, 0, 800, 24)), 20)
        # stderr names the demo's folder: the source tree's for a binary that is not installed.
        self.assertIn("The demo is in %s;" % os.path.realpath(os.path.join(SOURCE, "demo")), done.stderr)

    def test_folder_argument_reads_scene_and_textures_beside_it(self):
        text = scene([camera(), entity("OBJECT", "Sq", link="Square", material="Tex")],
                     materials=[material("Tex", "1 1 1", texture="tex.tga")], meshes=[square()])
        with Engine(None, {"my-scene/scene.txt": text, "my-scene/tex.tga": tga(2, 2)}, "cli-folder", ["my-scene/"]) as engine:
            out = engine.stdout()
            self.assertIn("'my-scene/tex.tga' (3 byte) image file closed and read.\n", out)
            self.assertIn('File Load ("my-scene/scene.txt"): Success\n', out)
            # The window may be gone before xdotool has sent the key release.
            run("xdotool", "key", "--window", engine.window, "Escape", check=False)
            self.assertEqual(engine.process.wait(5), 0, engine.stderr())


if __name__ == "__main__":
    unittest.main()
