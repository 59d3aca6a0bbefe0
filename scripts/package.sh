#!/bin/sh
# Builds the Debian package: a Release build of the programs in
# build-package/ (tests off), packed by CPack, copied to
# build/vistrel_<version>_amd64.deb, whose path is printed last. Install it
# with `apt install ./build/vistrel_*.deb`.
#
# The package has a build folder of its own so that it never reconfigures the
# developer's or CI's build/ (RelWithDebInfo with the tests, and the
# reference build of the Windows test) and is always a Release build.
# Needs dpkg-dev (dpkg-shlibdeps) besides the build's own packages: see
# scripts/install-deps.sh.
set -eu
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)

if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
  echo "package.sh: dpkg-shlibdeps not found (package dpkg-dev; run scripts/install-deps.sh)" >&2
  exit 1
fi

cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVISTREL_BUILD_TESTS=OFF
cmake --build build-package -j"$JOBS"
rm -f build-package/cpack/vistrel_*.deb
(cd build-package && cpack -G DEB -B "$(pwd)/cpack")

set -- build-package/cpack/vistrel_*_amd64.deb
if [ "$#" -ne 1 ] || [ ! -f "$1" ]; then
  echo "package.sh: CPack did not write one vistrel_*_amd64.deb in build-package/cpack" >&2
  exit 1
fi
mkdir -p build
# One package in build/, so that ./build/vistrel_*.deb names only this one.
rm -f build/vistrel_*.deb
cp "$1" build/
echo "$(pwd)/build/$(basename "$1")"
