#!/bin/sh
# Installs what the project needs, builds it and opens the robot sample in
# the viewer (F9 opens the file dialog for another model), from the folder
# that holds config.txt, systemtex/ and the samples. Run it as root or as a
# user with sudo: the package step asks for sudo itself.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"
cd build/bin
if [ -x ./vistrel ]; then
  exec ./vistrel samples/robot.3do
fi
exec ./vistrel-tool stats samples/robot.3do
