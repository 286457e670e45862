#!/usr/bin/env bash
# export-web.sh SCENE OUT_DIR: writes a folder that any static web server serves as a page
# running the scene: index.html (the 800 by 600 canvas alone), the engine (krestel.js,
# krestel.wasm, built by build-web.sh when missing), the page's start-up script, manifest.json
# and, under files/, the scene file with every file it names (textures, mesh files). SCENE is a
# scene file or a folder holding scene.txt, as krestel takes it.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: export-web.sh SCENE OUT_DIR" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KRESTEL_WEB_BUILD_DIR:-$root/build-web}"
scene="$1"
out="$2"
[ -d "$scene" ] && scene="$scene/scene.txt"
if [ ! -f "$scene" ]; then
  echo "export-web.sh: '$scene' is not a scene file" >&2
  exit 1
fi
if [ ! -f "$build/krestel.wasm" ] || [ ! -f "$build/krestel.js" ]; then
  "$root/scripts/build-web.sh"
fi

mkdir -p "$out"
cp "$root/web/index.html" "$root/web/krestel-page.js" "$build/krestel.js" "$build/krestel.wasm" "$out/"
python3 - "$scene" "$out" <<'PY'
import json, os, shutil, sys

scene, out = sys.argv[1], sys.argv[2]
folder = os.path.dirname(os.path.abspath(scene))
# In the page the scene's folder is /scene; names relative to it keep their place around it.
def page_path(name):
    return os.path.normpath(name if os.path.isabs(name) else os.path.join("/scene", name))

# Every word of the scene file that names a file beside it (or by an absolute path): its
# textures and mesh files, whatever keyword names them.
named = {os.path.basename(scene)}
with open(scene, errors="replace") as text:
    for word in text.read().split():
        path = word if os.path.isabs(word) else os.path.join(folder, word)
        if word != "None" and os.path.isfile(path):
            named.add(word)
files = []
for name in sorted(named):
    source = name if os.path.isabs(name) else os.path.join(folder, name)
    target = page_path(name)
    os.makedirs(os.path.dirname(out + "/files" + target), exist_ok=True)
    shutil.copyfile(source, out + "/files" + target)
    files.append(target)
with open(os.path.join(out, "manifest.json"), "w") as manifest:
    json.dump({"folder": "/scene", "scene": os.path.basename(scene), "files": files}, manifest, indent=1)
PY
echo "Exported $(basename "$scene") and $(($(find "$out/files" -type f | wc -l) - 1)) files it names to $out"
