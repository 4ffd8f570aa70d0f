# Sourced: prepares the demo Wine prefix, whose registry points at a sample Steam installation
# holding the link plan's 36 items as small placeholder files.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
DEMO_PREFIX="$LUDVANE_BUILD/demo-prefix"
DEMO_STEAM_WIN='C:\Games\Steam\steamapps\common\Grand Theft Auto V\'
DEMO_STEAM_UNIX="$DEMO_PREFIX/drive_c/Games/Steam/steamapps/common/Grand Theft Auto V"
DEMO_EPIC_WIN='C:\Games\Epic\'
DEMO_EPIC_UNIX="$DEMO_PREFIX/drive_c/Games/Epic"

demo_prepare_prefix() {
  ludvane_ensure_prefix "$DEMO_PREFIX"
  local s="$DEMO_STEAM_UNIX"
  mkdir -p "$s/update/x64/dlcpacks/mpbeach" "$s/x64/audio/sfx" "$DEMO_EPIC_UNIX"
  local names=(common.rpf installscript.vdf GFSDK_ShadowLib.win64.dll GFSDK_TXAA.win64.dll
               GFSDK_TXAA_AlphaResolve.win64.dll GTAVLanguageSelect.exe GTAVLauncher.exe
               bink2w64.dll d3dcompiler_46.dll d3dcsx_46.dll)
  for letter in a b c d e f g h i j k l m n o p q r s t u v w; do names+=("x64$letter.rpf"); done
  for name in "${names[@]}" update/update.rpf x64/audio/sfx/ONESHOT_A.rpf \
              update/x64/dlcpacks/mpbeach/dlc.rpf; do
    [ -f "$s/$name" ] || printf 'placeholder for %s\n' "$name" > "$s/$name"
  done
  # The registry holds the game folder with GTAV at its end; Ludvane drops those four bytes.
  ludvane_wine "$WINE64" reg add 'HKLM\SOFTWARE\WOW6432Node\Rockstar Games\GTAV' \
    /v InstallFolderSteam /t REG_SZ /d "${DEMO_STEAM_WIN}GTAV" /f >/dev/null 2>&1
  wineserver -w
}
