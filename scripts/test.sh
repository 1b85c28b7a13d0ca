#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs every test;
# further arguments go to ctest (scripts/test.sh -LE long). Fails when no test ran.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build -DTAVIX_TESTS=ON
ctest --test-dir build --output-on-failure --no-tests=error -j "${CTEST_PARALLEL_LEVEL:-2}" \
  --timeout 300 "$@"
