#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test under Wine on a virtual display.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
bash "$here/build.sh"
python3 "$here/check_exe.py" "$LUDVANE_BUILD/i686/ludvane.exe"
export WINEPREFIX="$LUDVANE_BUILD/wineprefix"
ludvane_ensure_prefix "$WINEPREFIX"
export LUDVANE_ROOT
cd "$LUDVANE_BUILD/x86_64"
# One virtual display and one warm wineserver for the whole run.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p 120
  # Start Wine'"'"'s own services now, with no output to inherit: started by the first test they
  # would hold its output pipe open and ctest would wait for them to end.
  "$LUDVANE_ROOT/scripts/wine-exec.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1
  ctest --output-on-failure --timeout 600 "$@"
  rc=$?
  wineserver -k 2>/dev/null || true
  exit $rc' ctest-under-xvfb "$@"
