#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in the test prefix (ctest's emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export WINEPREFIX="${WINEPREFIX:-$LUDVANE_BUILD/wineprefix}"
exec "$WINE64" "$@"
