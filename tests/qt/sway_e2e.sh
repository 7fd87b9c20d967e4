#!/usr/bin/env bash
# End-to-end on a wlroots compositor: the real binary in a headless Sway, on a private session bus
# without any desktop service (run under dbus-run-session), driven through the accessibility bus.
# Start moves the pointer through the compositor's virtual pointer with no dialog, and holds the
# compositor's idle inhibitor on the window; a real idle daemon (swayidle) judges that the session
# stays awake while moving and goes idle after Stop and after close. The pointer is read from a second
# client's pointer events.
# Usage: sway_e2e.sh KIVANO-BINARY POINTER-PROBE ATSPI-DRIVER
set -uo pipefail
kivano=$1
probe=$2
driver=$3
. "$(dirname "$0")/wlroots_lib.sh"
# The compositor's own word on Kivano's window: does an inhibitor of the application keep it awake?
inhibiting() {
    timeout 10 swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(n):
    yield n
    for k in ("nodes", "floating_nodes"):
        for c in n.get(k, []):
            yield from walk(c)
views = [n for n in walk(json.load(sys.stdin)) if n.get("app_id") == "kivano"]
print(views[0].get("inhibit_idle") if views else "gone")'
}

cat >"$work/config" <<'CONFIG'
default_border none
# Kivano floats in the top-left corner over the probe, which fills the output: both stay visible.
for_window [app_id="kivano"] floating enable, move position 0 0
CONFIG
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${runas[@]}" \
    sway -c "$work/config" >"$work/sway.log" 2>&1 &
pids+=($!)
socketsUp() { compgen -G "$work/sway-ipc.*.sock" >/dev/null && compgen -G "$work/wayland-*.lock" >/dev/null; }
waitFor 100 socketsUp
SWAYSOCK=$(compgen -G "$work/sway-ipc.*.sock" | head -1)
lock=$(compgen -G "$work/wayland-*.lock" | head -1)
WAYLAND_DISPLAY=$(basename "${lock%.lock}")
export SWAYSOCK WAYLAND_DISPLAY
check "headless Sway runs ($(timeout 10 swaymsg -t get_version | grep -o '"human_readable": "[^"]*"'))" \
    timeout 10 swaymsg -t get_version
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

QT_QPA_PLATFORM=wayland "$probe" >"$work/probe.log" 2>"$work/probe.err" &
pids+=($!)
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$kivano" >"$work/kivano.log" 2>&1 &
kivanoPid=$!
pids+=("$kivanoPid")
shown() { [ "$(inhibiting)" = False ]; }
check "Kivano's window opens on Sway, holding no inhibitor" waitFor 100 shown
# The pointer over the probe, away from Kivano's window.
timeout 10 swaymsg seat seat0 cursor set 900 500 >/dev/null

press Start
moved() { [ "$(motions)" -ge 3 ]; }
waitFor 100 moved
check "Start moves the pointer: the probe saw $(motions) motions over $(positions) places" \
    test "$(positions)" -ge 3
check "no dialog, no refusal on the hint line" no_label 'Desktop refused'
check "the compositor reports the window inhibiting idle ($(inhibiting))" test "$(inhibiting)" = True

# The judge, a real idle daemon. Sway 1.7 counts no activity while an inhibitor is honoured, so each
# half is judged on its own: the inhibitor with the window shown, the motions with it hidden.
: >"$work/idle.log"
start_swayidle
watch=$((idleSeconds * 4))
sleep "$watch"
check "swayidle never fires while moving with the window shown (${watch} s, timeout ${idleSeconds} s)" \
    test "$(idles)" = 0
check "with no desktop service on the bus, no notice that nothing keeps it awake" \
    no_label 'Nothing keeps the screen awake'
timeout 10 swaymsg '[app_id="kivano"] move scratchpad' >/dev/null
notInhibiting() { [ "$(inhibiting)" = False ]; }
check "hidden, the window's inhibitor no longer counts ($(inhibiting))" waitFor 50 notInhibiting
seen=$(motions)
sleep "$watch"
check "the motions alone keep swayidle from firing (${watch} s, $(($(motions) - seen)) motions)" \
    test "$(idles)" = 0
timeout 10 swaymsg '[app_id="kivano"] scratchpad show' >/dev/null
inhibits() { [ "$(inhibiting)" = True ]; }
check "shown again, it inhibits again" waitFor 50 inhibits

press Stop
check "Stop releases the inhibitor" waitFor 50 notInhibiting
sleep 0.5
stopped=$(motions)
goneIdle() { [ "$(idles)" -ge 1 ]; }
check "swayidle fires after Stop" waitFor 150 goneIdle
check "Stop ends the motions" test "$(motions)" = "$stopped"

# Start with the window hidden: the daemon sees the virtual pointer's motions as activity.
timeout 10 swaymsg '[app_id="kivano"] move scratchpad' >/dev/null
press Start
movedAgain() { [ "$(motions)" -gt "$stopped" ]; }
check "a second Start moves again" waitFor 100 movedAgain
resumed() { [ "$(resumes)" -ge 1 ]; }
check "swayidle sees the motions as activity" waitFor 100 resumed
before=$(idles)
timeout 10 swaymsg '[app_id="kivano"] kill' >/dev/null
exited() { ! kill -0 "$kivanoPid" 2>/dev/null; }
check "closing the window while moving ends Kivano" waitFor 100 exited
wait "$kivanoPid"
expect "and it exits cleanly" 0 "$?"
firedAgain() { [ "$(idles)" -gt "$before" ]; }
check "swayidle fires once Kivano is gone" waitFor 150 firedAgain

wlroots_done sway.log
