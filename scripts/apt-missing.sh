# Sourced by the scripts that set up a fresh Debian machine. install_missing PKG...
# installs the packages not yet there (as root; otherwise prints the apt-get line and
# returns 1). A package named NAME:i386 brings the i386 architecture in first.
install_missing() {
  local missing=() p arch=
  for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  for p in "${missing[@]}"; do [[ $p == *:i386 ]] && arch=i386; done
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:"
    echo "  ${arch:+dpkg --add-architecture i386 && }apt-get update && apt-get install -y ${missing[*]}"
    return 1
  fi
  if [ -n "$arch" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}
