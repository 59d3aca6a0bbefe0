#!/bin/sh
# Installs what the project needs, builds it twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole test suite
# in both builds, builds, installs and purges the Debian package, fuzzes every
# reader for a bounded time, and runs the Windows build under Wine. Exits
# non-zero when anything fails.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
JOBS=$(nproc 2>/dev/null || echo 2)

echo "== formatting =="
sh scripts/check-format.sh

echo "== layering (docs/ARCHITECTURE.md) =="
python3 scripts/check-layers.py

echo "== plain build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$JOBS"
ctest --test-dir build --output-on-failure -j"$JOBS"

echo "== package =="
sh scripts/test-package.sh

echo "== sanitizer build (ASan + UBSan) =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVISTREL_SANITIZE=ON
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$(pwd)/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS"

echo "== fuzzing every reader and what is made from them (45 seconds each) =="
sh scripts/fuzz.sh

echo "== Windows build under Wine =="
sh scripts/test-windows.sh
