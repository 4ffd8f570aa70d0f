#!/usr/bin/env bash
# Builds the shipped 32-bit ludvane.exe, checks it, and packs it with the README, its pictures,
# the Chinese guide as a text file and a SHA256SUMS file into
# $LUDVANE_BUILD/release/ludvane-1.0.0.zip (LUDVANE_BUILD is build/ by default). The same commit
# gives the same exe and zip, byte for byte, whatever the build folder, the time, the time zone
# or the umask.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
LUDVANE_BUILD="$(mkdir -p "$LUDVANE_BUILD" && cd "$LUDVANE_BUILD" && pwd)"
# Every time the release carries is the commit's; without git (or a caller's choice), a fixed
# day early in 1980, as zip cannot store an earlier one.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$LUDVANE_ROOT" log -1 --format=%ct 2>/dev/null)" ||
    SOURCE_DATE_EPOCH=315619200
fi
# strip stamps the PE header with this time instead of the clock's.
export SOURCE_DATE_EPOCH
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
cp "$LUDVANE_ROOT"/docs/*.png "$stage/docs/"   # the READMEs' pictures
# The Chinese guide as a text file that Notepad opens with a double-click and shows right from
# Windows 7 on: UTF-8 with a byte-order mark, every line ending in CR LF (Notepad before
# Windows 10 1809 takes a lone LF for no line end). Its name stays ASCII, as every name in the
# zip: Windows 7's own zip support ignores the flag that marks a name as UTF-8.
{ printf '\xEF\xBB\xBF'; sed 's/\r*$/\r/' "$LUDVANE_ROOT/README.zh-CN.md"; } \
  > "$stage/README.zh-CN.txt"
(cd "$stage" && sha256sum ludvane.exe README.md README.zh-CN.txt docs/*.png > SHA256SUMS)
# The zip keeps each file's time and Unix mode, so neither may come from this machine or run.
find "$stage" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
# Sorted in bytes, not the locale's order or the folder's; -X leaves out the owner and the
# exact times; zip writes local time, so UTC makes it the same everywhere.
(cd "$(dirname "$stage")" &&
  find "ludvane-1.0.0" -type f | LC_ALL=C sort |
  TZ=UTC zip -q -X -D "ludvane-1.0.0.zip" -@)
echo "Release: $stage.zip"
cat "$stage/SHA256SUMS"
