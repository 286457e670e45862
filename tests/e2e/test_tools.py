"""The authoring tools' exit codes as a user meets them: krestel-check (no display needed) on a
clean scene, one with a typo, one with a name that names nothing, and no scene; krestel-import
on a model whose record the checker loads pasted into a scene, and on bad input. What the tools
find is held by the unit tests."""

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
with open(os.path.join(os.path.dirname(DATA), "models", "quads.gltf"), "rb") as f:
    MODEL = f.read()


def tool(args, files):
    """(exit status, ERROR and WARNING lines, stdout, stderr) of a tool run in a folder of files."""
    folder = tempfile.mkdtemp(prefix="krestel-tools-")
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode())
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    done = subprocess.run(args, cwd=folder, capture_output=True, text=True, timeout=60, env=env)
    return done.returncode, [l for l in done.stdout.splitlines() if l.startswith(("ERROR", "WARNING"))], done.stdout, done.stderr


class Tools(unittest.TestCase):
    def test_checker(self):
        typo = edited(SCENE, ("MASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2", "MAS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2"))
        for files, status, starts in [
                (dict(IMAGES, **{"scene.txt": SCENE}), 0, []),
                (dict(IMAGES, **{"scene.txt": typo}), 1, ["ERROR: 'scene.txt' line 68: expected 'MASS:' but found 'MAS:'"]),
                (dict(IMAGES, **{"scene.txt": edited(SCENE, ("ACTIONLINK: Spinner", "ACTIONLINK: Spiner"))}), 0,
                 ["WARNING: 'scene.txt' line 15: "]),
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
        for args, status in ((["nothing.obj"], 1), (["--scale", "-2", "quads.gltf"], 1), ([], 1), (["--help"], 0)):
            code, _, _, err = tool([IMPORT, *args], {"quads.gltf": MODEL})
            self.assertEqual((code, err != ""), (status, status == 1), args)


if __name__ == "__main__":
    unittest.main()
