#!/usr/bin/env bash
# Starts the 64-bit Windows program under wine64 on a virtual X display, with the
# "newinstall" marker beside it so that it shows its main window at once, and saves
# what the screen shows as build-win64/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
[ -f build-win64/tavix.exe ] || scripts/windows-build.sh win64
win_prefix
out=$PWD/build-win64/screenshot.png
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp build-win64/tavix.exe "$run/"
: >"$run/newinstall"

cat >"$run/shot.sh" <<INNER
set -u
cd "$run"
# A Wine virtual desktop: Wine then draws the window frame and caption itself, as
# there is no window manager on this display.
"$WINE64" explorer /desktop=tavix,640x480 tavix.exe &
pid=\$!
# The program deletes the marker when it shows its window.
for _ in \$(seq 1 60); do
  [ ! -e newinstall ] && break
  sleep 0.5
done
sleep 3  # let the window and its controls paint
import -window root "$out"
kill \$pid 2>/dev/null
"$WINESERVER" -k 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 640x480x24" bash "$run/shot.sh"
"$WINESERVER" -w || true
echo "screenshot: $out"
