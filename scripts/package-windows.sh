#!/bin/sh
# Cross-builds the native Windows programs with mingw-w64 and packs what a
# Windows user gets:
#   build-win/vistrel-windows.zip  one folder "vistrel" with vistrel.exe,
#                                  vistrel-tool.exe, config.txt, systemtex/
#                                  and samples/, unpacked and run anywhere;
#   build-win/vistrel-setup.exe    the installer (NSIS), the same files with
#                                  the Explorer thumbnail provider
#                                  (vistrel-thumbnails.dll), the file type and
#                                  an uninstaller.
# Needs g++-mingw-w64-x86-64-posix, zip and nsis (scripts/install-deps.sh
# installs them).
set -eu
cd "$(dirname "$0")/.."
BUILD=${VISTREL_WIN_BUILD:-build-win}
JOBS=${VISTREL_JOBS:-2}

cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD" -j"$JOBS" --target vistrel vistrel-tool vistrel-thumbnails vistrel-post \
  vistrel-thumbnail-com
x86_64-w64-mingw32-strip "$BUILD/bin/vistrel.exe" "$BUILD/bin/vistrel-tool.exe" \
  "$BUILD/bin/vistrel-thumbnails.dll"

STAGE="$BUILD/package"
rm -rf "$STAGE"
mkdir -p "$STAGE/vistrel"
cp "$BUILD/bin/vistrel.exe" "$BUILD/bin/vistrel-tool.exe" config.txt "$STAGE/vistrel/"
cp -R systemtex samples "$STAGE/vistrel/"
ZIP="$(pwd)/$BUILD/vistrel-windows.zip"
rm -f "$ZIP"
(cd "$STAGE" && zip -q -r -X "$ZIP" vistrel)
echo "package: $ZIP"

# The installer's files: the zip's and the thumbnail provider, listed for
# installing (File, in each folder) and for removing (Delete, then the
# folders deepest first, each only if empty; a file in use at the next
# restart).
cp "$BUILD/bin/vistrel-thumbnails.dll" "$STAGE/vistrel/"
ROOT_STAGE=$(cd "$STAGE" && pwd)
(
  cd "$STAGE/vistrel"
  find . -type d | sort | while read -r folder; do
    inside=$(printf '%s' "${folder#.}" | tr '/' '\\')
    printf 'SetOutPath "$INSTDIR%s"\n' "$inside"
    find "$folder" -maxdepth 1 -type f | sort | while read -r file; do
      printf 'File "%s/vistrel/%s"\n' "$ROOT_STAGE" "${file#./}"
    done
  done
) > "$STAGE/installed-files.nsh"
(
  cd "$STAGE/vistrel"
  find . -type f | sort | while read -r file; do
    printf 'Delete /REBOOTOK "$INSTDIR\\%s"\n' "$(printf '%s' "${file#./}" | tr '/' '\\')"
  done
  find . -mindepth 1 -type d | sort -r | while read -r folder; do
    printf 'RMDir /REBOOTOK "$INSTDIR\\%s"\n' "$(printf '%s' "${folder#./}" | tr '/' '\\')"
  done
) > "$STAGE/removed-files.nsh"
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
SETUP="$(pwd)/$BUILD/vistrel-setup.exe"
makensis -V2 -DVERSION="$VERSION" -DSTAGE="$ROOT_STAGE" -DOUTFILE="$SETUP" \
  platform/win32/installer/vistrel.nsi
echo "installer: $SETUP"
