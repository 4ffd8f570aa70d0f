#!/usr/bin/env bash
# Builds what is missing and runs every benchmark (tests/bench_*.exe) of both builds under Wine
# on a virtual display, the shipped 32-bit build first; each prints its own figures. Arguments
# go to every benchmark (a number of rounds). Where the 32-bit Wine runs emulated, the i686
# figures carry the word "emulated". Wine's own notes are kept out of what it prints.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
ludvane_enter_wine32_way "${BASH_SOURCE[0]}" "$@"
bash "$here/build.sh" >/dev/null
export WINEPREFIX="$LUDVANE_BUILD/wineprefix"
ludvane_ensure_prefix "$WINEPREFIX"
ludvane_use_standin_builds "NOT MEASURED: the 32-bit Wine runs neither natively nor emulated \
here; only the x86_64 build is measured."
export LUDVANE_BUILD WINE64 WINE32 LUDVANE_WINE32_WAY
# One virtual display and one warm wineserver for all of them.
ludvane_wine xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  builds=$1
  shift
  wineserver -p 120
  rc=0
  for build in $builds; do
    loader=$WINE64 tag=""
    if [ "$build" = i686 ]; then
      loader=$WINE32
      # Figures of the emulated 32-bit Wine are not comparable with native ones: each says so.
      [ "$LUDVANE_WINE32_WAY" = emulated ] && tag="  (emulated)"
    fi
    for bench in "$LUDVANE_BUILD/$build"/tests/bench_*.exe; do
      echo "== $build: $(basename "$bench" .exe)${tag:+, emulated: not comparable with native figures}"
      "$loader" "$bench" "$@" | sed "/[0-9]/s/\$/$tag/"
      [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
    done
  done
  wineserver -k 2>/dev/null || true
  exit $rc' bench-under-xvfb "$LUDVANE_BUILDS" "$@" 2> >(ludvane_drop_wine_notes >&2)
