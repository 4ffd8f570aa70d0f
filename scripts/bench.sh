#!/usr/bin/env bash
# Builds what is missing and runs every benchmark (tests/bench_*.exe of the x86_64 build) under
# Wine on a virtual display; each prints its own figures. Arguments go to every benchmark.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
bash "$here/build.sh"
export WINEPREFIX="$LUDVANE_BUILD/wineprefix"
ludvane_ensure_prefix "$WINEPREFIX"
shopt -s nullglob
benches=("$LUDVANE_BUILD"/x86_64/tests/bench_*.exe)
if [ ${#benches[@]} -eq 0 ]; then
  echo "no benchmark was built" >&2
  exit 1
fi
export WINE64
# One virtual display and one warm wineserver for all of them.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  count=$1
  shift
  args=("${@:1:count}")
  shift "$count"
  wineserver -p 120
  rc=0
  for bench in "$@"; do
    echo "== $(basename "$bench" .exe)"
    "$WINE64" "$bench" "${args[@]}" || rc=1
  done
  wineserver -k 2>/dev/null || true
  exit $rc' bench-under-xvfb "$#" "$@" "${benches[@]}"
