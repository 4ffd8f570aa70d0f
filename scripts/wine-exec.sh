#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in the test prefix (ctest's emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export WINEPREFIX="${WINEPREFIX:-$LUDVANE_BUILD/wineprefix}"
# The program's output goes through a file: a Wine process left half-started when the program
# under test ends in the middle of CreateProcess would otherwise hold the caller's pipe open,
# and ctest would wait for it until its time-out.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
"$WINE64" "$@" >"$log" 2>&1 </dev/null || rc=$?
cat "$log"
exit $rc
