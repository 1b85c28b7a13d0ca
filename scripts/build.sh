#!/usr/bin/env bash
# Configures and builds into build/ (or $1), passing further arguments to CMake.
# Warnings are errors here, as in CI (a later -DTAVIX_WERROR=OFF overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
cmake -S . -B "$dir" -G Ninja -DTAVIX_WERROR=ON "$@" >/dev/null
cmake --build "$dir"
