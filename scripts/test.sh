#!/usr/bin/env bash
# Installs what is missing, builds Krestel and runs every test (unit, GL and end-to-end) under
# a display (a private Xvfb when none is set). Works from any folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${KRESTEL_BUILD_DIR:-$root/build}"
cd "$build"
"$root/scripts/with-display.sh" ctest --output-on-failure -j1 "$@"
