#!/usr/bin/env bash
# Runs one Windows program under Wine in the test prefix (ctest's emulator): a 32-bit program
# under the 32-bit Wine, a 64-bit one under the 64-bit Wine.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export WINEPREFIX="${WINEPREFIX:-$LUDVANE_BUILD/wineprefix}"
loader="$WINE32"
case "$(file -b "$1")" in
  PE32+*) loader="$WINE64" ;;
esac
# The program's output goes through a file: a Wine process left half-started when the program
# under test ends in the middle of CreateProcess would otherwise hold the caller's pipe open,
# and ctest would wait for it until its time-out.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
ludvane_wine "$loader" "$@" >"$log" 2>&1 </dev/null || rc=$?
cat "$log"
exit $rc
