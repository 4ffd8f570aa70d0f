#!/usr/bin/env bash
# Installs what is missing, builds, and starts Ludvane under Wine in a demo prefix whose registry
# points at a sample Steam installation. With a display, Ludvane opens on it for you to use;
# without one, it runs on a virtual display and a screenshot is saved in build/demo/.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
bash "$here/build.sh" >/dev/null
source "$here/demo-prefix.sh"
demo_prepare_prefix
exe="$LUDVANE_BUILD/x86_64/ludvane.exe"
echo "Sample Steam installation: $DEMO_STEAM_WIN  (on Linux: $DEMO_STEAM_UNIX)"
echo "A destination you can pick: $DEMO_EPIC_WIN"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting Ludvane on $DISPLAY (Wine's mklink makes no links; see README)."
  rc=0
  "$WINE64" "$exe" || rc=$?
  echo "Ludvane ended with exit code $rc"
else
  mkdir -p "$LUDVANE_BUILD/demo"
  xvfb-run -a -s "-screen 0 1024x400x24" bash "$here/screenshot.sh" "$exe" \
    "$LUDVANE_BUILD/demo/main-window.png"
fi
