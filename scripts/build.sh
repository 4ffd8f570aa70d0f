#!/usr/bin/env bash
# Builds both Windows builds: build/i686 (the shipped 32-bit ludvane.exe) and build/x86_64
# (the same sources with the tests, the build that runs under Wine here).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
jobs=$(nproc)
cmake -S "$LUDVANE_ROOT" -B "$LUDVANE_BUILD/i686" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$LUDVANE_ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$LUDVANE_BUILD/i686" -j "$jobs" --target ludvane
cmake -S "$LUDVANE_ROOT" -B "$LUDVANE_BUILD/x86_64" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$LUDVANE_ROOT/cmake/mingw-x86_64.cmake" -DLUDVANE_BUILD_TESTS=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$LUDVANE_ROOT/scripts/wine-exec.sh" >/dev/null
cmake --build "$LUDVANE_BUILD/x86_64" -j "$jobs"
