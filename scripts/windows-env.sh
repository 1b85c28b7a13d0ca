# Sourced by the windows-*.sh scripts: the packages the Windows builds need, and the
# Wine settings (a prefix of our own inside build-win64, no Mono/Gecko prompts).
win_pkgs=(cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine64 xvfb
  imagemagick)
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=${WINEPREFIX:-$PWD/build-win64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

win_deps() {
  local missing=() p
  for p in "${win_pkgs[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    return 1
  fi
}

# Creates the prefix once (the first start takes 10 s or more), then waits until
# its server has gone, so the next run starts clean.
win_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
  fi
  "$WINESERVER" -w
}
