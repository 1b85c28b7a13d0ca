#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks. "scripts/deps.sh program" installs only
# what building and running the program needs; "scripts/deps.sh" (or "all") adds
# what the tests, the benchmarks and the package check need.
set -euo pipefail
program=(g++ cmake ninja-build libncurses-dev libssl-dev ca-certificates)
tests=(libgtest-dev libgmock-dev libbenchmark-dev tmux python3 python3-prometheus-client dpkg-dev
  file clang-format lintian systemd openssl)
. "$(dirname "$0")/apt-missing.sh"
case "${1:-all}" in
  program) install_missing "${program[@]}" ;;
  all) install_missing "${program[@]}" "${tests[@]}" ;;
  *) echo "usage: scripts/deps.sh [program|all]" >&2; exit 2 ;;
esac
