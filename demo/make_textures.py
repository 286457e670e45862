"""Writes the demo's small TGA textures into the folder it is run from: 24-bit, uncompressed,
bottom-left origin. Standard library only; the images are generated, so they can be changed
here and rewritten at any time."""

import math
import struct


def write_tga(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) in 0..255, with y = 0 the bottom row."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0)
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            rows += bytes((int(b), int(g), int(r)))
    with open(path, "wb") as f:
        f.write(header + bytes(rows))


def clamp(v):
    return max(0, min(255, int(round(v))))


def checker(x, y):
    """Floor tiles: two greys, eight squares across."""
    light = ((x // 8) + (y // 8)) % 2 == 0
    return (200, 200, 190) if light else (90, 95, 100)


def crate(x, y):
    """Planks with a dark frame and a diagonal brace."""
    edge = x < 5 or y < 5 or x > 58 or y > 58
    brace = abs(x - y) < 4
    grain = 20 * math.sin(y * 0.9 + math.sin(x * 0.3) * 2)
    if edge or brace:
        return (clamp(110 + grain / 2), clamp(70 + grain / 2), 30)
    return (clamp(190 + grain), clamp(140 + grain), clamp(80 + grain / 2))


def smoke(x, y):
    """A soft round puff: white in the middle fading to a pale grey rim, so the square edge of a
    blended quad stays faint against a light sky (the image has no alpha channel)."""
    d = min(1.0, math.hypot(x - 15.5, y - 15.5) / 16.0)
    v = clamp(190 + 65 * (1.0 - d) ** 1.5)
    return (v, v, v)


def panel(x, y):
    """A dark blue-grey strip with a lighter top edge."""
    v = 40 + 3 * y
    return (clamp(v * 0.8), clamp(v * 0.9), clamp(v * 1.2))


def button(x, y):
    """A bevelled square: light upper-left edges, dark lower-right ones."""
    if x < 2 or y > 13:
        return (235, 235, 235)
    if x > 13 or y < 2:
        return (90, 90, 90)
    return (170, 170, 170)


TEXTURES = {
    "checker.tga": (64, 64, checker),
    "crate.tga": (64, 64, crate),
    "smoke.tga": (32, 32, smoke),
    "panel.tga": (16, 16, panel),
    "button.tga": (16, 16, button),
}

if __name__ == "__main__":
    for name, (w, h, fn) in TEXTURES.items():
        write_tga(name, w, h, fn)
        print("wrote %s (%d by %d)" % (name, w, h))
