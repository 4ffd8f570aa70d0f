#!/usr/bin/env bash
# Builds both Windows builds, each with its tests: build/i686 (the shipped 32-bit ludvane.exe,
# the build the tests run against) and build/x86_64 (the same sources for 64-bit Windows, a
# second check).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
jobs=$(nproc)
for arch in i686 x86_64; do
  cmake -S "$LUDVANE_ROOT" -B "$LUDVANE_BUILD/$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$LUDVANE_ROOT/cmake/mingw-$arch.cmake" -DLUDVANE_BUILD_TESTS=ON \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$LUDVANE_ROOT/scripts/wine-exec.sh" >/dev/null
  cmake --build "$LUDVANE_BUILD/$arch" -j "$jobs"
done
