#!/usr/bin/env bash
# Builds what is missing and runs every benchmark (tests/bench_*.exe) of both builds under Wine
# on a virtual display, the shipped 32-bit build first; each prints its own figures. Arguments
# go to every benchmark (a number of rounds).
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
bash "$here/build.sh" >/dev/null
export WINEPREFIX="$LUDVANE_BUILD/wineprefix"
ludvane_ensure_prefix "$WINEPREFIX"
ludvane_use_standin_builds "NOT MEASURED: this machine's kernel cannot run 32-bit programs; \
only the x86_64 build is measured."
export LUDVANE_BUILD WINE64 WINE32
# One virtual display and one warm wineserver for all of them.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  builds=$1
  shift
  wineserver -p 120
  rc=0
  for build in $builds; do
    loader=$WINE64
    [ "$build" = i686 ] && loader=$WINE32
    for bench in "$LUDVANE_BUILD/$build"/tests/bench_*.exe; do
      echo "== $build: $(basename "$bench" .exe)"
      "$loader" "$bench" "$@" || rc=1
    done
  done
  wineserver -k 2>/dev/null || true
  exit $rc' bench-under-xvfb "$LUDVANE_BUILDS" "$@"
