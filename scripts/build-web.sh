#!/usr/bin/env bash
# Builds the engine for the browser into build-web/ (or KRESTEL_WEB_BUILD_DIR) with Debian's
# emscripten, installing it (and node-acorn, which its JavaScript optimiser needs) when missing,
# and Chromium, which the browser test (tests/e2e/test_web.py, run once this build exists) drives.
# The HUD font is taken from the desktop's freeglut (freeglut3-dev) while building.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KRESTEL_WEB_BUILD_DIR:-$root/build-web}"

"$root/scripts/install-deps.sh" emscripten node-acorn freeglut3-dev g++ cmake chromium

# Debian installs node modules here; emscripten's optimiser looks for acorn through NODE_PATH.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
emcmake cmake -S "$root/web" -B "$build" -DCMAKE_BUILD_TYPE="${KRESTEL_BUILD_TYPE:-Release}" >/dev/null
cmake --build "$build" -j"${KRESTEL_JOBS:-$(nproc)}"
