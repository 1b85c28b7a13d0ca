#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build, test and package the program.
set -euo pipefail
pkgs=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev libncurses-dev tmux python3
  dpkg-dev file clang-format libssl-dev openssl ca-certificates)
. "$(dirname "$0")/apt-missing.sh"
install_missing "${pkgs[@]}"
