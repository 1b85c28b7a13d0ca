#!/usr/bin/env bash
# The installer as a user meets it, under Wine in Xvfb: a silent install (/S), then
# the program's files, its Start-menu entry and its registry keys (Add/Remove
# Programs, Start with Windows); the installed program started as the first start
# after installing (its window shown), with its screenshot saved beside the build as
# installed.png; a silent uninstall, then everything installed gone and the user's
# settings file kept.
# Usage: windows-install-test.sh [build-win32|build-win64]   (default: build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
build=${1:-build-win32}
scripts/windows-package.sh "$build" >/dev/null
version=$(sed -n 's/^project(OrvanePollarion VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
loader=$(win_loader "$build")
case "$build" in
*win32*) name=win32 programs="Program Files (x86)" view=/reg:32 ;;
*) name=win64 programs="Program Files" view=/reg:64 ;;
esac
setup=$PWD/$build/tavix-$version-$name-setup.exe
win_prefix
c=$WINEPREFIX/drive_c
dir="$c/$programs/Orvane Pollarion"
link="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Orvane Pollarion.lnk"
ini=$c/windows/tavix.ini
uninst='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tavix'
run='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
out=$PWD/$build/installed.png
status=0
fail() {
  echo "install test ($build): $*" >&2
  status=1
}
# A registry value as reg.exe shows it (empty when missing).
value() {
  "$WINE64" reg query "$1" /v "$2" $view 2>/dev/null | tr -d '\r' |
    awk -F '    ' -v k="$2" '$2 == k { print $4 }'
}
rm -f "$ini"
trap 'rm -f "$ini"' EXIT

xvfb-run -a -s "-screen 0 640x480x24" bash -c "
  '$loader' '$setup' /S
  '$WINESERVER' -w
  # The first start after installing: the window shows (and the marker goes).
  cd '$dir' || exit 1
  '$loader' explorer /desktop=tavix,640x480 tavix.exe &
  for _ in \$(seq 1 120); do [ ! -e newinstall ] && break; sleep 0.5; done
  sleep 8  # let it paint, also on a loaded machine
  import -window root '$out'
  xdotool key alt+F4
  for _ in \$(seq 1 60); do grep -q '^dispheaders=' '$ini' 2>/dev/null && break; sleep 0.5; done
  '$WINESERVER' -k 2>/dev/null || true
"
"$WINESERVER" -w || true
echo "screenshot: $out"

for f in tavix.exe uninstall.exe; do [ -f "$dir/$f" ] || fail "not installed: $dir/$f"; done
[ -e "$dir/newinstall" ] && fail "the first start did not show the window (newinstall left)"
[ -f "$link" ] || fail "no Start-menu entry: $link"
[ "$(value "$uninst" DisplayName)" = "Orvane Pollarion" ] || fail "no Add/Remove Programs entry"
[ "$(value "$uninst" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[[ "$(value "$uninst" UninstallString)" == *uninstall.exe* ]] || fail "no UninstallString"
[[ "$(value "$run" "Orvane Pollarion")" == *tavix.exe* ]] || fail "no Start with Windows entry"
[ -f "$ini" ] || fail "the installed program wrote no tavix.ini"

"$loader" "$dir/uninstall.exe" /S
"$WINESERVER" -w || true
# The uninstaller copies itself to the temporary folder and runs from there: wait
# until the folder is gone (or give up after a while).
for _ in $(seq 1 60); do [ -e "$dir" ] || break; sleep 0.5; done
[ -e "$dir" ] && fail "left behind: $(ls -A "$dir" | tr '\n' ' ')"
[ -e "$link" ] && fail "the Start-menu entry is still there"
[ -n "$(value "$uninst" DisplayName)" ] && fail "the Add/Remove Programs entry is still there"
[ -n "$(value "$run" "Orvane Pollarion")" ] && fail "the Start with Windows entry is still there"
[ -f "$ini" ] || fail "a silent uninstall removed the user's tavix.ini"
[ $status -eq 0 ] && echo "install test ($build): installed, started, uninstalled: passed"
exit $status
