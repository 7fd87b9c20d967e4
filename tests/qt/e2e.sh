#!/usr/bin/env bash
# End-to-end on the real Qt binary under Xvfb, checked from outside with xdotool.
# With a stand-in desktop on a private session bus (run under dbus-run-session), the session's idle
# inhibitor is checked too.
# Usage: e2e.sh KIVANO-BINARY XCLOSE-BINARY [STAND-IN-DESKTOP]   (inside an X server: xvfb-run)
set -euo pipefail
kivano=$1
xclose=$2
standin=${3:-}
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
store=$XDG_CONFIG_HOME/kivano/user.reg
calls=$XDG_CONFIG_HOME/calls.log
trap 'kill "${pid:-0}" "${desktop:-0}" 2>/dev/null || true; rm -rf "$XDG_CONFIG_HOME"' EXIT
. "$(dirname "$0")/../support/checks.sh"
if [ -n "$standin" ]; then
    /usr/bin/python3 "$standin" "$calls" &
    desktop=$!
    standinReady() { grep -q ready "$calls" 2>/dev/null; }
    waitFor 100 standinReady
fi
# The inhibitors the stand-in desktop holds for Kivano now: "held N" as it last said.
held() { grep '^held ' "$calls" | tail -1; }


start() {
    QT_QPA_PLATFORM=xcb "$kivano" 2>/dev/null &
    pid=$!
    win=$(timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' | head -1)
}

stop() {
    "$xclose" "$win"
    timeout 10 tail --pid="$pid" -f /dev/null
}

# 1. The window stands at its place with its size; closing stores the start values.
start
geometry=$(xdotool getwindowgeometry "$win")
check "window at 184,247" grep -q "Position: 184,247" <<<"$geometry"
check "window 253 x 135" grep -q "Geometry: 253x135" <<<"$geometry"
stop
check "closing stores Time Delay 1" grep -q '"Time Delay"="1"' "$store"
check "closing stores Speed 3" grep -q '"Speed"="3"' "$store"
check "closing stores Randomise 2" grep -q '"Randomise"="2"' "$store"

# 2. Stored values come back on the next start (and so are stored again unchanged).
sed -i -e 's/"Time Delay"="1"/"Time Delay"="15"/' -e 's/"Speed"="3"/"Speed"="4.2"/' \
    -e 's/"Randomise"="2"/"Randomise"="0.7"/' "$store"
start
stop
check "the next start loaded 15, 4.2, 0.7" grep -q '"Speed"="4.2"' "$store"
check "delay kept" grep -q '"Time Delay"="15"' "$store"
check "randomise kept" grep -q '"Randomise"="0.7"' "$store"

# 3. Start moves the real pointer, and the bounce keeps it about the window.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]\r\n"Time Delay"="1"\r\n"Speed"="40"\r\n"Randomise"="0"\r\n' >"$store"
start
xdotool mousemove 240 324 click 1 # udSpeed's up arrow: speed 40.1, and the step takes it
xdotool mousemove 408 314 click 1 # Start
sleep 0.5
first=$(xdotool getmouselocation --shell | grep -E '^[XY]=' | tr '\n' ' ')
xs=()
for _ in $(seq 1 50); do
    sleep 0.2
    eval "$(xdotool getmouselocation --shell)"
    xs+=("$X")
done
eval "$(xdotool getmouselocation --shell)"
check "the pointer moved by itself" test "X=$X Y=$Y " != "$first"
min=$(printf '%s\n' "${xs[@]}" | sort -n | head -1)
max=$(printf '%s\n' "${xs[@]}" | sort -n | tail -1)
echo "pointer x ranged over $min..$max"
# A move uses the step as it stood before the tick's bounce, so the pointer turns at most two steps
# (2 x 40 px) beyond the window's edges, 184 and 437.
check "turned back at the left edge" test "$min" -ge 104 -a "$min" -le 230
check "turned back at the right edge" test "$max" -le 517 -a "$max" -ge 390
# Each move resets the X server's idle time, as the screen saver and display power saving see it, and
# reaches those that read the input devices' own events (XInput2 raw motion, as xscreensaver does).
idle=$(xprintidle)
check "while moving the X idle time stays short ($idle ms)" test "$idle" -lt 1000
raw=$(timeout 2 xinput test-xi2 --root 2>/dev/null | grep -c '(RawMotion)' || true)
check "while moving the input devices move too ($raw raw motions in 2 s)" test "$raw" -ge 5
[ -n "$standin" ] && check "while moving the session's idle is inhibited ($(held))" test "$(held)" = "held 1"
xdotool mousemove 408 314 click 1 # Stop
idleGrew() { [ "$(xprintidle)" -ge 1500 ]; }
check "after Stop the X idle time grows" waitFor 50 idleGrew
holding() { [ "$(held)" = "held $1" ]; }
[ -n "$standin" ] && check "Stop lets the inhibitor go" waitFor 30 holding 0
if [ -n "$standin" ]; then
    xdotool mousemove 408 314 click 1 # Start again, then close while moving
    check "a second Start holds one again" waitFor 30 holding 1
fi
stop
if [ -n "$standin" ]; then
    check "closing while moving lets it go" waitFor 30 holding 0
    check "one inhibitor at a time, two in all" test "$(grep -c 'ScreenSaver.Inhibit' "$calls")" = 2
fi

checks_done
