#!/bin/sh
# Cross-builds the native Windows programs with mingw-w64 and packs the zip a
# Windows user unpacks and runs: vistrel.exe, vistrel-tool.exe, config.txt,
# systemtex/ and samples/ in one folder "vistrel". The result is
# build-win/vistrel-windows.zip. Needs g++-mingw-w64-x86-64 and zip
# (scripts/install-deps.sh installs them).
set -eu
cd "$(dirname "$0")/.."
BUILD=${VISTREL_WIN_BUILD:-build-win}
JOBS=${VISTREL_JOBS:-2}

cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD" -j"$JOBS" --target vistrel vistrel-tool vistrel-post
x86_64-w64-mingw32-strip "$BUILD/bin/vistrel.exe" "$BUILD/bin/vistrel-tool.exe"

STAGE="$BUILD/package"
rm -rf "$STAGE"
mkdir -p "$STAGE/vistrel"
cp "$BUILD/bin/vistrel.exe" "$BUILD/bin/vistrel-tool.exe" config.txt "$STAGE/vistrel/"
cp -R systemtex samples "$STAGE/vistrel/"
ZIP="$(pwd)/$BUILD/vistrel-windows.zip"
rm -f "$ZIP"
(cd "$STAGE" && zip -q -r -X "$ZIP" vistrel)
echo "package: $ZIP"
