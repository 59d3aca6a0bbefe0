#!/bin/sh
# Installs every Debian package the project needs to build, run and test
# Vistrel on a fresh Debian 12 machine. Run as root (or through sudo).
set -eu
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PACKAGES="
  cmake g++ make pkg-config clang-format
  libgl-dev libegl-dev libopengl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev
  libgtest-dev
  libsdl2-dev zenity
  xvfb xdotool x11-utils x11-apps openbox libx11-dev
  libfreetype-dev fonts-dejavu-core
  python3 python3-gi gir1.2-gtk-3.0
  desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin
  dpkg-dev man-db groff-base
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libstb-dev
  wine wine64 zip unzip nsis icoutils
  libtinygltf-dev nlohmann-json3-dev
  assimp-utils f3d nodejs
"
# npm: Debian's package, unless the installed nodejs brings its own.
if ! command -v npm >/dev/null 2>&1; then PACKAGES="$PACKAGES npm"; fi
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  $SUDO apt-get update -q
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -q --no-install-recommends $missing
fi

# The Khronos glTF validator of the export test, at the version that
# tests/export/package-lock.json pins. Without the npm registry the test
# skips, so a failure here only warns.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$ROOT/tests/export/node_modules/gltf-validator/package.json" ]; then
  (cd "$ROOT/tests/export" && npm ci --no-audit --no-fund --loglevel=error) ||
    echo "install-deps.sh: npm ci in tests/export failed; the export test will skip" >&2
fi
