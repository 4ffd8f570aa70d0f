#!/usr/bin/env bash
# Builds what is missing and runs the captured command run's stress program of both builds, the
# i686 one under the 32-bit Wine (native or emulated) and the x86_64 one under the 64-bit Wine,
# in a plain prefix of its own whose system cmd.exe is Wine's own interpreter. Each prints its
# own figures.
#   stress.sh [rounds] [busy]
# rounds: runs for each build (5000 unless given). busy: both builds at once, beside one
# CPU-bound loop for each processor, instead of one after the other on an otherwise idle machine.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
ludvane_enter_wine32_way "${BASH_SOURCE[0]}" "$@"
bash "$here/build.sh"
rounds="${1:-5000}"
mode="${2:-idle}"
ludvane_ensure_prefix "$LUDVANE_BUILD/stress-prefix"
builds="i686 x86_64"
if [ "$LUDVANE_WINE32_WAY" = none ]; then
  echo "NOT MEASURED: the 32-bit Wine runs neither natively nor emulated here; only the x86_64 \
build runs. Reason: $LUDVANE_WINE32_WHY."
  builds="x86_64"
fi
# One warm wineserver for all runs.
ludvane_wine wineserver -p 120

# Runs the stress program of one build under its own Wine.
stress() {
  local wine="$WINE64"
  [ "$1" = i686 ] && wine="$WINE32"
  ludvane_wine "$wine" "$LUDVANE_BUILD/$1/tests/stress_command_run.exe" "$rounds" \
    2> >(ludvane_drop_wine_notes >&2)
}

rc=0
if [ "$mode" = busy ]; then
  logs="$(mktemp -d)"
  burners=()
  for _ in $(seq "$(nproc)"); do
    (while :; do :; done) &
    burners+=($!)
  done
  pids=()
  for arch in $builds; do
    stress "$arch" >"$logs/$arch" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || rc=1; done
  kill "${burners[@]}"
  for arch in $builds; do
    echo "== $arch, busy"
    cat "$logs/$arch"
  done
  rm -rf "$logs"
else
  for arch in $builds; do
    echo "== $arch"
    stress "$arch" || rc=1
  done
fi
wineserver -k 2>/dev/null || true
exit $rc
