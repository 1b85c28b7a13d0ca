#!/usr/bin/env bash
# Runs a Windows test suite under Wine inside a virtual X display (some tests show
# windows or use the notification area): build-win64 under wine64, build-win32 under
# 32-bit wine. Builds first if needed.
# Usage: windows-test.sh [build-win64|build-win32]   (default: build-win64)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
build=${1:-build-win64}
[ -d "$build/tests" ] || scripts/windows-build.sh "${build#build-}"
win_prefix
status=0
# A screen larger than the test windows (860 + 487 pixels wide), so that none is moved
# to fit.
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir "$build" --output-on-failure --timeout 600 || status=$?
"$WINESERVER" -w
exit $status
