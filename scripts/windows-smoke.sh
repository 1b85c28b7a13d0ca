#!/usr/bin/env bash
# A smoke run of a built Windows program as users run it: a tavix.ini in the prefix's
# Windows folder with automatic polling of a loopback server of our own, the window
# shown at start (the "newinstall" marker) on a Wine virtual desktop in Xvfb. Checks the
# request bytes the server receives, saves the screenshot beside the program (and one
# with the address box's hint shown after the mouse rests on it, hint.png), closes
# the window as a user does (Alt+F4, the save question cancelled) and checks that the
# settings file was written at the end. Then the program is started again hidden in the
# notification area while the server fails (each connection closed unanswered): its
# icon must turn to the red-marked picture (tray-down.png, with the balloon; tray-tip.png
# with the tip), and, the server answering again and a poll made from the window (shown
# by a click on the icon, hidden again with its button), to the green-marked one
# (tray-up.png). The icon is found on the screenshots pixel for pixel
# (windows-tray-icon.py).
# Usage: windows-smoke.sh [build-win32|build-win64]   (default: build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-env.sh
build=${1:-build-win32}
[ -f "$build/tavix.exe" ] || scripts/windows-build.sh "${build#build-}"
loader=$(win_loader "$build")
win_prefix
ini=$WINEPREFIX/drive_c/windows/tavix.ini
out=$PWD/$build/screenshot.png
hint=$PWD/$build/hint.png
down=$PWD/$build/tray-down.png
tip=$PWD/$build/tray-tip.png
up=$PWD/$build/tray-up.png
run=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$run" "$ini"
}
trap cleanup EXIT
cp "$build/tavix.exe" "$run/"
rm -f "$down" "$tip" "$up"  # none of an earlier run is taken for this one's
: >"$run/newinstall"
rm -f "$ini"

python3 scripts/windows-smoke-server.py "$run/port" "$run/request" 300 "$run/down" &
server_pid=$!
for _ in $(seq 1 100); do
  [ -s "$run/port" ] && break
  sleep 0.1
done
port=$(cat "$run/port")
# No dispheaders key: the program writes all four when it ends. The window at a known
# place, so that the mouse can rest on the address box.
printf '[settings]\r\nurl=127.0.0.1:%s\r\nfreq=1\r\nautopoll=1\r\n[window]\r\nNormPos=20,20,507,463\r\n' \
  "$port" >"$ini"

cat >"$run/smoke.sh" <<INNER
set -u
cd "$run"
# A Wine virtual desktop: Wine then draws the window frame and caption itself, as
# there is no window manager on this display.
"$loader" explorer /desktop=tavix,640x480 tavix.exe &
pid=\$!
# The window is shown when the marker is gone; the poll is done when the server
# has the request.
for _ in \$(seq 1 240); do
  [ ! -e newinstall ] && [ -e request ] && break
  sleep 0.5
done
sleep 2  # let the log line and the controls paint
import -window root "$out"
# The mouse rests on the address box (frame and caption above the panel): its hint
# shows after the hover delay.
xdotool mousemove 300 70
sleep 0.2
xdotool mousemove 302 71
sleep 2
import -window root "$hint"
# Close as a user does; the save question for the non-empty log is cancelled.
xdotool key alt+F4
for _ in \$(seq 1 120); do
  grep -q '^dispheaders=' "$ini" && break
  xdotool key Escape
  sleep 0.5
done
kill \$pid 2>/dev/null
"$WINESERVER" -k 2>/dev/null || true
cp "$ini" settings-end 2>/dev/null

# The notification icon's picture on a screenshot taken now (MARK X Y, or none).
tray_icon() {
  import -window root "\$1"
  python3 "$PWD/scripts/windows-tray-icon.py" "\$1"
}
# Waits (60 s at most) until the icon shows the picture \$1; leaves its place in x, y.
wait_icon() {
  for _ in \$(seq 1 40); do
    read -r mark x y < <(tray_icon icon.png)
    [ "\$mark" = "\$1" ] && return 0
    sleep 0.5
  done
  return 1
}
# The window is shown when the place of its Poll Now button differs from the desktop.
window_shown() {
  import -window root window.png
  [ "\$(convert window.png -format '%[pixel:p{300,108}]|%[pixel:p{600,300}]' info: |
    awk -F'|' '{ print (\$1 != \$2) }')" = 1 ]
}

# Hidden in the notification area (no marker), the server failing from the start.
: >down
"$loader" explorer /desktop=tavix,640x480 tavix.exe &
pid=\$!
if wait_icon down; then
  sleep 1  # the balloon
  tray_icon "$down" >mark-down
  xdotool mousemove \$((x + 8)) \$((y + 8))
  sleep 2  # the tip shows after the hover delay
  import -window root "$tip"
  rm -f down
  # A click on the icon shows the window; Poll Now, then Hide.
  xdotool click 1
  for _ in \$(seq 1 40); do window_shown && break; sleep 0.5; done
  xdotool mousemove 300 108 click 1
  sleep 0.5
  xdotool mousemove 440 145 click 1
  wait_icon up && sleep 1  # the balloon
  tray_icon "$up" >mark-up
else
  import -window root "$down"
  echo "\$mark" >mark-down
fi
kill \$pid 2>/dev/null
"$WINESERVER" -k 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 640x480x24" bash "$run/smoke.sh"
"$WINESERVER" -w || true
echo "screenshots: $out $hint $down $tip $up"

status=0
expected=$(printf '%s\r\n' "HEAD / HTTP/1.0" "Host: 127.0.0.1:$port" \
  "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff" \
  "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript" \
  "User-Agent: Pollarion" "Referer: Pollarion" \
  "Content-type: application/x-www-form-urlencoded" ""; echo x)
if [ ! -e "$run/request" ]; then
  echo "smoke ($build): the server received no request" >&2
  status=1
else
  echo "smoke ($build): request bytes received:"
  cat -A "$run/request"
  got=$(cat "$run/request"; echo x)
  [ "$got" = "${expected}" ] || { echo "smoke ($build): unexpected request bytes" >&2; status=1; }
fi
echo "smoke ($build): settings file at the end:"
cat -A "$run/settings-end" 2>/dev/null || true
for line in "url=127.0.0.1:$port" freq=1 autopoll=1 dispheaders=0; do
  tr -d '\r' <"$run/settings-end" 2>/dev/null | grep -qx "$line" ||
    { echo "smoke ($build): the settings file lacks \"$line\"" >&2; status=1; }
done
# The notification icon: red mark while the server failed, green once it answered.
for state in down up; do
  read -r mark _ 2>/dev/null <"$run/mark-$state" || mark=none
  echo "smoke ($build): tray icon with the server $state: $mark"
  [ "$mark" = "$state" ] ||
    { echo "smoke ($build): the tray icon does not show \"$state\"" >&2; status=1; }
done
[ $status -eq 0 ] && echo "smoke ($build): passed"
exit $status
