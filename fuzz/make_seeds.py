"""Writes the fuzzers' seed corpora: fuzz/corpus/parse_scene/ from the demo scene, the code
blocks of docs/scene-format.md, the loader tests' example scene and a few hand-made variants;
fuzz/corpus/decode_image/ from small TGAs of every pixel depth and a few cut ones (the PNG,
JPEG and TGA files named im-* beside them were written by ImageMagick from one 6 by 4 picture). Standard
library only; run from anywhere, then commit the files it writes."""

import os
import re
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
SCENES = os.path.join(ROOT, "fuzz", "corpus", "parse_scene")
TGAS = os.path.join(ROOT, "fuzz", "corpus", "decode_image")


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(os.path.join(folder, name), mode, newline="" if mode == "w" else None) as f:
        f.write(data)


def read(*parts):
    with open(os.path.join(ROOT, *parts)) as f:
        return f.read()


def scene_seeds():
    write(SCENES, "demo.txt", read("demo", "scene.txt"))
    blocks = re.findall(r"```\n(.*?)```", read("docs", "scene-format.md"), re.S)
    for i, block in enumerate(blocks):
        write(SCENES, "docs-%02d.txt" % i, block)
    text = read("tests", "data", "scenes", "example.txt")
    write(SCENES, "example.txt", text)
    write(SCENES, "example-crlf.txt", text.replace("\n", "\r\n"))
    write(SCENES, "example-one-line.txt", " ".join(text.split()))
    write(SCENES, "example-no-blanks.txt", re.sub(r"\s+", "\t", text))
    write(SCENES, "keyframers.txt", KEYFRAMERS)
    # Comment lines between tokens, and a mesh file's text (the lines after "MESH: Tri").
    write(SCENES, "example-comments.txt", "# a scene\n" + text.replace("\n\t", "\n# note\n\t"))
    mesh = text[text.index("\t\tPOSITION: 0 0 0 ROT"):text.index("SCENEGRAPH:")]
    write(SCENES, "mesh-file.txt", "# Tri\n" + mesh)
    write(SCENES, "example-mesh-file.txt", text.replace(mesh, "\t\tMESHFILE: models/tri.mesh\n"))


# Every keyframer type, a DYNAMIC particle texture, a DYNAMIC material-key texture and nesting.
KEYFRAMERS = """SCENECAMERA: Eye
HUD:
APPTIME: 0 0
SIMTIME: 0 0
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 0
BUTTONCOUNT: 1
ACTIONNAME: TIMERATE
ACTIONVALUES: 0 0.5 0 0 0
ACTIONLINK: None
COLOUR: 1 1 1 1
TEXTURETYPE: DYNAMIC
LINK: Eye
TEXTURE: None
MIN: 0 0 TEX: 0 0
MAX: 1 1 TEX: 1 1
FORCECOUNT: 2
FORCETYPE: GRAVITY
STRENGTH: 0 -9.8 0
FORCETYPE: GRAVITY
STRENGTH: 1e-3 +2. .5
PARTICLECOUNT: 1
PARTICLETYPE: POINT
DISPLAYTYPE: TRIANGLE
BLENDTYPE: SATURATE
SYSTEMNAME: Sparks
BIRTHRATE: 50
LIFETIME: 1.5
SIZE: 0.1
INITIAL: OFF
TEXTURETYPE: DYNAMIC (Eye)
TEXTURE: None
MINCOLOUR: 1 1 0 1
MAXCOLOUR: 1 0 0 0
MINMASS: 1 MAXMASS: 2
MINSPEED: 1 MAXSPEED: 3
MATERIALCOUNT: 1
MATERIAL: Blue
EMISSION: 0 0 0 1
AMBIENT: 0 0 0.2 1
DIFFUSE: 0 0 0.8 1
SPECULAR: 1 1 1 1
SHININESS: 16
TEXTURETYPE: DYNAMIC
LINK: Eye
TEXTURE: None
MESHCOUNT: 1
MESH: Quad
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
VERTEXCOUNT: 4
POSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD: 0 0
POSITION: 1 -1 0 NORMAL: 0 0 1 TEXCOORD: 1 0
POSITION: 1 1 0 NORMAL: 0 0 1 TEXCOORD: 1 1
POSITION: -1 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1
SURFACECOUNT: 2
TRIANGLECOUNT: 2
0 1 2
0 2 3
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
NAME: Eye
POSITION: 0 0 5 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: OBJECT
TYPE: ANIMATE
NAME: Panel
POSITION: 0 0 0 ROTATION: 90 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Quad
MATERIAL: Blue
MASS: 1
KEYFRAMERCOUNT: 3
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 2
T: 4 KEYFRAME: 0 1 0
T: 0 KEYFRAME: 0 0 0
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 1
T: 0 KEYFRAME: 0 0 1 0
KEYFRAMETYPE: MATERIAL
KEYFRAMECOUNT: 2
T: 0 KEYFRAME:
EMISSION: 0 0 0 1
AMBIENT: 0.2 0 0 1
DIFFUSE: 0.8 0 0 1
SPECULAR: 1 1 1 1
SHININESS: 32
TEXTURETYPE: STATIC
TEXTURE: None
T: 2 KEYFRAME:
EMISSION: 0 0 0 1
AMBIENT: 0 0 0.2 1
DIFFUSE: 0 0 0.8 1
SPECULAR: 1 1 1 1
SHININESS: 32
TEXTURETYPE: DYNAMIC (Eye)
TEXTURE: None
CHILDCOUNT: 1
------
ENTITY: LIGHT
TYPE: SIMULATE
NAME: Lamp
POSITION: 0 3 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 1 0
LINK: None
MATERIAL: Blue
MASS: 2
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: PARTICLE
TYPE: STATIC
NAME: Emitter
POSITION: 0 -1 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Sparks
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
"""


def tga(width, height, depth, body=None):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, depth, 0)
    if body is None:
        bpp = 4 if depth == 32 else 3
        body = bytes((i * 37) & 0xFF for i in range(width * height * bpp))
    return header + body


def tga_seeds():
    write(TGAS, "2x2-24.tga", tga(2, 2, 24, bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])))
    write(TGAS, "1x1-32.tga", tga(1, 1, 32, bytes([0, 0, 255, 128])))
    write(TGAS, "3x2-32.tga", tga(3, 2, 32))
    write(TGAS, "4x3-24.tga", tga(4, 3, 24))
    for depth in (8, 16, 7):
        write(TGAS, "2x2-depth%d.tga" % depth, tga(2, 2, depth))
    write(TGAS, "0x0.tga", tga(0, 0, 24, b""))
    write(TGAS, "header-only.tga", tga(4, 4, 24, b""))
    write(TGAS, "cut-mid-pixel.tga", tga(2, 2, 24)[:18 + 4])
    write(TGAS, "huge-small-body.tga", tga(65535, 65535, 32, bytes(64)))
    write(TGAS, "short-header.tga", tga(1, 1, 24)[:11])
    write(TGAS, "top-left-origin.tga", tga(2, 2, 24)[:17] + bytes([0x20]) + tga(2, 2, 24)[18:])
    for name in ("button.tga", "panel.tga"):
        path = os.path.join(ROOT, "demo", name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                write(TGAS, "demo-" + name, f.read())


if __name__ == "__main__":
    scene_seeds()
    tga_seeds()
