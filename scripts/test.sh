#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test under Wine on a virtual
# display: the whole suite against the shipped 32-bit ludvane.exe under the 32-bit Wine (native
# or emulated, see wine-env.sh), then again against the 64-bit build as a second check.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
bash "$here/setup.sh"
source "$here/wine-env.sh"
ludvane_enter_wine32_way "${BASH_SOURCE[0]}" "$@"
bash "$here/build.sh"
python3 "$here/check_exe.py" "$LUDVANE_BUILD/i686/ludvane.exe"
export WINEPREFIX="$LUDVANE_BUILD/wineprefix"
ludvane_ensure_prefix "$WINEPREFIX"
ludvane_use_standin_builds "NOT TESTED: the 32-bit Wine runs neither natively nor emulated here, so \
the shipped 32-bit ludvane.exe is not tested; only the x86_64 build's suite runs."
export LUDVANE_ROOT LUDVANE_BUILD
# One virtual display and one warm wineserver for the whole run.
ludvane_wine xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  suites=$1
  shift
  wineserver -p 120
  # Start Wine'"'"'s own services now, with no output to inherit: started by the first test they
  # would hold its output pipe open and ctest would wait for them to end.
  "$LUDVANE_ROOT/scripts/wine-exec.sh" "$LUDVANE_BUILD/x86_64/tests/console_writer.exe" \
    </dev/null >/dev/null 2>&1
  rc=0
  for suite in $suites; do
    echo "== $suite build: every test under Wine"
    (cd "$LUDVANE_BUILD/$suite" && ctest --output-on-failure --timeout 600 "$@") || rc=1
  done
  wineserver -k 2>/dev/null || true
  exit $rc' ctest-under-xvfb "$LUDVANE_BUILDS" "$@"
