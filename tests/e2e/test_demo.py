"""The shipped demo, end to end: demo/ copied to a temporary folder loads with its success line,
shows the colours of its parts where the demo puts them, and every HUD button does what its
label says (MOVE and TURN the cart, SPARKS on and off, FASTER, SLOWER, SPEED 1X read back from
the simulation-time read-out, BOXES draws white box lines). The time read-outs are read with
the glyphs of the engine's 12-point bitmap font below."""

import os
import subprocess
import tempfile
import time
import unittest

from harness import Engine, near, source_path

DEMO = source_path("demo")

# Centres of the seven buttons along the bottom panel, in window pixels (800 by 600): the
# buttons are 0.34 HUD units wide with equal gaps, from x = -1.3334 to 1.3334.
BUTTON_Y = 576
BUTTONS = ["MOVE", "TURN", "SPARKS", "FASTER", "SLOWER", "SPEED 1X", "BOXES"]


def button_x(label):
    return int(61.8 + 112.76 * BUTTONS.index(label))


# Digits of the read-outs as the engine draws them (white, 5 columns by 9 rows, "1" narrower).
DIGITS = {
    "0": ".###. #...# #...# #...# #...# #...# #...# #...# .###.",
    "1": "..# ### ..# ..# ..# ..# ..# ..# ..#",
    "2": ".###. #...# ....# ...#. ..#.. .#... #.... #.... #####",
    "3": ".###. #...# ....# ..##. ....# ....# #...# #...# .###.",
    "4": "....#. ...##. ..#.#. ..#.#. .#..#. #...#. ###### ....#. ....#.",
    "5": "##### #.... #.... ####. ....# ....# #...# #...# .###.",
    "6": ".###. #...# #.... #.##. ##..# #...# #...# #...# .###.",
    "7": "##### ....# ...#. ...#. ..#.. ..#.. ..#.. .#... .#...",
    "8": ".###. #...# #...# .###. #...# #...# #...# #...# .###.",
    "9": ".###. #...# #...# #...# .#### ....# ....# #...# .###.",
}
GLYPHS = {tuple(rows.split()): digit for digit, rows in DIGITS.items()}


def demo_files():
    files = {}
    for name in os.listdir(DEMO):
        if name == "scene.txt" or name.endswith(".tga"):
            with open(os.path.join(DEMO, name), "rb") as f:
                files[name] = f.read()
    return files


def text_lines(image, x0=0, x1=240, y0=0, y1=70):
    """Rows of white text in the read-out corner: a list of (top, bottom) pixel rows."""
    rows = [y for y in range(y0, y1) if any(min(image.pixel(x, y)) > 235 for x in range(x0, x1))]
    lines = []
    for y in rows:
        if lines and y == lines[-1][1] + 1:
            lines[-1][1] = y
        else:
            lines.append([y, y])
    return [tuple(line) for line in lines if line[1] - line[0] >= 6]


def read_number(image, line, x0=0, x1=240):
    """The number at the end of one read-out line, e.g. 12.34 from "Simulation Time: 12.34"."""
    top, bottom = line
    white = [[min(image.pixel(x, y)) > 235 for y in range(top, bottom + 1)] for x in range(x0, x1)]
    glyphs, current = [], []
    for column in white + [[False]]:
        if any(column):
            current.append(column)
        elif current:
            glyphs.append(current)
            current = []
    text = ""
    for g in glyphs:
        ys = [y for y in range(len(g[0])) if any(c[y] for c in g)]
        rows = tuple("".join("#" if c[y] else "." for c in g) for y in range(ys[0], ys[-1] + 1))
        if len(rows) <= 2 and len(g) <= 2:
            text += "."
        else:
            text += GLYPHS.get(rows, "?")
    number = text.rsplit("?", 1)[-1]
    return float(number) if number.count(".") == 1 and number[0] != "." else None


def read_times(image):
    """(application time, simulation time) from the two read-outs of one frame."""
    lines = text_lines(image)
    if len(lines) != 2:
        raise AssertionError("expected two read-out lines, found %r in %s" % (lines, image.path))
    app, sim = (read_number(image, line) for line in lines)  # application time is drawn above
    if app is None or sim is None:
        raise AssertionError("unreadable read-outs in %s" % image.path)
    return app, sim


def red_paint(p):
    """The cart's red paint; blue about equal to green tells it from crates lit by the fire."""
    return p[0] > 110 and p[1] < 70 and p[2] < 70 and p[2] > 0.5 * p[1]


def mask(image, predicate, box):
    x0, y0, x1, y1 = box
    return {(x, y) for y in range(y0, y1, 2) for x in range(x0, x1, 2) if predicate(image.pixel(x, y))}


def centroid(points):
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def hue_checks():
    """Buttons: teal MOVE, orange SPARKS, gold FASTER, violet BOXES, each with a white label."""
    return {"MOVE": lambda p: p[1] > p[0] + 40 and p[2] > p[0] + 40,
            "SPARKS": lambda p: p[0] > p[1] + 40 and p[1] > p[2] + 20,
            "FASTER": lambda p: p[0] > p[2] + 80 and p[1] > p[2] + 60,
            "BOXES": lambda p: p[2] > p[1] + 60 and p[0] > p[1] + 20}


def sparks(image):
    """Bright orange pixels around the brazier on the right."""
    return len(mask(image, lambda p: p[0] > 230 and p[1] > 120 and p[0] - p[2] > 90, (590, 230, 800, 430)))


def white_lines(image):
    """Box lines are white at half opacity: over the sky they are brighter than the sky itself
    (217, 217, 242), and nothing else in the upper part of the view is that white."""
    return sum(1 for y in range(40, 240) for x in range(0, 800)
               if min(image.pixel(x, y)) > 228 and max(image.pixel(x, y)) - min(image.pixel(x, y)) < 20)


class DemoTest(unittest.TestCase):
    """One run of the demo, its parts checked in turn; the time rate is changed last."""

    def click(self, e, label, hold=0.05):
        e.move_mouse(button_x(label), BUTTON_Y)
        time.sleep(0.1)
        e.mouse_down()
        time.sleep(hold)
        e.mouse_up()

    def tap_until(self, e, label, measure, done, pause, hold, what):
        """Taps a toggle button until `done(measure(screenshot))`, as a user would: a tap may
        land on an even number of frames, or be shorter than a frame."""
        for attempt in range(10):
            self.click(e, label, hold=hold)
            time.sleep(pause)
            value = measure(e.screenshot(label))
            if done(value):
                return value
        self.fail(what)

    def rate(self, e, seconds=0.7):
        """Simulation seconds per application second, from two frames seconds apart."""
        a0, s0 = read_times(e.screenshot("rate0"))
        time.sleep(seconds)
        a1, s1 = read_times(e.screenshot("rate1"))
        self.assertGreater(a1 - a0, 0.5 * seconds)
        return (s1 - s0) / (a1 - a0)

    def check_look(self, image, out, err):
        self.assertIn('File Load ("scene.txt"): Success', out)
        self.assertNotIn("ERROR", out + err)
        self.assertNotIn("TGA_READ", err)
        for name in demo_files():
            if name.endswith(".tga"):
                self.assertIn("'%s' (" % name, out)
        # Not blank: many colours overall, and each part in its place.
        self.assertGreater(len(image.region_colours(0, 0, 800, 600, step=3)), 2000, image.path)
        self.assertTrue(near(image.pixel(560, 40), (217, 217, 242), 8), image.path)  # sky
        self.assertTrue(all(c < 110 for c in image.pixel(400, 594)), image.path)  # dark strip
        for label, hue in hue_checks().items():
            x = button_x(label)
            self.assertTrue(hue(image.pixel(x - 45, BUTTON_Y + 6)), (label, image.pixel(x - 45, BUTTON_Y + 6)))
            whites = sum(1 for yy in range(BUTTON_Y - 10, BUTTON_Y + 10) for xx in range(x - 45, x + 45)
                         if min(image.pixel(xx, yy)) > 235)
            self.assertGreater(whites, 40, (label, image.path))
        # The monitor shows the orbiting camera's picture: many colours, not the white of a
        # texture that was never drawn into.
        screen = image.region_colours(130, 90, 260, 170, step=2)
        self.assertGreater(len(screen), 150, image.path)
        self.assertLess(sum(1 for p in screen if min(p) > 245), len(screen) // 4, image.path)
        # The cart's red paint and the dark slate floor.
        self.assertGreater(len(mask(image, red_paint, (430, 320, 680, 480))), 300, image.path)
        floor = image.pixel(400, 520)
        self.assertTrue(60 < floor[0] < 170 and abs(floor[0] - floor[2]) < 40, (floor, image.path))

    def check_cart(self, e):
        """Left alone the cart stays; MOVE drives it to the right; TURN swings it round, so much
        of its red outline changes place."""
        box = (400, 290, 800, 540)  # the cart, clear of the crates and sign the fire lights
        before = mask(e.screenshot("cart0"), red_paint, box)
        time.sleep(0.5)
        still = mask(e.screenshot("cart1"), red_paint, box)
        e.hold_mouse(button_x("MOVE"), BUTTON_Y, 0.8)
        moved = mask(e.screenshot("cart2"), red_paint, box)
        e.hold_mouse(button_x("TURN"), BUTTON_Y, 1.0)
        turned = mask(e.screenshot("cart3"), red_paint, box)
        for m in (before, still, moved, turned):
            self.assertGreater(len(m), 150)
        self.assertLess(abs(centroid(still)[0] - centroid(before)[0]), 3)
        self.assertGreater(centroid(moved)[0] - centroid(still)[0], 30)
        self.assertLess(len(before ^ still) / len(before | still), 0.1)
        self.assertGreater(len(moved ^ turned) / len(moved | turned), 0.4)

    def check_time_buttons(self, e):
        self.assertAlmostEqual(self.rate(e), 1.0, delta=0.1)
        e.hold_mouse(button_x("FASTER"), BUTTON_Y, 1.5)  # +1 per second held
        faster = self.rate(e)
        self.assertGreater(faster, 1.8)
        e.hold_mouse(button_x("SLOWER"), BUTTON_Y, 1.0)  # -1 per second held
        self.assertLess(self.rate(e), faster - 0.6)
        self.click(e, "SPEED 1X")
        time.sleep(0.2)
        self.assertAlmostEqual(self.rate(e), 1.0, delta=0.1)
        # Below zero the simulation runs backwards.
        e.hold_mouse(button_x("SLOWER"), BUTTON_Y, 2.0)
        self.assertLess(self.rate(e), -0.3)

    def test_the_demo_looks_right_and_every_button_does_what_it_says(self):
        with Engine(None, demo_files(), name="demo") as e:
            # The read-outs start together (simulation time starts as application time) and
            # count wall-clock seconds, at rate 1 together.
            t0 = time.time()
            app, sim = read_times(e.screenshot("clock0"))
            t1 = time.time()
            self.assertAlmostEqual(app, sim, delta=0.011)
            time.sleep(1.5)
            t2 = time.time()
            image = e.screenshot("look")
            t3 = time.time()
            app2, sim2 = read_times(image)
            self.assertGreater(app2 - app, t2 - t1 - 0.1)
            self.assertLess(app2 - app, t3 - t0 + 0.1)
            self.assertAlmostEqual(sim2 - sim, app2 - app, delta=0.05)
            self.check_look(image, e.stdout(), e.stderr())

            self.check_cart(e)
            off = sparks(e.screenshot("sparks-off"))
            self.tap_until(e, "SPARKS", sparks, lambda on: on > off + 60, 0.6, 0.03, "sparks never appeared")
            # Sparks live 0.9 s.
            self.tap_until(e, "SPARKS", sparks, lambda gone: gone < off + 20, 1.4, 0.03, "sparks never stopped")
            plain = white_lines(e.screenshot("boxes-off"))
            self.tap_until(e, "BOXES", white_lines, lambda shown: shown > plain + 1500, 0.3, 0.08,
                           "no box lines appeared")
            self.tap_until(e, "BOXES", white_lines, lambda hidden: hidden < plain + 500, 0.3, 0.08,
                           "box lines stayed")
            self.check_time_buttons(e)


class ReadOutReaderTest(unittest.TestCase):
    """The glyph reader on a made-up image: it must read digits back and refuse a damaged one."""

    class Fake:
        path = "fake"

        def __init__(self, text, damage=False):
            self.cells = {}
            x = 10
            for ch in text:
                if ch == ".":
                    self.cells[(x, 18)] = True
                    x += 3
                    continue
                rows = DIGITS[ch].split()
                for y, row in enumerate(rows):
                    for dx, c in enumerate(row):
                        if c == "#":
                            self.cells[(x + dx, 10 + y)] = True
                x += len(rows[0]) + 2
            if damage:
                self.cells[(11, 12)] = True

        def pixel(self, x, y):
            return (255, 255, 255) if self.cells.get((x, y)) else (90, 90, 100)

    def test_reads_digits_and_rejects_damaged_glyphs(self):
        self.assertEqual(read_number(self.Fake("10.25"), (10, 18)), 10.25)
        self.assertEqual(read_number(self.Fake("3.96"), (10, 18)), 3.96)
        self.assertEqual(read_number(self.Fake("47.80"), (10, 18)), 47.80)
        self.assertIsNone(read_number(self.Fake("8.25", damage=True), (10, 18)))


def fenced_blocks(markdown, info):
    """The bodies of the markdown code blocks that open with ``` followed by info."""
    blocks, body = [], None
    for line in markdown.splitlines():
        if body is None and line.strip() == "```" + info:
            body = []
        elif body is not None and line.strip() == "```":
            blocks.append(body)
            body = None
        elif body is not None:
            body.append(line)
    return blocks


def excerpt_found(excerpt, lines):
    """True when the excerpt's lines occur in lines in order: consecutive runs, with "..." standing
    for any number of lines left out. Indentation and blank lines do not count."""
    runs = [[]]
    for line in excerpt:
        if line.strip() == "...":
            runs.append([])
        elif line.strip():
            runs[-1].append(line.strip())
    at = 0
    for run in runs:
        while at + len(run) <= len(lines) and lines[at:at + len(run)] != run:
            at += 1
        if at + len(run) > len(lines):
            return False
        at += len(run)
    return True


class DocumentationTest(unittest.TestCase):
    """The scene format guide quotes the demo: every quoted excerpt must still be in the demo
    (the parser tests read the guide's complete example)."""

    def setUp(self):
        with open(source_path("docs", "scene-format.md")) as f:
            self.guide = f.read()
        with open(os.path.join(DEMO, "scene.txt")) as f:
            self.demo_lines = [line.strip() for line in f if line.strip()]

    def test_every_quoted_demo_excerpt_is_in_the_demo(self):
        excerpts = fenced_blocks(self.guide, "scene")
        self.assertGreaterEqual(len(excerpts), 12)
        for excerpt in excerpts:
            self.assertTrue(excerpt_found(excerpt, self.demo_lines), "not in demo/scene.txt:\n" + "\n".join(excerpt))
        # The matcher itself: a changed number or lines out of order are not found.
        self.assertTrue(excerpt_found(["SCENEGRAPH:", "...", "NAME: Viewer"], self.demo_lines))
        self.assertFalse(excerpt_found(["FORCECOUNT: 1", "FORCETYPE: GRAVITY", "STRENGTH: 0 -9.9 0"],
                                       self.demo_lines))
        self.assertFalse(excerpt_found(["NAME: Viewer", "...", "SCENEGRAPH:"], self.demo_lines))


class TexturesTest(unittest.TestCase):
    def test_the_script_rewrites_the_shipped_textures_exactly(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["python3", os.path.join(DEMO, "make_textures.py"), "--quiet"], cwd=folder,
                           check=True, timeout=60)
            made = sorted(os.listdir(folder))
            shipped = sorted(n for n in os.listdir(DEMO) if n.endswith(".tga"))
            self.assertEqual(made, shipped)
            for name in made:
                with open(os.path.join(folder, name), "rb") as a, open(os.path.join(DEMO, name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)


if __name__ == "__main__":
    unittest.main()
