#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it: lintian finds no error; it
# installs (with dpkg as root, else unpacked into a scratch root) with its manual
# page, documents and systemd user units, the units pass systemd-analyze verify, and
# the installed tavix --version answers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/tavix_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
lintian --fail-on error "$deb" || {
  echo "lintian found errors in $deb" >&2
  exit 1
}
echo "lintian: no errors"

units=(tavix.service tavix@.service)
check() {  # $1: the installed root ("" for /)
  local version f
  version=$("$1/usr/bin/tavix" --version)
  echo "installed: $version"
  [ "$version" = "$(build/tavix --version)" ]
  for f in usr/share/man/man1/tavix.1.gz usr/share/doc/tavix/{README.md,service.md,copyright,changelog.gz} \
    "${units[@]/#/usr/lib/systemd/user/}"; do
    [ -f "$1/$f" ] || { echo "missing from the package: /$f" >&2; return 1; }
  done
}

# The template is verified as an instance, as systemd would start it.
verify_units() {  # $1: the folder holding the units
  local scratch out
  scratch=$(mktemp -d)
  cp "$1/tavix.service" "$scratch/"
  cp "$1/tavix@.service" "$scratch/tavix@site1.service"
  out=$(systemd-analyze verify --man=no "$scratch/tavix.service" "$scratch/tavix@site1.service" 2>&1) || true
  rm -rf "$scratch"
  [ -z "$out" ] || { echo "systemd-analyze verify: $out" >&2; return 1; }
  echo "systemd-analyze verify: clean"
}

if [ "$(id -u)" -eq 0 ]; then
  had=$(dpkg-query -W -f='${Status}' tavix 2>/dev/null || true)
  dpkg -i "$deb" >/dev/null
  check ""
  verify_units /usr/lib/systemd/user
  # Leave the machine as it was found.
  [[ $had == *"install ok installed"* ]] || dpkg -r tavix >/dev/null
else
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg -x "$deb" "$root"
  check "$root"
fi
echo "package installs and answers --version"
