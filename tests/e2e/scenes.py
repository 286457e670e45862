"""Scene texts for the end-to-end tests: the shared scenes of tests/data, builders of small scenes
(self-coloured squares, HUD panels and buttons) and TGA files, returned as text or bytes."""

import os
import struct

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "scenes")


def read_scene(name): return open(os.path.join(DATA, name + ".txt")).read()


def edited(text, *edits):
    # The first occurrence of each `old` replaced by `new`, in order.
    for old, new in edits:
        assert old in text, old
        text = text.replace(old, new, 1)
    return text


def line_of(text, needle): return text[:text.index(needle)].count("\n") + 1


def tga(width, height, pixels=((200, 100, 50, 255),), depth=24, image_type=2, body=None):
    """An uncompressed TGA, bottom row first: `pixels` as (r, g, b[, a]) in file order, or one
    colour for all; `body` replaces the pixel bytes (for broken files)."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, depth, 0)
    if body is None:
        colours = pixels if len(pixels) == width * height else [pixels[0]] * (width * height)
        size = 4 if depth == 32 else 3
        body = b"".join(bytes((c[2], c[1], c[0], c[3] if len(c) > 3 else 255)[:size]) for c in colours)
    return header + body


def material(name, rgb, texture="None"):
    return ("MATERIAL: %s\nEMISSION: %s 1\nAMBIENT: 0 0 0 1\nDIFFUSE: 0 0 0 1\nSPECULAR: 0 0 0 1\n"
            "SHININESS: 0\nTEXTURETYPE: STATIC\nTEXTURE: %s\n" % (name, rgb, texture))


def square(name="Square", half=0.5):
    h = half
    return ("MESH: %s\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\nVERTEXCOUNT: 4\n"
            "POSITION: %g %g 0 NORMAL: 0 0 1 TEXCOORD: 0 0\nPOSITION: %g %g 0 NORMAL: 0 0 1 TEXCOORD: 1 0\n"
            "POSITION: %g %g 0 NORMAL: 0 0 1 TEXCOORD: 1 1\nPOSITION: %g %g 0 NORMAL: 0 0 1 TEXCOORD: 0 1\n"
            "SURFACECOUNT: 1\nTRIANGLECOUNT: 2\n0 1 2\n0 2 3\n" % (name, -h, -h, h, -h, h, h, -h, h))


def entity(kind, name, position="0 0 0", motion="STATIC", link="None", material="None",
           velocity="0 0 0", mass="1", angle="0", keyframers="KEYFRAMERCOUNT: 0\n", children=0):
    return ("------\nENTITY: %s\nTYPE: %s\nNAME: %s\nPOSITION: %s ROTATION: %s 0 1 0 SCALE: 1 1 1\n"
            "ACCELERATION: 0 0 0 VELOCITY: %s\nLINK: %s\nMATERIAL: %s\nMASS: %s\n%sCHILDCOUNT: %d\n"
            % (kind, motion, name, position, angle, velocity, link, material, mass, keyframers, children))


def camera(name="Cam", position="0 0 10"): return entity("CAMERA", name, position)


def panel(colour, x0, y0, x1, y1, texture="None"):
    # In HUD units: the window is 2 units high, y up, origin at the centre.
    return ("COLOUR: %s\nTEXTURETYPE: STATIC\nTEXTURE: %s\nMIN: %g %g TEX: 0 0\nMAX: %g %g TEX: 1 1\n"
            % (colour, texture, x0, y0, x1, y1))


def button(action, values, link, colour, x0, y0, x1, y1):
    return "ACTIONNAME: %s\nACTIONVALUES: %s\nACTIONLINK: %s\n%s" % (action, values, link, panel(colour, x0, y0, x1, y1))


def scene(entities, materials=(), meshes=(), backgrounds=(), buttons=(), gravity=None, particles=(),
          readouts=("-1.3 0.9", "-1.3 0.8"), time_colour="1 1 1 1"):
    """A whole scene file seen through the camera Cam: `entities` (records, each followed by its
    own children) under one top group named World."""
    parts = ["SCENECAMERA: Cam\nHUD:\nAPPTIME: %s\nSIMTIME: %s\nTIMECOLOUR: %s\n" % (*readouts, time_colour),
             "BACKGROUNDCOUNT: %d\n" % len(backgrounds), *backgrounds, "BUTTONCOUNT: %d\n" % len(buttons),
             *buttons, "FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: %s\n" % gravity if gravity else "FORCECOUNT: 0\n",
             "PARTICLECOUNT: %d\n" % len(particles), *particles, "MATERIALCOUNT: %d\n" % len(materials),
             *materials, "MESHCOUNT: %d\n" % len(meshes), *meshes, "SCENEGRAPH:\n",
             entity("GROUP", "World", children=len(entities)), *entities]
    return "".join(parts)
