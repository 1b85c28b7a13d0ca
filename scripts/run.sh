#!/usr/bin/env bash
# Installs, builds and starts the program in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build -DTAVIX_TESTS=OFF
exec build/tavix
