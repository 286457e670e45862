"""Writes the demo's TGA textures into the folder it is run from: uncompressed, 24-bit (32-bit
with alpha for drop.tga), rows stored bottom row first (the reader maps the first stored row to
texture coordinate v = 0).
Standard library only. Button labels are drawn with the small 5 by 7 pixel font below, so a
texture can be relabelled by editing one word here and running the script again."""

import math
import struct
import sys

# 5 by 7 capitals, digits and a few signs: seven rows of five columns, top row first.
FONT = {
    "A": ".###. #...# #...# ##### #...# #...# #...#",
    "B": "####. #...# #...# ####. #...# #...# ####.",
    "C": ".###. #...# #.... #.... #.... #...# .###.",
    "D": "####. #...# #...# #...# #...# #...# ####.",
    "E": "##### #.... #.... ####. #.... #.... #####",
    "F": "##### #.... #.... ####. #.... #.... #....",
    "G": ".###. #...# #.... #.### #...# #...# .####",
    "H": "#...# #...# #...# ##### #...# #...# #...#",
    "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "J": "..### ...#. ...#. ...#. ...#. #..#. .##..",
    "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    "L": "#.... #.... #.... #.... #.... #.... #####",
    "M": "#...# ##.## #.#.# #.#.# #...# #...# #...#",
    "N": "#...# ##..# #.#.# #..## #...# #...# #...#",
    "O": ".###. #...# #...# #...# #...# #...# .###.",
    "P": "####. #...# #...# ####. #.... #.... #....",
    "Q": ".###. #...# #...# #...# #.#.# #..#. .##.#",
    "R": "####. #...# #...# ####. #.#.. #..#. #...#",
    "S": ".#### #.... #.... .###. ....# ....# ####.",
    "T": "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",
    "U": "#...# #...# #...# #...# #...# #...# .###.",
    "V": "#...# #...# #...# #...# #...# .#.#. ..#..",
    "W": "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",
    "X": "#...# #...# .#.#. ..#.. .#.#. #...# #...#",
    "Y": "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",
    "Z": "##### ....# ...#. ..#.. .#... #.... #####",
    "0": ".###. #...# #..## #.#.# ##..# #...# .###.",
    "1": "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",
    "2": ".###. #...# ....# ...#. ..#.. .#... #####",
    "3": "##### ...#. ..#.. ...#. ....# #...# .###.",
    "4": "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    "5": "##### #.... ####. ....# ....# #...# .###.",
    "6": "..##. .#... #.... ####. #...# #...# .###.",
    "7": "##### ....# ...#. ..#.. .#... .#... .#...",
    "8": ".###. #...# #...# .###. #...# #...# .###.",
    "9": ".###. #...# #...# .#### ....# ...#. .##..",
    ".": "..... ..... ..... ..... ..... .##.. .##..",
    "!": "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",
    "<": "...#. ..#.. .#... #.... .#... ..#.. ...#.",
    ">": ".#... ..#.. ...#. ....# ...#. ..#.. .#...",
    "+": "..... ..#.. ..#.. ##### ..#.. ..#.. .....",
    "-": "..... ..... ..... ##### ..... ..... .....",
    " ": "..... ..... ..... ..... ..... ..... .....",
}


def glyph(ch):
    if ch.upper() not in FONT:
        raise SystemExit("make_textures.py: no letter %r in the 5 by 7 font; add it to FONT" % ch)
    rows = FONT[ch.upper()].split()
    return [[c == "#" for c in row] for row in rows]


class Canvas:
    """An RGB image in memory, or RGBA when alpha is set; (0, 0) is the top-left pixel while
    drawing."""

    def __init__(self, width, height, colour=(0, 0, 0), alpha=False):
        self.width, self.height, self.alpha = width, height, alpha
        colour = tuple(colour) + ((255,) if alpha and len(colour) == 3 else ())
        self.rows = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = tuple(clamp(c) for c in colour)

    def fill(self, fn):
        for y in range(self.height):
            for x in range(self.width):
                self.set(x, y, fn(x, y))

    def text(self, x, y, word, colour, scale=1, shadow=None):
        """Draws word with its top-left corner at (x, y); each font pixel becomes scale by scale
        pixels. A shadow colour draws the word once more beneath, offset down and right."""
        if shadow is not None:
            offset = max(1, scale // 2)
            self.text(x + offset, y + offset, word, shadow, scale)
        for i, ch in enumerate(word):
            for gy, row in enumerate(glyph(ch)):
                for gx, on in enumerate(row):
                    if not on:
                        continue
                    for sy in range(scale):
                        for sx in range(scale):
                            self.set(x + (6 * i + gx) * scale + sx, y + gy * scale + sy, colour)

    def save(self, path):
        depth, descriptor = (32, 8) if self.alpha else (24, 0)  # descriptor: bits of alpha
        header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, self.width, self.height, depth,
                             descriptor)
        data = bytearray()
        for row in reversed(self.rows):  # bottom row first
            for pixel in row:
                data += bytes((pixel[2], pixel[1], pixel[0]) + tuple(pixel[3:]))
        with open(path, "wb") as f:
            f.write(header + bytes(data))


def text_width(word, scale):
    return (6 * len(word) - 1) * scale


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, f):
    return tuple(x + (y - x) * f for x, y in zip(a, b))


def noise(x, y, seed=0):
    """A repeatable value in 0..1 from integer coordinates."""
    n = (x * 374761393 + y * 668265263 + seed * 982451653) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


# Scene textures -------------------------------------------------------------------------------

def tiles():
    """Slate flagstones, two by two per image, with soft grout so distant tiles don't shimmer."""
    c = Canvas(64, 64)

    def px(x, y):
        tx, ty = x // 32, y // 32
        u, v = x % 32, y % 32
        base = [(118, 124, 130), (104, 110, 118), (126, 128, 122), (112, 118, 112)][tx * 2 + ty]
        grain = (noise(x, y, 1) - 0.5) * 18
        edge = min(u, v, 31 - u, 31 - v)
        shade = 1.0 if edge > 1 else (0.72 if edge == 1 else 0.6)
        return tuple(ch * shade + grain for ch in base)

    c.fill(px)
    return c


def rock():
    """Dressed stone blocks in staggered courses, for the gate, the basin and the island's cliff."""
    c = Canvas(64, 64)

    def px(x, y):
        course = y // 16
        u = (x + (16 if course % 2 else 0)) % 32
        v = y % 16
        block = ((x + (16 if course % 2 else 0)) // 32) % 2 + 2 * (course % 2)
        base = [(176, 168, 150), (160, 152, 136), (168, 158, 140), (184, 174, 156)][block]
        grain = (noise(x, y, 2) - 0.5) * 24
        if min(u, v) == 0:
            return (96, 90, 82)
        shade = 1.08 if min(u, v) == 1 else (0.9 if max(u, v) >= 15 and v >= 15 else 1.0)
        return tuple(ch * shade + grain for ch in base)

    c.fill(px)
    return c


def crate():
    """Planks with a dark frame and a diagonal brace."""
    c = Canvas(64, 64)

    def px(x, y):
        edge = x < 5 or y < 5 or x > 58 or y > 58
        brace = abs(x - y) < 4
        grain = 20 * math.sin(y * 0.9 + math.sin(x * 0.3) * 2)
        if edge or brace:
            return (110 + grain / 2, 70 + grain / 2, 30)
        return (190 + grain, 140 + grain, 80 + grain / 2)

    c.fill(px)
    return c


def paint():
    """Red painted metal with a lighter stripe and rivets, for the cart."""
    c = Canvas(32, 32)

    def px(x, y):
        base = (200, 48, 40) if 12 <= y <= 19 else (150, 30, 30)
        if y in (11, 20):
            base = (240, 220, 200)
        if (x % 8 == 3) and (y % 8 == 3):
            base = (90, 20, 20)
        return tuple(ch + (noise(x, y, 3) - 0.5) * 10 for ch in base)

    c.fill(px)
    return c


def drop():
    """A water droplet for the blended spray: white with a soft round alpha, so each quad shows as
    a round blob (the one texture here with an alpha channel, 32 bits per pixel)."""
    c = Canvas(32, 32, alpha=True)

    def px(x, y):
        d = min(1.0, math.hypot(x - 15.5, y - 15.5) / 15.5)
        highlight = max(0.0, 1.0 - math.hypot(x - 11, y - 11) / 6.0)
        v = 215 + 40 * highlight
        return (v, v, 255, 255 * (1.0 - d) ** 1.2)

    c.fill(px)
    return c


def sign(day):
    """The two faces of the sign that fades between day and night: a sun on blue sky, or a moon
    and stars on deep blue, over the town's name."""
    c = Canvas(64, 64)
    sky_top, sky_bottom = ((90, 160, 230), (190, 225, 250)) if day else ((10, 14, 50), (40, 40, 100))
    c.fill(lambda x, y: mix(sky_top, sky_bottom, y / 63.0))
    for y in range(64):
        for x in range(64):
            d = math.hypot(x - 32, y - 24)
            if day:
                if d < 11:
                    c.set(x, y, (255, 220, 80))
                elif d < 16 and int(math.degrees(math.atan2(y - 24, x - 32))) % 45 < 12:
                    c.set(x, y, (255, 200, 60))
            else:
                if d < 11 and math.hypot(x - 37, y - 20) >= 9:
                    c.set(x, y, (235, 235, 200))
                elif noise(x, y, 4) > 0.985:
                    c.set(x, y, (255, 255, 230))
    for y in range(46, 60):
        for x in range(2, 62):
            c.set(x, y, (60, 40, 30) if day else (20, 20, 40))
    word = "TOLVANE"
    c.text((64 - text_width(word, 1)) // 2, 49, word, (255, 240, 200) if day else (200, 210, 255))
    return c


def panel():
    """The HUD's bottom strip: dark slate, lighter towards its top edge."""
    c = Canvas(16, 16)
    c.fill(lambda x, y: mix((70, 78, 96), (28, 32, 42), y / 15.0) if y > 0 else (150, 160, 180))
    return c


def button(word, colour):
    """A rounded, bevelled button of the given colour with its label in white capitals."""
    c = Canvas(128, 32)
    light, dark = mix(colour, (255, 255, 255), 0.45), mix(colour, (0, 0, 0), 0.5)

    def px(x, y):
        corner = (min(x, 127 - x) < 3) and (min(y, 31 - y) < 3) and \
            math.hypot(min(x, 127 - x) - 3, min(y, 31 - y) - 3) > 3
        if corner:
            return (40, 44, 56)  # the panel's colour behind the button's rounded corners
        if x < 2 or y < 2:
            return light
        if x > 125 or y > 29:
            return dark
        return mix(colour, mix(colour, (0, 0, 0), 0.25), y / 31.0)

    c.fill(px)
    c.text((128 - text_width(word, 2)) // 2, 9, word, (255, 255, 255), scale=2, shadow=(20, 20, 30))
    return c


# The buttons of the HUD: file name, label, colour. Movement teal, particles orange, time gold,
# boxes violet.
BUTTONS = [
    ("move.tga", "MOVE", (30, 140, 150)),
    ("turn.tga", "TURN", (30, 140, 150)),
    ("sparks.tga", "SPARKS", (210, 110, 30)),
    ("faster.tga", "FASTER", (190, 150, 20)),
    ("slower.tga", "SLOWER", (190, 150, 20)),
    ("normal.tga", "SPEED 1X", (190, 150, 20)),
    ("boxes.tga", "BOXES", (130, 70, 190)),
]

TEXTURES = {
    "tiles.tga": tiles,
    "rock.tga": rock,
    "crate.tga": crate,
    "paint.tga": paint,
    "drop.tga": drop,
    "day.tga": lambda: sign(True),
    "night.tga": lambda: sign(False),
    "panel.tga": panel,
}
for _name, _word, _colour in BUTTONS:
    TEXTURES[_name] = (lambda w, c: lambda: button(w, c))(_word, _colour)

def parse_arguments(argv):
    # argparse prints usage and exits 0 for --help, 2 for anything it does not know, before a
    # single file is written.
    import argparse
    parser = argparse.ArgumentParser(
        prog="make_textures.py",
        description="Writes the demo's TGA textures (%s) into the current folder."
        % ", ".join(TEXTURES))
    parser.add_argument("--quiet", action="store_true", help="print nothing for each file written")
    return parser.parse_args(argv)


if __name__ == "__main__":
    quiet = parse_arguments(sys.argv[1:]).quiet
    for name, make in TEXTURES.items():
        image = make()
        image.save(name)
        if not quiet:
            print("wrote %s (%d by %d)" % (name, image.width, image.height))
