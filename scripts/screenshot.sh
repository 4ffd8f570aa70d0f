#!/usr/bin/env bash
# Takes a picture of Ludvane's main window as it first shows, frame included, under Wine on a
# virtual display:  scripts/screenshot.sh [OUTPUT.png]   (default: docs/main-window.png)
# Needs the builds (scripts/build.sh); shows the shipped 32-bit program where 32-bit Wine runs.
# Uses a prefix of its own whose registry names a demo Steam folder, so the Steam field is filled
# at start. Wine's own desktop window gives the program's window its frame; ImageMagick's import
# takes the picture.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ludvane_enter_wine32_way "${BASH_SOURCE[0]}" "$@"
out="$(realpath -m "${1:-$LUDVANE_ROOT/docs/main-window.png}")"
exe="$LUDVANE_BUILD/i686/ludvane.exe"
[ "$LUDVANE_WINE32_WAY" != none ] || exe="$LUDVANE_BUILD/x86_64/ludvane.exe"
[ -f "$exe" ] || { echo "no $exe: run scripts/build.sh first" >&2; exit 1; }

# The window's outer size, and the virtual screen it is centred on.
window_w=784 window_h=189 screen_w=1024 screen_h=400
left=$(( (screen_w - window_w) / 2 )) top=$(( (screen_h - window_h) / 2 ))

prefix="$LUDVANE_BUILD/screenshot-prefix"
ludvane_ensure_prefix "$prefix"
steam_win='C:\Games\Steam\steamapps\common\Grand Theft Auto V\'
mkdir -p "$prefix/drive_c/Games/Steam/steamapps/common/Grand Theft Auto V" \
         "$prefix/drive_c/Ludvane"
cp "$exe" "$prefix/drive_c/Ludvane/ludvane.exe"
# The registry holds the game folder followed by GTAV; Ludvane drops those four bytes.
ludvane_wine "$WINE64" reg add 'HKLM\SOFTWARE\WOW6432Node\Rockstar Games\GTAV' \
  /v InstallFolderSteam /t REG_SZ /d "${steam_win}GTAV" /f >/dev/null 2>&1
# Windows links its interface fonts to Chinese fonts of its own (SimSun, Microsoft YaHei) under
# every locale, so DEFAULT_GUI_FONT shows the Chinese texts on an English Windows too. Wine's
# prefix holds those links but not those fonts, and finds a Chinese font by itself only in a
# Chinese locale: for a picture under another (LUDVANE_WINE_LOCALE=C.UTF-8), the links name the
# Chinese font this machine has.
if [[ "$LUDVANE_WINE_LOCALE" != zh_* ]]; then
  cjk_file="$(fc-match -f '%{file}' ':lang=zh-cn')" cjk_family="$(fc-match -f '%{family[0]}' ':lang=zh-cn')"
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg"; do
    ludvane_wine "$WINE64" reg add \
      'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "$(basename "$cjk_file"),$cjk_family" /f >/dev/null 2>&1
  done
fi
wineserver -w

export WINE64 out left top window_w window_h screen_w screen_h
ludvane_wine xvfb-run -a -s "-screen 0 ${screen_w}x${screen_h}x24" bash -c '
  "$WINE64" explorer "/desktop=ludvane,${screen_w}x${screen_h}" "C:\\Ludvane\\ludvane.exe" \
    >/dev/null 2>&1 &
  crop="${window_w}x${window_h}+${left}+${top}"
  shot() { import -silent -window root -crop "$crop" +repage "$1" 2>/dev/null; }
  # Wait, up to a deadline, until the window is there and two pictures in a row are the same.
  previous="" deadline=$((SECONDS + 60)) rc=1
  while [ $SECONDS -lt $deadline ]; do
    sleep 0.5
    shot "$out.tmp.png" || continue
    colours=$(convert "$out.tmp.png" -format "%k" info:)
    current=$(identify -format "%#" "$out.tmp.png")
    if [ "$colours" -gt 16 ] && [ "$current" = "$previous" ]; then rc=0; break; fi
    previous=$current
  done
  [ $rc -eq 0 ] && mv "$out.tmp.png" "$out" || rm -f "$out.tmp.png"
  wineserver -k 2>/dev/null || true
  exit $rc'
echo "Saved $out"
