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

# Creates (once) the Wine prefix at $1.
ludvane_ensure_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}
