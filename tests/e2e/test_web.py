"""The browser build: three still scenes exported with scripts/export-web.sh and drawn by headless
Chromium's software WebGL match build/krestel --screenshot of the same scene (97 % of the pixels
within 10 levels, the read-outs' text exact); the demo runs in the page and its frame rate is
reported; a HUD button and a key pressed in the page take effect."""

import base64
import functools
import http.server
import json
import math
import os
import shutil
import subprocess
import tempfile
import struct
import threading
import time
import unittest
import zlib

from harness import BINARY, OUTPUT, SOURCE, read_png
from scenes import button, camera, entity, panel, scene, tga

WEB_BUILD = os.environ.get("KRESTEL_WEB_BUILD_DIR", os.path.join(SOURCE, "build-web"))
CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--disable-background-networking", "--disable-component-update", "--disable-sync", "--no-first-run",
            "--disable-quic", "--remote-debugging-pipe", "about:blank"]
# Each still scene's read-outs: x, the application time's y, the simulation time's y, the colour;
# or, for a scene that fails to load, the error panel's line.
TEXTS = {"lit": (-1.3, 0.9, 0.8, (255, 255, 255)), "particles": (-1.3, 0.9, 0.8, (255, 255, 255)),
         "hud": (-1.25, 0.85, 0.75, (255, 255, 76)), "broken": ((0, 0, 800, 20), (255, 140, 128))}


def mat(name, diffuse, specular="0 0 0 1", shininess=0, ambient="0.1 0.1 0.1 1", emission="0 0 0 1", texture="None"):
    return ("MATERIAL: %s\nEMISSION: %s\nAMBIENT: %s\nDIFFUSE: %s\nSPECULAR: %s\nSHININESS: %s\n%s\n"
            % (name, emission, ambient, diffuse, specular, shininess,
               "TEXTURETYPE: DYNAMIC\nLINK: %s\nTEXTURE: None" % texture[1:] if texture[0] == "@"
               else "TEXTURETYPE: STATIC\nTEXTURE: " + texture))


def png(width, height, pixels):
    """An 8-bit RGB PNG, top row first: decoded by libpng on the desktop, by the browser in the page."""
    raw = b"".join(b"\0" + bytes(v for p in pixels[y * width:(y + 1) * width] for v in p) for y in range(height))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def jpeg(width, height, pixels):
    """A JPEG made by ImageMagick: decoded by TurboJPEG on the desktop, by the browser in the page."""
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(v for p in pixels for v in p)
    return subprocess.run(["convert", "ppm:-", "-quality", "90", "jpg:-"], input=ppm, capture_output=True, check=True).stdout


def sphere(name, r=1.0, stacks=12, slices=16):
    rows = []
    for i in range(stacks + 1):
        for j in range(slices + 1):
            a, b = math.pi * i / stacks, 2 * math.pi * j / slices
            n = (math.sin(a) * math.cos(b), math.cos(a), math.sin(a) * math.sin(b))
            rows.append("POSITION: %.5f %.5f %.5f NORMAL: %.5f %.5f %.5f TEXCOORD: %.4f %.4f"
                        % (*(r * c for c in n), *n, j / slices, i / stacks))
    tris = ["%d %d %d\n%d %d %d" % (k, k + slices + 1, k + 1, k + 1, k + slices + 1, k + slices + 2)
            for k in (i * (slices + 1) + j for i in range(stacks) for j in range(slices))]
    return ("MESH: %s\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\nVERTEXCOUNT: %d\n%s\nSURFACECOUNT: 1\n"
            "TRIANGLECOUNT: %d\n%s\n" % (name, len(rows), "\n".join(rows), len(tris) * 2, "\n".join(tris)))


def plate(name, half, repeat=1, cells=6):
    """A square of cells x cells quads in the XY plane facing +Z, texture repeated `repeat` times."""
    rows = ["POSITION: %g %g 0 NORMAL: 0 0 1 TEXCOORD: %g %g" % (-half + 2 * half * x / cells, -half + 2 * half * y / cells,
                                                               repeat * x / cells, repeat * y / cells)
            for y in range(cells + 1) for x in range(cells + 1)]
    tris = ["%d %d %d\n%d %d %d" % (k, k + 1, k + cells + 2, k, k + cells + 2, k + cells + 1)
            for k in (y * (cells + 1) + x for y in range(cells) for x in range(cells))]
    return ("MESH: %s\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\nVERTEXCOUNT: %d\n%s\nSURFACECOUNT: 1\n"
            "TRIANGLECOUNT: %d\n%s\n" % (name, len(rows), "\n".join(rows), len(tris) * 2, "\n".join(tris)))


def system(name, display, blend, colour, size, texture="None"):
    # Particles that never move or fade: once born they stand still at their emitter.
    return ("PARTICLETYPE: POINT\nDISPLAYTYPE: %s\nBLENDTYPE: %s\nSYSTEMNAME: %s\nBIRTHRATE: 40\nLIFETIME: 1000\n"
            "SIZE: %s\nINITIAL: ON\nTEXTURETYPE: STATIC\nTEXTURE: %s\nMINCOLOUR: %s\nMAXCOLOUR: %s\n"
            "MINMASS: 1 MAXMASS: 1\nMINSPEED: 0 MAXSPEED: 0\n" % (display, blend, name, size, texture, colour, colour))


LIGHTS = [mat("L%d" % i, d, s, ambient="0.05 0.05 0.05 1") for i, (d, s) in
          enumerate([("0.9 0.8 0.7 1", "1 1 1 1"), ("0.2 0.3 0.8 1", "0.5 0.5 1 1"), ("0.6 0.1 0.1 1", "0 0 0 1"),
                     ("0.1 0.5 0.2 1", "0.3 1 0.3 1")])]
LIT = scene(
    [camera(position="0 0 9")] + [entity("LIGHT", "Light%d" % i, p, material="L%d" % i) for i, p in
                                  enumerate(["4 4 6", "-5 2 3", "0 -4 2", "2 0 -1"])]
    + [entity("OBJECT", "Wall", "0 0 -3", link="Plate", material="Grey"),
       entity("OBJECT", "Red", "-2.6 0.8 0", link="Ball", material="Red"),
       entity("OBJECT", "Gold", "0 -0.2 1", link="Ball", material="Gold", angle="40"),
       entity("OBJECT", "Glow", "2.6 0.8 0", link="Ball", material="Glow")],
    materials=LIGHTS + [mat("Grey", "0.35 0.35 0.35 1", "0.2 0.2 0.2 1", 8), mat("Red", "0.9 0.1 0.1 1", "1 1 1 1", 32),
                        mat("Gold", "0.8 0.6 0.1 1", "1 0.9 0.5 1", 12, "0.3 0.2 0.05 1"),
                        mat("Glow", "0.1 0.3 0.6 1", "0.8 0.8 0.8 1", 90, emission="0.1 0.2 0.1 1")],
    meshes=[plate("Plate", 6, cells=10), sphere("Ball", 1.2)], readouts=("-1.3 0.9", "-1.3 0.8"))
PARTICLES = scene(
    [camera(position="0 0 8"), entity("LIGHT", "Sun", "0 3 8", material="L0"),
     entity("OBJECT", "Tiles", "-2 0 -1", link="Tiled", material="Tiles"),
     entity("OBJECT", "Odd", "2 0 -1", link="Plate", material="Odd")]
    + [entity("PARTICLE", "P%d" % i, p, link=s) for i, (p, s) in
       enumerate([("-2 1 0", "Drops"), ("2 -1 0", "Drops"), ("0 1.5 0", "Sparks"), ("0 -1.5 0", "Dots")])],
    materials=[LIGHTS[0], mat("Tiles", "1 1 1 1", ambient="0.3 0.3 0.3 1", texture="tiles.tga"),
               mat("Odd", "1 1 1 1", ambient="0.3 0.3 0.3 1", texture="odd.png")],
    meshes=[plate("Tiled", 1.8, repeat=2), plate("Plate", 1.8, repeat=3)],
    particles=[system("Drops", "QUAD", "BLEND", "1 1 1 0.6", 1.2, "drop.tga"), system("Sparks", "TRIANGLE", "SATURATE", "1 0.6 0 1", 1.5),
               system("Dots", "POINT", "SATURATE", "0.6 1 1 1", 12)])
MIRROR = (-1.25, -0.55, -0.45, 0.25)  # a HUD panel showing the second camera's picture
HUD = scene(
    [camera(position="0 0 8"), entity("CAMERA", "Side", "6 1 3", angle="60"), entity("LIGHT", "Sun", "2 4 8", material="L0"),
     entity("OBJECT", "Screen", "-1 0 0", link="Plate", material="Screen"),
     entity("OBJECT", "Ball", "2.5 -0.5 2", link="Ball", material="Red")],
    materials=[LIGHTS[0], mat("Screen", "1 1 1 1", ambient="0.5 0.5 0.5 1", texture="@Side"),
               mat("Red", "0.9 0.1 0.1 1", "1 1 1 1", 32)],
    meshes=[plate("Plate", 1.5), sphere("Ball")], readouts=("-1.25 0.85", "-1.25 0.75"), time_colour="1 1 0.3 1",
    backgrounds=[panel("0 0 0 0.5", -1.3334, 0.65, -0.2, 1), panel("1 1 1 0.8", -1.3334, -1, 1.3334, -0.65, "panel.jpg")],
    buttons=[button("ENTITYMOVE", "0 0 4 0 0", "Ball", "1 1 1 1", -1.2, -0.95, -0.8, -0.7),
             button("DRAWBOUNDINGS", "0 0 0 0 0", "None", "0.2 0.6 1 0.7", 0.8, -0.95, 1.2, -0.7)]).replace(
    "MAX: 1.3334 -0.65 TEX: 1 1\n", "MAX: 1.3334 -0.65 TEX: 1 1\nCOLOUR: 1 1 1 1\nTEXTURETYPE: DYNAMIC\nLINK: Side\n"
    "TEXTURE: None\nMIN: %g %g TEX: 0 0\nMAX: %g %g TEX: 1 1\n" % MIRROR).replace("BACKGROUNDCOUNT: 2", "BACKGROUNDCOUNT: 3")
FILES = {"tiles.tga": tga(4, 4, [(200, 60, 40) if (x + y) % 2 else (240, 240, 220) for y in range(4) for x in range(4)]),
         "odd.png": png(3, 5, [(17 * i, 255 - 15 * i, 90 + 60 * (i % 3)) for i in range(15)]),
         "drop.tga": tga(2, 2, [(255, 255, 255, 255), (90, 160, 255, 128), (90, 160, 255, 128), (255, 255, 255, 255)], depth=32),
         "panel.jpg": jpeg(8, 8, [(60 + 20 * x, 90 + 10 * y, 170 - 10 * x) for y in range(8) for x in range(8)])}


class Browser:
    """Headless Chromium over the DevTools pipe, one page, its console lines collected."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="krestel-chromium-")
        commands, self.replies = os.pipe(), os.pipe()
        fds = (commands[0], self.replies[1])
        self.process = subprocess.Popen(CHROMIUM + ["--user-data-dir=" + self.profile], stderr=subprocess.DEVNULL, pass_fds=(3, 4) + fds,
                                        preexec_fn=lambda: (os.dup2(fds[0], 3), os.dup2(fds[1], 4)))
        os.close(commands[0]), os.close(self.replies[1])
        self.out, self.buffer, self.id, self.console = commands[1], b"", 0, []
        page = next(t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        for method in ("Runtime.enable", "Page.enable"):
            self.call(method, True)
        self.call("Emulation.setDeviceMetricsOverride", True, width=800, height=600, deviceScaleFactor=1, mobile=False)

    def call(self, method, in_page=False, **params):
        self.id += 1
        message = dict(id=self.id, method=method, params=params, **({"sessionId": self.session} if in_page else {}))
        os.write(self.out, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.replies[0], 1 << 20)
                if not chunk:
                    raise AssertionError("chromium ended")
                self.buffer += chunk
            text, self.buffer = self.buffer.split(b"\0", 1)
            reply = json.loads(text)
            if reply.get("method") == "Runtime.consoleAPICalled":
                self.console.append(" ".join(str(a.get("value", "")) for a in reply["params"]["args"]))
            if reply.get("method") == "Runtime.exceptionThrown":
                self.console.append("EXCEPTION " + json.dumps(reply["params"]["exceptionDetails"]))
            if reply.get("id") == self.id:
                if "error" in reply:
                    raise AssertionError("%s: %s" % (method, reply["error"]))
                return reply["result"]

    def open(self, url, seconds):
        self.console.clear()
        self.call("Page.navigate", True, url=url)
        deadline = time.time() + 30
        while not any(line.startswith(("File Load", "ERROR")) for line in self.console) and time.time() < deadline:
            self.evaluate("0")
            time.sleep(0.1)
        time.sleep(seconds)

    def evaluate(self, expression): return self.call("Runtime.evaluate", True, expression=expression, awaitPromise=True)["result"].get("value")

    def screenshot(self, name):
        os.makedirs(OUTPUT, exist_ok=True)
        path = os.path.join(OUTPUT, "web-%s.png" % name)
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("Page.captureScreenshot", True, format="png")["data"]))
        return read_png(path)

    def mouse(self, kind, x, y): self.call("Input.dispatchMouseEvent", True, type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, kind, key):
        text = {"text": key} if kind == "keyDown" and len(key) == 1 else {}
        self.call("Input.dispatchKeyEvent", True, type=kind if text or kind == "keyUp" else "rawKeyDown", key=key, **text)

    def close(self):
        self.process.terminate()
        self.process.wait(10)
        shutil.rmtree(self.profile, ignore_errors=True)


def within(a, b, tolerance=10):
    """Share of the pixels whose channels all lie within `tolerance` of the other image's."""
    same = sum(1 for i in range(0, len(a.data), 3) if all(abs(a.data[i + k] - b.data[i + k]) <= tolerance for k in range(3)))
    return same / (a.width * a.height)


def readout_box(x, y, characters):
    """Window pixels (x0, y0, x1, y1, top-left origin) holding a read-out's first characters."""
    with open(os.path.join(WEB_BUILD, "generated/helvetica12.h")) as font:
        widths = [int(w) for w in font.read().split("GLYPH_WIDTHS[256] = {")[1].split("}")[0].split(",")]
    left, base = int((x / (800 / 600) + 1) * 400), 599 - int((y + 1) * 300)
    return left, base - 11, left + sum(widths[ord(c)] for c in characters), base + 5


@unittest.skipUnless(os.path.exists(os.path.join(WEB_BUILD, "krestel.wasm")), "no web build (scripts/build-web.sh)")
class WebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="krestel-web-")
        broken = LIT.replace("MESHCOUNT: 2", "MESHCOUNT: two")
        for name, text in {"lit": LIT, "particles": PARTICLES, "hud": HUD, "broken": broken}.items():
            os.makedirs(os.path.join(cls.root, "scenes", name))
            for file_name, content in dict(FILES, **{"scene.txt": text.encode()}).items():
                with open(os.path.join(cls.root, "scenes", name, file_name), "wb") as f:
                    f.write(content)
        handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=cls.root)
        handler.func.log_message = lambda *args: None
        handler.func.extensions_map = dict(handler.func.extensions_map, **{".wasm": "application/wasm"})
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.shutdown()
        shutil.rmtree(cls.root, ignore_errors=True)

    def export(self, name, scene_dir):
        site = os.path.join(self.root, name)
        subprocess.run(["bash", os.path.join(SOURCE, "scripts/export-web.sh"), scene_dir, site], check=True, capture_output=True)
        return "http://127.0.0.1:%d/%s/index.html" % (self.server.server_address[1], name)

    def test_still_scenes_match_the_desktop(self):
        for name in TEXTS:
            folder = os.path.join(self.root, "scenes", name)
            done = subprocess.run([os.path.abspath(BINARY), "--screenshot", "desktop.png", "--after", "1.5"], cwd=folder,
                                  capture_output=True, timeout=60)
            self.assertEqual(done.returncode, 3 if name == "broken" else 0, done.stderr)
            desktop = read_png(shutil.copy(os.path.join(folder, "desktop.png"), os.path.join(OUTPUT, "desktop-%s.png" % name)))
            self.browser.open(self.export(name, folder), 1.5)
            web = self.browser.screenshot(name)
            self.assertEqual("ERROR" in "\n".join(self.browser.console), name == "broken")
            self.assertGreaterEqual(within(web, desktop), 0.97, name)
            # The text pixel for pixel: the error line, or the read-outs' labels (their figures differ
            # with the moment taken).
            *place, colour = TEXTS[name]
            boxes = [place[0]] if len(place) == 1 else [readout_box(place[0], y, label) for y, label in
                                                        ((place[1], "Application Time: "), (place[2], "Simulation Time: "))]
            for box in boxes:
                text = [[image.pixel(px, py) == colour for py in range(box[1], box[3]) for px in range(box[0], box[2])]
                        for image in (web, desktop)]
                self.assertEqual(text[0], text[1], (name, box))
                self.assertGreater(sum(text[0]), 100, (name, box))  # the text is there
        # A wrong picture is told apart: the lit scene against the HUD scene's desktop shot.
        self.assertLess(within(read_png(os.path.join(OUTPUT, "web-lit.png")), desktop), 0.9)

    def test_demo_runs_and_the_page_takes_buttons_and_keys(self):
        self.browser.open(self.export("demo", os.path.join(SOURCE, "demo")), 1.0)
        console = "\n".join(self.browser.console)
        self.assertEqual([n for n in os.listdir(os.path.join(SOURCE, "demo")) if n.endswith(".tga") and "'%s' (" % n not in console], [])
        fps = self.browser.evaluate("new Promise(done => { let n = 0; const t = performance.now(); (function f() {"
                                    " if (performance.now() - t < 3000) { ++n; requestAnimationFrame(f); } else done(n / 3); })(); })")
        print("demo in headless chromium: %.1f frames per second" % fps)
        self.assertGreater(fps, 5)
        self.browser.open(self.export("hud", os.path.join(self.root, "scenes", "hud")), 0.5)
        before = self.browser.screenshot("before")
        self.browser.mouse("mouseMoved", 100, 549)
        self.browser.mouse("mousePressed", 100, 549)  # ENTITYMOVE: the ball rises
        time.sleep(0.5)
        self.browser.mouse("mouseReleased", 100, 549)
        self.browser.key("keyDown", "d")  # the camera flies right: the picture moves left
        time.sleep(0.3)
        self.browser.key("keyUp", "d")
        after = self.browser.screenshot("after")
        red = lambda p: p[0] > 150 and p[1] < 80 and p[2] < 80
        (bx, by), (ax, ay) = [[sum(v) / len(v) for v in zip(*[(x, y) for y in range(0, 480, 2) for x in range(300, 800, 2) if red(i.pixel(x, y))])]
                              for i in (before, after)]
        self.assertLess(ay, by - 40)  # up by the button
        self.assertLess(ax, bx - 40)  # left by the key
        for key in ("F5", "Escape"):  # nothing in a page: the F12 below still finds the engine running
            self.browser.key("keyDown", key), self.browser.key("keyUp", key)
        downloads = tempfile.mkdtemp(prefix="krestel-downloads-", dir=self.root)
        self.browser.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads)
        self.browser.key("keyDown", "F12")  # the canvas as a PNG download
        deadline = time.time() + 10
        while time.time() < deadline and not (os.path.exists(os.path.join(downloads, "krestel-0001.png"))
                                              and "Screenshot: krestel-0001.png" in self.browser.console):
            self.browser.evaluate("0")
            time.sleep(0.1)
        self.assertIn("Screenshot: krestel-0001.png", self.browser.console)
        shot = read_png(os.path.join(downloads, "krestel-0001.png"))
        self.assertEqual((shot.width, shot.height), (800, 600))


if __name__ == "__main__":
    unittest.main()
