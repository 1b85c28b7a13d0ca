#!/usr/bin/env bash
# Runs the 64-bit Windows test suite under wine64 inside a virtual X display (some
# tests show windows or use the notification area). Builds first if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
[ -d build-win64/tests ] || scripts/windows-build.sh win64
win_prefix
status=0
# A screen larger than the test windows (860 + 487 pixels wide), so that none is moved
# to fit.
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir build-win64 --output-on-failure --timeout 600 || status=$?
"$WINESERVER" -w
exit $status
