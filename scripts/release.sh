#!/usr/bin/env bash
# Builds the shipped 32-bit ludvane.exe, checks it, and packs it with the README and a
# SHA256SUMS file (and the README's pictures) into build/release/ludvane-1.0.0.zip.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
jobs=$(nproc)
build="$LUDVANE_BUILD/release-i686"
cmake -S "$LUDVANE_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$LUDVANE_ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$jobs" --target ludvane
i686-w64-mingw32-strip "$build/ludvane.exe"
# A release must never be made from an exe that lacks its manifest or version resource.
python3 "$here/check_exe.py" "$build/ludvane.exe"
stage="$LUDVANE_BUILD/release/ludvane-1.0.0"
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
cp "$build/ludvane.exe" "$stage/"
cp "$LUDVANE_ROOT/README.md" "$stage/"
mkdir -p "$stage/docs"
cp "$LUDVANE_ROOT"/docs/*.png "$stage/docs/"   # the README's pictures
(cd "$stage" && sha256sum ludvane.exe README.md docs/*.png > SHA256SUMS)
(cd "$(dirname "$stage")" && zip -qr "ludvane-1.0.0.zip" "ludvane-1.0.0")
echo "Release: $stage.zip"
cat "$stage/SHA256SUMS"
