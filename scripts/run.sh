#!/bin/sh
# Installs what the project needs, builds it and starts the program's main
# job from the folder that holds config.txt, systemtex/ and the samples.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"
cd build/bin
if [ -x ./vistrel ]; then
  exec ./vistrel
fi
exec ./vistrel-tool stats samples/robot.3do
