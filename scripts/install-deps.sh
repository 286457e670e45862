#!/usr/bin/env bash
# Installs the Debian packages Krestel needs to build, run and test, only when one is missing;
# with arguments, those packages instead (scripts/build-web.sh names the browser build's).
set -euo pipefail

packages=("$@")
[ ${#packages[@]} -gt 0 ] || packages=(
  build-essential cmake g++ pkg-config
  freeglut3-dev libglu1-mesa-dev mesa-common-dev libgl1-mesa-dri libglx-mesa0
  libpng-dev libturbojpeg0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick python3
  clang-14 clang-format-14 libclang-rt-14-dev libassimp-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
