#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs every test;
# further arguments go to ctest (scripts/test.sh -LE long). Fails when no test ran,
# and when the tests left anything in the temporary folder they were given.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build -DTAVIX_TESTS=ON
TMPDIR=$(mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
status=0
ctest --test-dir build --output-on-failure --no-tests=error -j "${CTEST_PARALLEL_LEVEL:-2}" \
  --timeout 300 "$@" || status=$?
if [ -n "$(ls -A "$TMPDIR")" ]; then
  echo "The tests left these behind in $TMPDIR:" >&2
  ls -A "$TMPDIR" >&2
  status=1
fi
exit $status
