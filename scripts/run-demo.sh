#!/usr/bin/env bash
# Installs what is missing, builds Krestel and runs the demo scene. With a display the window
# opens; without one the demo runs for a few seconds under a private Xvfb and a screenshot is
# saved (build/demo-screenshot.png, or the path given as the first argument).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${KRESTEL_BUILD_DIR:-$root/build}"
demo="$root/demo"
# The textures are committed; writing them again keeps them in step with the script that draws
# them (the output is the same bytes unless the script was changed).
(cd "$demo" && python3 make_textures.py --quiet)

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cd "$demo"
  exec "$build/krestel"
fi

shot="${1:-$build/demo-screenshot.png}"
seconds="${KRESTEL_DEMO_SECONDS:-5}"
"$root/scripts/with-display.sh" "$build/krestel" --screenshot "$shot" --after "$seconds" "$demo"
echo "No display: ran the demo under Xvfb for ${seconds} s; screenshot saved to $shot"
