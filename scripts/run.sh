#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it in this terminal. It
# runs in the folder this was called from, so saved logs land where the user is;
# arguments are handed to the program (scripts/run.sh --help).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/deps.sh" program
# Only the program is built: whether build/ also holds the tests is left as it is.
cmake -S "$repo" -B "$repo/build" -G Ninja >/dev/null
cmake --build "$repo/build" --target tavix
exec "$repo/build/tavix" "$@"
