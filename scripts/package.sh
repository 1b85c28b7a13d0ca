#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it: installs it (with dpkg as
# root, else unpacked into a scratch root) and runs the installed tavix --version.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/tavix_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends

check() {  # $1: the installed root ("" for /)
  local version
  version=$("$1/usr/bin/tavix" --version)
  echo "installed: $version"
  [ "$version" = "$(build/tavix --version)" ]
  [ -f "$1/usr/share/man/man1/tavix.1" ] && [ -f "$1/usr/share/doc/tavix/README.md" ]
}

if [ "$(id -u)" -eq 0 ]; then
  had=$(dpkg-query -W -f='${Status}' tavix 2>/dev/null || true)
  dpkg -i "$deb" >/dev/null
  check ""
  # Leave the machine as it was found.
  [[ $had == *"install ok installed"* ]] || dpkg -r tavix >/dev/null
else
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg -x "$deb" "$root"
  check "$root"
fi
echo "package installs and answers --version"
