# Sourced by the windows-*.sh scripts: the packages the Windows builds need, and the
# Wine settings (a prefix of our own inside build-win64, no Mono/Gecko prompts).
# wine32 (the i386 architecture) runs the shipped 32-bit program and the i686 suite;
# fonts-wine brings Marlett, which draws the caption buttons; nsis makes the installer.
win_pkgs=(cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine64
  wine32:i386 fonts-wine xvfb imagemagick xdotool nsis)
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=${WINEPREFIX:-$PWD/build-win64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

. scripts/apt-missing.sh
win_deps() { install_missing "${win_pkgs[@]}"; }

# Creates the prefix once (the first start takes 10 s or more), then waits until
# its server has gone, so the next run starts clean.
win_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
  fi
  # Wine draws the caption buttons with Marlett, and looks for it among the prefix's
  # fonts only (without it they read "0 1 r").
  cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  "$WINESERVER" -w
}

# True when this machine executes 32-bit x86 code (wine32 itself is such a program):
# some kernels are built or set up without it, and then "Exec format error" is all
# that wine32 gives.
win_runs_32bit() {
  "$WINE32" --version >/dev/null 2>&1
}

# The Wine loader for a build directory's programs: build-win32 (i686) or build-win64.
win_loader() {
  case "$1" in
  *win32*) echo "$WINE32" ;;
  *) echo "$WINE64" ;;
  esac
}
