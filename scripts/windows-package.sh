#!/usr/bin/env bash
# The Windows downloads from a build directory: a plain zip of the program and its
# installer, made with Debian's makensis from scripts/windows-installer.nsi.
# build-win32 gives the shipped 32-bit pair, build-win64 the 64-bit one.
# Usage: windows-package.sh [build-win32|build-win64]   (default: build-win32)
# Writes <build>/tavix-<version>-<win32|win64>.zip and ...-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
win_deps
build=${1:-build-win32}
[ -f "$build/tavix.exe" ] || scripts/windows-build.sh "${build#build-}"
version=$(sed -n 's/^project(OrvanePollarion VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
case "$build" in
*win32*) arch=x86 name=win32 ;;
*) arch=amd64 name=win64 ;;
esac
base=tavix-$version-$name
rm -f "$build/$base.zip" "$build/$base-setup.exe"
(cd "$build" && python3 -m zipfile -c "$base.zip" tavix.exe)
makensis -V2 -DARCH="$arch" -DVERSION="$version" -DEXE="$PWD/$build/tavix.exe" \
  -DICON="$PWD/$build/app/tavix.ico" -DOUTFILE="$PWD/$build/$base-setup.exe" \
  scripts/windows-installer.nsi
echo "packages: $build/$base.zip $build/$base-setup.exe"
