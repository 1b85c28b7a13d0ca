#!/usr/bin/env bash
# CI for the Windows targets: installs what is missing, builds both programs and test
# suites, checks that the shipped tavix.exe needs only the system's DLLs, runs the
# x86_64 suite under wine64 and the i686 suite under 32-bit wine (in Xvfb), a smoke
# run of the shipped 32-bit program that also takes the screenshots, and the silent
# install and uninstall of its installer (scripts/windows-install-test.sh), which also
# leaves the zip and the installer in build-win32.
#
# Some kernels run no 32-bit code at all (wine32 then fails with "Exec format error");
# there the i686 suite is built but not run, and the smoke run and the installer test
# use the 64-bit program. The log says which.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
scripts/windows-build.sh all
# Only the system's DLLs: anything else would have to ship beside the program.
objdump=$(command -v i686-w64-mingw32-objdump)
extra=$("$objdump" -p build-win32/tavix.exe | awk '/DLL Name:/ {print toupper($3)}' |
  grep -vxE 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|COMCTL32.DLL|COMDLG32.DLL|WINMM.DLL|WS2_32.DLL|WSOCK32.DLL|MSVCRT.DLL|ADVAPI32.DLL|SECUR32.DLL|CRYPT32.DLL' || true)
if [ -n "$extra" ]; then
  echo "build-win32/tavix.exe needs DLLs beyond the system's: $extra" >&2
  exit 1
fi
scripts/windows-test.sh build-win64
if win_runs_32bit; then
  # The shipped program's own suite, smoke run and installer: each must pass.
  scripts/windows-test.sh build-win32
  scripts/windows-smoke.sh build-win32
  scripts/windows-install-test.sh build-win32
else
  echo "i686 suite, 32-bit smoke run and 32-bit installer test: NOT RUN, this machine" \
    "executes no 32-bit code ($WINE32: $("$WINE32" --version 2>&1 | tail -1));" \
    "the 64-bit program and installer instead"
  scripts/windows-smoke.sh build-win64
  scripts/windows-install-test.sh build-win64
  # The shipped downloads are made all the same: making them runs no 32-bit code.
  scripts/windows-package.sh build-win32
fi
