"""The authoring tools' exit codes: krestel-check (without a display) on clean, broken and missing
scenes; krestel-import on a model the checker then loads (pasted, or in a mesh file with the scene
given as its folder), and on bad input. What the tools find is held by the unit tests."""

import os
import re
import subprocess
import tempfile
import unittest

from harness import BINARY
from scenes import DATA, edited, read_scene, tga

CHECK, IMPORT = (os.path.join(os.path.dirname(os.path.abspath(BINARY)), n) for n in ("krestel-check", "krestel-import"))
SCENE = read_scene("example")
IMAGES = {"panel.tga": tga(2, 2), "smoke.tga": tga(2, 2, depth=32)}
MODEL = open(os.path.join(os.path.dirname(DATA), "models", "quads.gltf"), "rb").read()


def tool(args, files, folder=None):
    # (exit status, ERROR and WARNING lines, stdout, stderr) of a run in a folder of `files`.
    folder = folder or tempfile.mkdtemp(prefix="krestel-tools-")
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode())
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    done = subprocess.run(args, cwd=folder, capture_output=True, text=True, timeout=60, env=env)
    return done.returncode, [l for l in done.stdout.splitlines() if l.startswith(("ERROR", "WARNING"))], done.stdout, done.stderr


class Tools(unittest.TestCase):
    def test_checker(self):
        typo = edited(SCENE, ("MASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2", "MAS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2"))
        endless = edited(SCENE, ("TEXTURE: panel.tga", "TEXTURE: /dev/zero"))  # read no further than its first bytes
        for files, status, starts in [
                (dict(IMAGES, **{"scene.txt": SCENE}), 0, []),
                (dict(IMAGES, **{"scene.txt": endless}), 0, ["WARNING: 'scene.txt' line 9: texture '/dev/zero' cannot be read: not a TGA"]),
                (dict(IMAGES, **{"scene.txt": typo}), 1, ["ERROR: 'scene.txt' line 68: expected 'MASS:' but found 'MAS:'"]),
                (IMAGES, 2, ["ERROR: 'scene.txt' cannot be read"])]:
            code, lines, out, _ = tool([CHECK], files)
            self.assertEqual((code, len(lines)), (status, len(starts)), out)
            self.assertTrue(all(line.startswith(start) for line, start in zip(lines, starts)), out)

    @unittest.skipUnless(os.path.exists(IMPORT), "krestel-import was not built (no assimp)")
    def test_importer(self):
        code, _, record, err = tool([IMPORT, "--scale", "0.5", "--centre", "quads.gltf"], {"quads.gltf": MODEL})
        self.assertEqual(code, 0, err)
        xs = [float(x) for x in re.findall(r"POSITION: (\S+) \S+ \S+ NORMAL", record)]
        self.assertEqual((min(xs), max(xs)), (-3, 3))
        scene = edited(SCENE, ("MESHCOUNT: 1", "MESHCOUNT: 2"), ("SCENEGRAPH:", record + "SCENEGRAPH:"), ("LINK: Tri", "LINK: quads"))
        self.assertEqual(tool([CHECK], dict(IMAGES, **{"scene.txt": scene}))[:2], (0, []))
        folder = tempfile.mkdtemp(prefix="krestel-tools-")
        lines = tool([IMPORT, "--centre", "--mesh-file", "m.mesh", "quads.gltf"], {"quads.gltf": MODEL}, folder)[2]
        self.assertEqual(lines, "\tMESH: quads\n\t\tMESHFILE: m.mesh\n")
        self.assertEqual(open(os.path.join(folder, "m.mesh")).readline(), "# Imported from 'quads.gltf' by krestel-import --centre\n")
        scene = edited(scene, (record, lines))
        self.assertEqual(tool([CHECK, "."], dict(IMAGES, **{"scene.txt": scene}), folder)[:2], (0, []))
        self.assertEqual([tool([IMPORT, *args], {"quads.gltf": MODEL})[0] for args in (["none.obj"], ["--help"])], [1, 0])
        # A Z-up triangle 4 tall: stood up the scene's +Y and fitted, its +X turned up (a quarter turn
        # about +Z: X to Y, the normal -Y to X), turned by hand about Y, or stood on its head (+Z to
        # -Y) and floored (x centred, y from 0, z centred).
        zup = {"z.obj": "v 0 0 0\nv 1 0 0\nv 0 0 4\nf 1 2 3\n"}
        for args, expected in [(["--up", "z", "--fit", "2"], [("0 0 0", "0 0 1"), ("0.5 0 0", "0 0 1"), ("0 2 0", "0 0 1")]),
                               (["--up", "x"], [("0 0 0", "1 0 0"), ("0 1 0", "1 0 0"), ("0 0 4", "1 0 0")]),
                               (["--rotate", "90", "0", "1", "0", "--centre"], [("-2 0 0.5", "0 -1 0"), ("-2 0 -0.5", "0 -1 0"), ("2 0 0.5", "0 -1 0")]),
                               (["--up", "-z", "--floor"], [("-0.5 4 0", "0 0 -1"), ("0.5 4 0", "0 0 -1"), ("-0.5 0 0", "0 0 -1")])]:
            record = tool([IMPORT, *args, "z.obj"], zup)[2]
            self.assertEqual(re.findall(r"POSITION: (\S+ \S+ \S+) NORMAL: (\S+ \S+ \S+)", record), expected, record)


if __name__ == "__main__":
    unittest.main()
