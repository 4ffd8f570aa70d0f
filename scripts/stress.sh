#!/usr/bin/env bash
# Builds what is missing and runs the captured command run's stress program of both builds, the
# i686 one under the 32-bit Wine and the x86_64 one under the 64-bit Wine, in a plain prefix of
# its own whose system cmd.exe is Wine's own interpreter. Each prints its own figures.
#   stress.sh [rounds] [busy]
# rounds: runs for each build (5000 unless given). busy: both builds at once, beside one
# CPU-bound loop for each processor, instead of one after the other on an otherwise idle machine.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
bash "$here/build.sh"
rounds="${1:-5000}"
mode="${2:-idle}"
ludvane_ensure_prefix "$LUDVANE_BUILD/stress-prefix"
# One warm wineserver for all runs.
wineserver -p 120

stress() {
  local wine="$2"
  "$wine" "$LUDVANE_BUILD/$1/tests/stress_command_run.exe" "$rounds"
}

rc=0
if [ "$mode" = busy ]; then
  logs="$(mktemp -d)"
  burners=()
  for _ in $(seq "$(nproc)"); do
    (while :; do :; done) &
    burners+=($!)
  done
  stress i686 "$WINE32" >"$logs/i686" 2>&1 &
  i686=$!
  stress x86_64 "$WINE64" >"$logs/x86_64" 2>&1 &
  x86_64=$!
  wait "$i686" || rc=1
  wait "$x86_64" || rc=1
  kill "${burners[@]}"
  for arch in i686 x86_64; do
    echo "== $arch, busy"
    cat "$logs/$arch"
  done
  rm -rf "$logs"
else
  echo "== i686"
  stress i686 "$WINE32" || rc=1
  echo "== x86_64"
  stress x86_64 "$WINE64" || rc=1
fi
wineserver -k 2>/dev/null || true
exit $rc
