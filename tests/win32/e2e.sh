#!/usr/bin/env bash
# End-to-end on the real Win32 exe under Wine, checked from outside: the driver reads the windows,
# xdotool the pointer, `wine reg` the registry. Run inside an X server (xvfb-run).
# Usage: e2e.sh PREFIX-FOLDER KIVANO-EXE DRIVER-EXE
set -uo pipefail
. "$(dirname "$0")/wine-env.sh" "$1"
exe=$2
driver=$3
key='HKCU\Software\Olberin\Kivano\Settings'

. "$(dirname "$0")/../support/checks.sh"
drive() { timeout 30 wine "$driver" "$@" 2>/dev/null | tr -d '\r'; }
pointer() { xdotool getmouselocation | cut -d' ' -f1-2; }
start() {
    (cd "$(dirname "$exe")" && timeout 300 wine "$exe" >/dev/null 2>&1) &
    pid=$!
    drive wait Kivano >/dev/null
}
finish() {
    drive close Kivano >/dev/null
    timeout 30 tail --pid="$pid" -f /dev/null
    timeout 30 wineserver -w
}
trap 'timeout 20 wineserver -k' EXIT

timeout 60 wine reg delete "$key" /f >/dev/null 2>&1

# First start: place, size and the boxes' start values.
start
expect "client area at 184,247, 253 x 135" "client 184,247 253x135" "$(drive rect Kivano)"
expect "delay box" "0.1" "$(drive text Kivano edDelay)"
expect "speed box" "3" "$(drive text Kivano edSpeed)"
expect "randomize box" "2" "$(drive text Kivano edRandomize)"

# Start moves the real pointer; Stop stops it.
xdotool mousemove 300 300
drive click Kivano cbStart
sleep 1.5
expect "Start relabels the button" "Stop" "$(drive text Kivano cbStart)"
moved=$(pointer)
[ "$moved" != "x:300 y:300" ] && moved=yes
expect "the pointer moved by itself" "yes" "$moved"
# Each move reaches the session's idle timer (moves come every 0.2 s).
idle=$(drive idle)
expect "while moving the idle time stays short ($idle ms)" "yes" "$([ "${idle:-99999}" -lt 1000 ] && echo yes)"
# A locked session: nothing moves and nothing reaches the idle timer, until the unlock.
drive session Kivano lock
sleep 0.5
before=$(pointer)
sleep 1.5
idle=$(drive idle)
expect "under the lock the pointer stays still" "$before" "$(pointer)"
expect "and the idle time grows ($idle ms)" "yes" "$([ "${idle:-0}" -ge 1500 ] && echo yes)"
drive session Kivano unlock
sleep 1
expect "the unlock moves it again, no key pressed" "yes" "$([ "$(pointer)" != "$before" ] && echo yes)"
drive click Kivano cbStart
sleep 0.5
before=$(pointer)
sleep 1.5
expect "Stop stops it" "$before" "$(pointer)"
idle=$(drive idle)
expect "after Stop the idle time grows ($idle ms)" "yes" "$([ "${idle:-0}" -ge 1500 ] && echo yes)"
expect "Stop relabels the button" "Start" "$(drive text Kivano cbStart)"

# Timer... opens the set-up dialog with one minute each; "a" opens the About box.
drive click Kivano cbTimer
expect "Timer... opens the dialog" "0" "$(drive wait 'Set up Timer' >/dev/null; echo $?)"
expect "work period shows 1" "1" "$(drive text 'Set up Timer' edWork)"
drive click 'Set up Timer' CancelButton
sleep 0.5
drive char Kivano a
expect "a opens the About box" "0" "$(drive wait 'About Kivano' >/dev/null; echo $?)"
expect "version line" "Version 2.2.0" "$(drive text 'About Kivano' lblVersion)"
drive click 'About Kivano' cmdOK
sleep 0.5

# Closing stores the values as strings; they come back on the next start.
finish
stored=$(timeout 60 wine reg query "$key" 2>/dev/null | tr -d '\r' | sed -E 's/^ +//; s/ +/ /g')
expect "Time Delay stored" "1" "$(grep -c '^Time Delay REG_SZ 1$' <<<"$stored")"
expect "Speed stored" "1" "$(grep -c '^Speed REG_SZ 3$' <<<"$stored")"
expect "Randomise stored" "1" "$(grep -c '^Randomise REG_SZ 2$' <<<"$stored")"

timeout 60 wine reg add "$key" /v "Time Delay" /t REG_SZ /d 15 /f >/dev/null 2>&1
timeout 60 wine reg add "$key" /v Speed /t REG_SZ /d 4.2 /f >/dev/null 2>&1
timeout 60 wine reg add "$key" /v Randomise /t REG_SZ /d 0.7 /f >/dev/null 2>&1
start
expect "stored delay comes back" "1.5" "$(drive text Kivano edDelay)"
expect "stored speed comes back" "4.2" "$(drive text Kivano edSpeed)"
expect "stored randomize comes back" "0.7" "$(drive text Kivano edRandomize)"
finish

checks_done
