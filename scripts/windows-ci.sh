#!/usr/bin/env bash
# CI for the Windows targets: installs what is missing, builds tavix.exe for 32-bit
# Windows and the 64-bit program and tests, runs the tests under wine64 in Xvfb, and
# takes a screenshot of the main window (build-win64/screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/windows-build.sh all
# Only the system's DLLs: anything else would have to ship beside the program.
objdump=$(command -v i686-w64-mingw32-objdump)
extra=$("$objdump" -p build-win32/tavix.exe | awk '/DLL Name:/ {print toupper($3)}' |
  grep -vxE 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|COMCTL32.DLL|COMDLG32.DLL|WINMM.DLL|WS2_32.DLL|WSOCK32.DLL|MSVCRT.DLL|ADVAPI32.DLL' || true)
if [ -n "$extra" ]; then
  echo "build-win32/tavix.exe needs DLLs beyond the system's: $extra" >&2
  exit 1
fi
scripts/windows-test.sh
scripts/windows-screenshot.sh
