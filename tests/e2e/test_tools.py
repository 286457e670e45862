"""The authoring tools as a user runs them: krestel-check on a table of broken scene files (each
expected line and exit status), without a display; krestel-import on an OBJ cube with and
without normals and a glTF file with an embedded buffer, its output pasted into a whole scene
that the checker (the engine's parser) and the engine itself load."""

import os
import re
import subprocess
import tempfile
import unittest

from harness import Engine
from scenes import DATA, edited as edit_scene, read_scene, tga

BUILD = os.path.dirname(os.path.abspath(os.environ.get(
    "KRESTEL_BINARY", os.path.join(os.path.dirname(__file__), "../../build/krestel"))))
CHECK = os.path.join(BUILD, "krestel-check")
IMPORT = os.path.join(BUILD, "krestel-import")

SCENE = read_scene("example")
GOOD_FILES = {"panel.tga": tga(2, 2), "smoke.tga": tga(2, 2, depth=32)}


def edited(*edits):
    return edit_scene(SCENE, *edits)


def run(args, cwd, env=None):
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, timeout=60, env=env)


def without_display():
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return env


def in_folder(scene, files, name="scene.txt"):
    folder = tempfile.mkdtemp(prefix="krestel-tools-")
    if scene is not None:
        with open(os.path.join(folder, name), "w") as f:
            f.write(scene)
    for file_name, content in files.items():
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(content)
    return folder


class CheckerTable(unittest.TestCase):
    """Each case: the scene, its image files, the exit status, and every ERROR or WARNING line
    (as a pattern) that must be printed; no other ERROR or WARNING line may be."""

    CASES = [
        ("clean", SCENE, GOOD_FILES, 0, []),
        ("typo in a keyword, read on to the next one",
         edited(("MASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2", "MAS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 2"),
                ("TYPE: ANIMATE", "TYPE: ANIMATED")),
         GOOD_FILES, 1,
         [r"ERROR: 'scene.txt' line 68: expected 'MASS:' but found 'MAS:'",
          r"ERROR: 'scene.txt' line 84: expected one of SIMULATE, ANIMATE, STATIC after 'TYPE:' "
          r"but found 'ANIMATED'"]),
        ("names that name nothing", edited(("LINK: Tri", "LINK: Box"), ("MATERIAL: Red\nMASS", "MATERIAL: Blue\nMASS"),
                                           ("ACTIONLINK: Spinner", "ACTIONLINK: Spiner")),
         GOOD_FILES, 0,
         [r"WARNING: 'scene.txt' line 15: ACTIONLINK 'Spiner' .* names no entity",
          r"WARNING: 'scene.txt' line 88: LINK 'Box' of OBJECT 'Spinner' names no mesh; expected "
          r"one \(the names are Tri\): it draws the first mesh, 'Tri'",
          r"WARNING: 'scene.txt' line 89: MATERIAL 'Blue' .* names no material"]),
        ("textures missing or not uncompressed", SCENE,
         {"smoke.tga": tga(2, 2, image_type=10)}, 0,
         [r"WARNING: 'scene.txt' line 9: texture 'panel.tga' cannot be opened",
          r"WARNING: 'scene.txt' line 35: texture 'smoke.tga' is run-length encoded true-colour "
          r"\(image type 10\); expected uncompressed true-colour \(type 2\)"]),
        ("16-bit texture", SCENE, {"panel.tga": tga(2, 2, depth=16), "smoke.tga": tga(2, 2)}, 0,
         [r"WARNING: 'scene.txt' line 9: texture 'panel.tga' has 16 bits per pixel; expected 24 "
          r"or 32"]),
        ("scene camera, unreachable button, keyframers on a STATIC entity",
         edited(("SCENECAMERA: Camera1", "SCENECAMERA: Spinner"),
                ("MIN: -1.2 -0.9", "MIN: 0.5 0.5"), ("MAX: -1.0 -0.7", "MAX: 0.6 0.6"),
                ("TYPE: ANIMATE", "TYPE: STATIC")),
         GOOD_FILES, 0,
         [r"WARNING: 'scene.txt' line 1: SCENECAMERA 'Spinner' names an OBJECT entity",
          r"WARNING: 'scene.txt' line 13: button 1 \(ENTITYMOVE\) lies outside every background",
          r"WARNING: 'scene.txt' line 91: OBJECT 'Spinner' has 1 keyframer but its TYPE is STATIC"]),
    ]

    def test_table(self):
        for name, scene, files, status, patterns in self.CASES:
            with self.subTest(name):
                folder = in_folder(scene, files)
                result = run([CHECK], folder, env=without_display())
                out = result.stdout
                self.assertEqual(result.returncode, status, out + result.stderr)
                lines = [l for l in out.splitlines() if l.startswith(("ERROR", "WARNING"))]
                for pattern in patterns:
                    self.assertTrue(any(re.match(pattern, l) for l in lines),
                                    f"no line matches {pattern!r} in:\n{out}")
                self.assertEqual(len(lines), len(patterns), out)
                summary = out.splitlines()[-1]
                self.assertIn("loads" if status == 0 else "does not load", summary)

    def test_summary_of_a_clean_scene(self):
        folder = in_folder(SCENE, GOOD_FILES)
        result = run([CHECK, "scene.txt"], folder, env=without_display())
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(result.stdout.strip(),
                         "'scene.txt' loads: 0 errors, 0 warnings; 3 entities, 1 mesh, "
                         "1 material, 3 textures, 1 particle system, 1 keyframer, 1 button, "
                         "1 background, 1 force")

    def test_unreadable_file_and_other_folder(self):
        folder = in_folder(None, {})
        result = run([CHECK], folder)
        self.assertEqual(result.returncode, 2)
        self.assertIn("ERROR: 'scene.txt' cannot be read", result.stdout)
        # A scene in another folder: its images are looked for beside it.
        folder = in_folder(SCENE, GOOD_FILES, name="level.txt")
        result = run([CHECK, os.path.join(folder, "level.txt")], tempfile.gettempdir())
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertNotIn("WARNING", result.stdout)


def model(name):
    with open(os.path.join(os.path.dirname(DATA), "models", name)) as f:
        return f.read()


# The models the C++ tests import too: a cube with and without normals, two quads in glTF.
CUBE, CUBE_NORMALS, QUADS = model("cube.obj"), model("cube-normals.obj"), model("quads.gltf")


def with_mesh(record, name):
    """The imported record pasted into the clean scene as a second mesh, drawn by Spinner."""
    return edited(("MESHCOUNT: 1", "MESHCOUNT: 2"), ("SCENEGRAPH:", record + "SCENEGRAPH:"),
                  ("LINK: Tri", "LINK: " + name))


@unittest.skipUnless(os.path.exists(IMPORT), "krestel-import was not built (no assimp)")
class Importer(unittest.TestCase):
    def import_model(self, files, *args):
        folder = in_folder(None, {k: v.encode() for k, v in files.items()})
        return run([IMPORT, *args], folder), folder

    def test_import_with_scale_and_centre_passes_the_checker(self):
        # The models, normals and transforms are held by the unit tests; here the options and
        # the record on standard output, pasted into a scene the checker loads.
        result, folder = self.import_model({"quads.gltf": QUADS}, "--scale", "0.5", "--centre",
                                           "quads.gltf")
        self.assertEqual(result.returncode, 0, result.stderr)
        record = result.stdout
        flat = " ".join(record.split())
        self.assertTrue(flat.startswith("MESH: quads POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1 "
                                        "VERTEXCOUNT: 8 "), record)
        self.assertIn(" SURFACECOUNT: 1 TRIANGLECOUNT: 4 ", flat)
        xs = [float(x) for x in re.findall(r"POSITION: (\S+) \S+ \S+ NORMAL", record)]
        self.assertEqual((min(xs), max(xs)), (-3, 3))
        with open(os.path.join(folder, "scene.txt"), "w") as f:
            f.write(with_mesh(record, "quads"))
        for file_name, content in GOOD_FILES.items():
            with open(os.path.join(folder, file_name), "wb") as f:
                f.write(content)
        check = run([CHECK], folder, env=without_display())
        self.assertEqual(check.returncode, 0, check.stdout)
        self.assertIn("2 meshes", check.stdout)
        self.assertNotIn("WARNING", check.stdout)

    def test_imported_cube_loads_in_the_engine(self):
        if not os.environ.get("DISPLAY"):
            self.skipTest("no display")
        result, _ = self.import_model({"cube.obj": CUBE}, "cube.obj", "Cube")
        self.assertEqual(result.returncode, 0, result.stderr)
        with Engine(with_mesh(result.stdout, "Cube"), GOOD_FILES, name="imported-cube") as engine:
            self.assertIn('File Load ("scene.txt"): Success', engine.stdout())
            self.assertTrue(engine.alive(), engine.stderr())

    def test_texture_advice_on_standard_error(self):
        files = {"cube.obj": "mtllib cube.mtl\nusemtl wood\n" + CUBE_NORMALS,
                 "cube.mtl": "newmtl wood\nmap_Kd wood grain.png\n"}
        result, _ = self.import_model(files, "cube.obj")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("# make it an uncompressed TGA with: convert 'wood grain.png' -type TrueColor "
                      "-compress none wood_grain.tga", result.stderr)
        self.assertNotIn("#", result.stdout)

    def test_errors(self):
        cases = [
            ("missing file", {}, ["nothing.obj"], "cannot open 'nothing.obj'"),
            ("not a model", {"junk.gltf": "{ not json"}, ["junk.gltf"], "cannot read 'junk.gltf'"),
            ("no triangles", {"lines.obj": "v 0 0 0\nv 1 0 0\nl 1 2\n"}, ["lines.obj"],
             "holds no triangles"),
            ("name too long", {"cube.obj": CUBE}, ["cube.obj", "TwentyCharactersLong"],
             "has 20 characters"),
            ("default name too long", {"a_model_with_a_long_name.obj": CUBE},
             ["a_model_with_a_long_name.obj"], "give a NAME"),
            ("bad scale", {"cube.obj": CUBE}, ["--scale", "-2", "cube.obj"],
             "--scale needs a number greater than 0"),
            ("no arguments", {}, [], "no model file given"),
        ]
        for name, files, args, message in cases:
            with self.subTest(name):
                result, _ = self.import_model(files, *args)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, "")
                self.assertIn(message, result.stderr)

    def test_help_says_to_raise_meshcount(self):
        result, _ = self.import_model({}, "--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn("raise MESHCOUNT by one", result.stdout)


if __name__ == "__main__":
    unittest.main()
