#!/usr/bin/env bash
# End-to-end under Wayland: the real binary in a headless weston, a stand-in desktop on a private
# session bus (run under dbus-run-session), driven through the accessibility bus. Start opens the
# portal's remote-desktop session and sends the engine's steps as pointer motions; Stop ends them and
# lets the idle inhibitor go; a second Start reuses the session.
# Usage: wayland_e2e.sh KIVANO-BINARY STAND-IN-DESKTOP ATSPI-DRIVER
set -uo pipefail
. "$(dirname "$0")/weston_lib.sh"
held() { grep '^held ' "$calls" | tail -1; }

start_desktop
start_kivano
check "the window opens under Wayland, its Start button reachable" press Start
moving() { [ "$(motions)" -ge 3 ]; }
waitFor 50 moving
check "Start opens the remote-desktop session" grep -q '^RemoteDesktop.Start answer=0' "$calls"
check "the desktop's one dialog asked for the pointer" \
    grep -q '^RemoteDesktop.SelectDevices types=2' "$calls"
check "the first motion is one pixel right and one down" \
    test "$(grep -m1 '^motion ' "$calls")" = "motion 1 1"
check "motions follow at the engine's pace ($(motions))" test "$(motions)" -ge 3
check "the session is kept awake while moving ($(held))" test "$(held)" = "held 1"
press Stop
sleep 0.5
stopped=$(motions)
sleep 1
check "Stop ends the motions" test "$(motions)" = "$stopped"
check "Stop lets the inhibitor go ($(held))" test "$(held)" = "held 0"
press Start
movingAgain() { [ "$(motions)" -gt "$stopped" ]; }
waitFor 50 movingAgain
check "a second Start moves again" test "$(motions)" -gt "$stopped"
check "and reuses the session" test "$(grep -c '^RemoteDesktop.CreateSession' "$calls")" = 1

# The desktop's dialog cancelled: the window says so, keeps the session awake, and the next Start,
# pressed as a screen reader would, asks once more.
kill "$standinPid" "$kivanoPid"
wait "$standinPid" "$kivanoPid" 2>/dev/null
: >"$calls"
start_standin --start-answer 1
waitFor 100 standinReady
start_kivano
press Start
refused() { grep -q 'Desktop refused' <<<"$(labels)"; }
waitFor 50 refused
check "a cancelled dialog is said on the hint line" grep -qx 'Desktop refused: press Stop, then Start' <<<"$(labels)"
check "the button stays Stop while the session is kept awake ($(held))" test "$(held)" = "held 1"
check "nothing moves" test "$(motions)" = 0
press Stop
press Start
askedAgain() { [ "$(grep -c '^RemoteDesktop.Start' "$calls")" -ge 2 ]; }
waitFor 50 askedAgain
sleep 0.5
check "the next Start asks the desktop once more" test "$(grep -c '^RemoteDesktop.Start' "$calls")" = 2

if [ "$failed" -gt 0 ] || [ -n "${KIVANO_SHOW_CALLS:-}" ]; then
    echo "--- calls"
    cat "$calls"
    echo "--- kivano"
    tail -20 "$work/kivano.log"
fi
checks_done
