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
build() {  # the preset (CMakePresets.json: its folder, toolchain and options), more options
  cmake --preset "$1" "${@:2}" >/dev/null
  cmake --build --preset "$1" -j2
}
if [ "$what" = all ] || [ "$what" = win32 ]; then build windows-i686 "$@"; fi
if [ "$what" = all ] || [ "$what" = win64 ]; then build windows-x86_64 "$@"; fi
