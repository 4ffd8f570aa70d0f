# Sourced by the other scripts: where things live and how Wine is set up for Ludvane.
# Captions are code-page-936 bytes, so Wine must run with a Chinese locale (LC_ALL wins over LANG).
LUDVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LUDVANE_BUILD="${LUDVANE_BUILD:-$LUDVANE_ROOT/build}"
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: their installers would ask over the network this machine does not have.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=/usr/lib/wine/wine64
# The 32-bit Wine runs the shipped 32-bit ludvane.exe, in the same prefix as the 64-bit one.
WINE32=/usr/lib/wine/wine

# Creates (once) the Wine prefix at $1.
ludvane_ensure_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# True when this machine's kernel runs 32-bit programs, and with them the 32-bit Wine.
ludvane_can_run_32bit() {
  "$WINE32" --version >/dev/null 2>&1
}

# Makes the stand-in interpreter (fake_cmd.exe: $1 the 32-bit one, $2 the 64-bit one; either may
# be empty) the prefix's own system32\cmd.exe and syswow64\cmd.exe, since Wine's mklink makes no
# links. Wine's own interpreter stays beside it as wine-cmd.exe for every other command line.
# Wine takes a cmd.exe of the prefix's only when told to (cmd.exe=n).
ludvane_install_standin() {
  local windows="$WINEPREFIX/drive_c/windows"
  local standin32="${1:-$2}" standin64="${2:-$1}" own
  for own in /usr/lib/*/wine/x86_64-windows/cmd.exe; do
    [ -f "$own" ] && cp "$own" "$windows/system32/wine-cmd.exe"
  done
  for own in /usr/lib/*/wine/i386-windows/cmd.exe; do
    [ -f "$own" ] && cp "$own" "$windows/syswow64/wine-cmd.exe"
  done
  cp "$standin64" "$windows/system32/cmd.exe"
  cp "$standin32" "$windows/syswow64/cmd.exe"
  case ";$WINEDLLOVERRIDES;" in
    *";cmd.exe=n;"*) ;;
    *) export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;cmd.exe=n" ;;
  esac
}

# Sets LUDVANE_BUILDS to the builds this machine runs, the shipped 32-bit one first, and makes
# their stand-in the prefix's interpreter. Where the kernel refuses 32-bit programs, prints $1,
# one plain line saying what is left out, and keeps the x86_64 build alone.
ludvane_use_standin_builds() {
  if ludvane_can_run_32bit; then
    LUDVANE_BUILDS="i686 x86_64"
    ludvane_install_standin "$LUDVANE_BUILD/i686/tests/fake_cmd.exe" \
      "$LUDVANE_BUILD/x86_64/tests/fake_cmd.exe"
  else
    echo "$1"
    LUDVANE_BUILDS="x86_64"
    ludvane_install_standin "" "$LUDVANE_BUILD/x86_64/tests/fake_cmd.exe"
  fi
}
