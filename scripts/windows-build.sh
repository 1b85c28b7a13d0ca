#!/usr/bin/env bash
# Cross-builds the Windows programs: build-win32/tavix.exe (i686, the shipped
# program, statically linked) and build-win64 (x86_64: the program and the tests).
# Usage: windows-build.sh [win32|win64|all]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
win_deps
what=${1:-all}
if [ "$what" = all ] || [ "$what" = win32 ]; then
  cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTAVIX_TESTS=OFF >/dev/null
  cmake --build build-win32 -j2 --target tavix
fi
if [ "$what" = all ] || [ "$what" = win64 ]; then
  cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-win64 -j2
fi
