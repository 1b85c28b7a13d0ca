#!/usr/bin/env bash
# CI for the Windows targets: installs what is missing, builds both programs and test
# suites, checks that the shipped tavix.exe needs only the system's DLLs, runs the
# x86_64 suite under wine64 and the i686 suite under 32-bit wine (in Xvfb), and a smoke
# run of the shipped 32-bit program that also takes the screenshot.
#
# Some kernels run no 32-bit code at all (wine32 then fails with "Exec format error");
# there the i686 suite is built but not run, and the smoke run uses the 64-bit program.
# The log says which.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
scripts/windows-build.sh all
# Only the system's DLLs: anything else would have to ship beside the program.
objdump=$(command -v i686-w64-mingw32-objdump)
extra=$("$objdump" -p build-win32/tavix.exe | awk '/DLL Name:/ {print toupper($3)}' |
  grep -vxE 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|COMCTL32.DLL|COMDLG32.DLL|WINMM.DLL|WS2_32.DLL|WSOCK32.DLL|MSVCRT.DLL|ADVAPI32.DLL' || true)
if [ -n "$extra" ]; then
  echo "build-win32/tavix.exe needs DLLs beyond the system's: $extra" >&2
  exit 1
fi
scripts/windows-test.sh build-win64
if win_runs_32bit; then
  # Reported, not yet fatal: the development machines run no 32-bit code, so the
  # i686 run has never been seen to pass; its counts and failures are in this log.
  if ! scripts/windows-test.sh build-win32; then
    echo "i686 suite: FAILED (reported, not fatal until it has passed once)"
  fi
  if ! scripts/windows-smoke.sh build-win32; then
    echo "32-bit smoke run: FAILED (reported, not fatal); the 64-bit program instead:"
    scripts/windows-smoke.sh build-win64
  fi
else
  echo "i686 suite and 32-bit smoke run: NOT RUN, this machine executes no 32-bit code" \
    "($WINE32: $("$WINE32" --version 2>&1 | tail -1))"
  scripts/windows-smoke.sh build-win64
fi
