#!/usr/bin/env bash
# Checks that includes point down the layers only:
#   platform <- framework <- socket <- http <- tray, placement <- app
# A file may include headers of its own layer and of the layers below it, by their path
# from the source root ("framework/Strings.h") or by a bare name from its own folder.
# Above platform/ only the C++ standard library comes in angle brackets: the system's
# headers stay in platform/. Inside platform/, curses stays in display/terminal.
# tests/, bench/ and fuzz/ may use everything and are not checked. Resource scripts
# (*.rc) are read by the resource compiler, not the C++ one, and are not checked either.
# Prints each offending line as file:line: reason, and fails when there is any.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"

# The layers each layer may include, itself among them.
declare -A allowed=(
  [platform]="platform"
  [framework]="platform framework"
  [socket]="platform framework socket"
  [http]="platform framework socket http"
  [tray]="platform framework socket http tray"
  [placement]="platform framework socket http placement"
  [app]="platform framework socket http tray placement app"
)

include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]+)[">]'
bad=0
report() {
  echo "$1: $2" >&2
  bad=1
}

check_line() {  # $1: file:line, $2: the line, $3: the file's layer
  local where=$1 line=$2 layer=$3 target
  [[ $line =~ $include_re ]] || return 0
  target=${BASH_REMATCH[2]}
  if [[ ${BASH_REMATCH[1]} == '<' ]]; then
    if [[ $layer != platform && ! $target =~ ^[a-z_]+$ ]]; then
      report "$where" "system header <$target> above platform/"
    elif [[ $target == *curses* && $where != platform/display/terminal/* ]]; then
      report "$where" "curses outside platform/display/terminal"
    fi
  elif [[ $target == *..* ]]; then
    report "$where" "\"$target\" climbs out of its folder; name it from the source root"
  elif [[ $target == */* && " ${allowed[$layer]} " != *" ${target%%/*} "* ]]; then
    report "$where" "$layer/ includes \"$target\", a layer above it"
  fi
}

for layer in "${!allowed[@]}"; do
  while IFS=: read -r file n line; do
    check_line "$file:$n" "$line" "$layer"
  done < <(grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include' "$layer")
done
if [[ $bad -ne 0 ]]; then
  echo "check-layers: includes point up a layer (order: platform <- framework <- socket <- http <- tray, placement <- app)" >&2
  exit 1
fi
echo "check-layers: every include points down"
