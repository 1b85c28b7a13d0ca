#!/usr/bin/env bash
# Runs a Windows test suite under Wine inside a virtual X display (some tests show
# windows or use the notification area), with the HTTPS test servers beside it:
# build-win64 under wine64, build-win32 under 32-bit wine. Builds first if needed.
# Usage: windows-test.sh [build-win64|build-win32]   (default: build-win64)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
build=${1:-build-win64}
[ -d "$build/tests" ] || scripts/windows-build.sh "${build#build-}"
win_prefix
# The HTTPS servers of the secure-channel tests: the Linux program tls_test_server,
# built from the Linux tree, on the loopback that wine's programs share. It serves
# until its standard input (fd 9 here) closes, and then removes its certificates.
scripts/deps.sh >/dev/null
cmake -S . -B build -DTAVIX_TESTS=ON >/dev/null
cmake --build build --target tls_test_server >/dev/null
tls=$(mktemp -d)
mkfifo "$tls/in"
build/tests/tls_test_server "$tls/servers" <"$tls/in" &
tls_pid=$!
exec 9>"$tls/in"
stop_tls() {
  exec 9>&-
  wait "$tls_pid" || true
  rm -rf "$tls"
}
trap stop_tls EXIT
for _ in $(seq 1 300); do
  [ -f "$tls/servers" ] || ! kill -0 "$tls_pid" 2>/dev/null && break
  sleep 0.1
done
[ -f "$tls/servers" ] || { echo "tls_test_server did not start" >&2; exit 1; }
export TAVIX_TLS_SERVERS="Z:$tls/servers"
status=0
# A screen larger than the test windows (860 + 487 pixels wide), so that none is moved
# to fit.
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir "$build" --output-on-failure --timeout 600 || status=$?
"$WINESERVER" -w
exit $status
