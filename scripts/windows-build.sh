#!/usr/bin/env bash
# Cross-builds the Windows programs and test suites: build-win32 (i686: tavix.exe, the
# shipped program, statically linked, and the tests) and build-win64 (x86_64: the
# program and the tests).
# Further arguments go to CMake (e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache).
# Usage: windows-build.sh [win32|win64|all] [cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
win_deps
what=${1:-all}
shift || true
build() {  # build directory, toolchain
  cmake -S . -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAVIX_TESTS=ON "${@:3}" >/dev/null
  cmake --build "$1" -j2
}
if [ "$what" = all ] || [ "$what" = win32 ]; then build build-win32 mingw-i686 "$@"; fi
if [ "$what" = all ] || [ "$what" = win64 ]; then build build-win64 mingw-x86_64 "$@"; fi
