#!/usr/bin/env bash
# Installs what is missing, builds, and runs Ludvane under Wine in a demo prefix whose registry
# points at a sample Steam installation (the link plan's 36 items as small placeholder files).
#  - With a display, Ludvane opens on it and you click through a conversion yourself.
#  - Without one (a headless machine, CI), the demo performs the conversion itself through the
#    windows on a virtual display, prints what was done and saves pictures in build/demo/.
# Wine's own mklink makes no links, so the demo prefix's own cmd.exe is the stand-in interpreter
# the tests use: it logs each command line and imitates mklink with small files and folders.
# The shipped 32-bit ludvane.exe runs, under the 32-bit Wine, native or emulated (the 64-bit build
# where neither works).
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
ludvane_enter_wine32_way "${BASH_SOURCE[0]}" "$@"
bash "$here/build.sh" >/dev/null
source "$here/demo-prefix.sh"
demo_prepare_prefix

ludvane_use_standin_builds "NOTE: the 32-bit Wine runs neither natively nor emulated here; the \
demo runs the 64-bit build."
build="$LUDVANE_BUILD/${LUDVANE_BUILDS%% *}" wine="$WINE64"
[ "${LUDVANE_BUILDS%% *}" = i686 ] && wine="$WINE32"
tests="$build/tests"
app_unix="$DEMO_PREFIX/drive_c/Ludvane"
app_win='C:\Ludvane\ludvane.exe'
mkdir -p "$app_unix"
rm -f "$app_unix/cmd.exe"
cp "$build/ludvane.exe" "$app_unix/ludvane.exe"
# The stand-in keeps its log and its delay beside the program.
export STANDIN_CMD_FOLDER='C:\Ludvane\'
rm -f "$app_unix/cmd-log.txt"
rm -rf "$DEMO_EPIC_UNIX/GTAV"

cat <<MSG
NOTE: on Linux, Wine's mklink makes no links. The demo prefix's own cmd.exe is a stand-in that
records each command line (in C:\\Ludvane\\cmd-log.txt) and imitates mklink: a file link becomes
a small file naming its target, a junction an empty folder. On Windows the real mklink makes
real links.
Sample Steam installation: $DEMO_STEAM_WIN  (on Linux: $DEMO_STEAM_UNIX)
MSG

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Pick $DEMO_EPIC_WIN as the place to convert to. Starting Ludvane on $DISPLAY ..."
  echo 60 > "$app_unix/cmd-delay-ms.txt"
  rc=0
  ludvane_wine "$wine" "$app_win" 2> >(ludvane_drop_wine_notes >&2) || rc=$?
  echo "Ludvane ended with exit code $rc"
  if [ -f "$app_unix/cmd-log.txt" ]; then
    echo "Command lines run ($(wc -l < "$app_unix/cmd-log.txt")):"
    cat "$app_unix/cmd-log.txt"
  fi
  exit 0
fi

# No display: a virtual one, with Wine's own desktop window so that windows get their frames.
pictures="$LUDVANE_BUILD/demo"
rm -rf "$pictures"
mkdir -p "$pictures"
cp "$tests/ludvane_demo.exe" "$app_unix/"
echo 120 > "$app_unix/cmd-delay-ms.txt"   # slow enough to see the progress bar move
ludvane_wine "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
  >/dev/null 2>&1
ludvane_wine "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x600 /f \
  >/dev/null 2>&1
# Wine programs must start under the virtual display, not join a wineserver started without it.
wineserver -w
echo "No display: performing the demo conversion on a virtual display."
echo
rm -rf "$app_unix/pictures"
mkdir -p "$app_unix/pictures"
# The demo prints the program's texts in code page 936; the terminal wants UTF-8.
set +e
ludvane_wine xvfb-run -a -s "-screen 0 1024x600x24" "$wine" 'C:\Ludvane\ludvane_demo.exe' \
  "$app_win" "$DEMO_EPIC_WIN" 'C:\Ludvane\pictures' 2>/dev/null | iconv -f GB18030 -t UTF-8
rc=${PIPESTATUS[0]}
set -e
wineserver -k 2>/dev/null || true
for bmp in "$app_unix/pictures"/*.bmp; do
  [ -f "$bmp" ] || continue
  name=$(basename "$bmp" .bmp)
  convert "$bmp" "$pictures/$name.png"
done
echo
echo "Pictures: $(cd "$pictures" && ls *.png 2>/dev/null | tr '\n' ' ')in $pictures"
exit $rc
