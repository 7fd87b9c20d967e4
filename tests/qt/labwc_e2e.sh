#!/usr/bin/env bash
# End-to-end on labwc, a wlroots compositor without an IPC to ask: the real binary in a headless
# labwc, on a private session bus without any desktop service (run under dbus-run-session), driven
# through the accessibility bus. The pointer is read from a second client's pointer events, and a real
# idle daemon (swayidle) judges that the session stays awake while moving and goes idle after Stop.
# Usage: labwc_e2e.sh KIVANO-BINARY POINTER-PROBE ATSPI-DRIVER
set -uo pipefail
kivano=$1
probe=$2
driver=$3
. "$(dirname "$0")/wlroots_lib.sh"

# The probe fills the output; Kivano sits in the lower right, away from the pointer's start.
mkdir -p "$work/labwc"
cat >"$work/labwc/rc.xml" <<'CONFIG'
<?xml version="1.0"?>
<labwc_config>
  <windowRules>
    <windowRule identifier="pointer_probe"><action name="Maximize"/></windowRule>
    <windowRule identifier="kivano"><action name="MoveTo" x="800" y="420"/></windowRule>
  </windowRules>
</labwc_config>
CONFIG
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${runas[@]}" \
    labwc -C "$work/labwc" >"$work/labwc.log" 2>&1 &
pids+=($!)
socketUp() { compgen -G "$work/wayland-*.lock" >/dev/null; }
check "headless $(labwc --version | head -1) runs" waitFor 100 socketUp
lock=$(compgen -G "$work/wayland-*.lock" | head -1)
WAYLAND_DISPLAY=$(basename "${lock%.lock}")
export WAYLAND_DISPLAY
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
QT_QPA_PLATFORM=wayland "$probe" >"$work/probe.log" 2>"$work/probe.err" &
pids+=($!)
probeShown() { grep -q '^shown' "$work/probe.log"; }
waitFor 100 probeShown # the probe first, under Kivano
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$kivano" >"$work/kivano.log" 2>&1 &
kivanoPid=$!
pids+=("$kivanoPid")

check "Kivano's window opens on labwc, its Start button reachable" press Start
moved() { [ "$(motions)" -ge 3 ]; }
waitFor 100 moved
check "Start moves the pointer: the probe saw $(motions) motions over $(positions) places" \
    test "$(positions)" -ge 3
check "no dialog, no refusal on the hint line" no_label 'Desktop refused'

: >"$work/idle.log"
start_swayidle
watch=$((idleSeconds * 4))
sleep "$watch"
check "swayidle never fires while moving (${watch} s, timeout ${idleSeconds} s)" test "$(idles)" = 0
check "with no desktop service on the bus, no notice that nothing keeps it awake" \
    no_label 'Nothing keeps the screen awake'

press Stop
sleep 0.5
stopped=$(motions)
goneIdle() { [ "$(idles)" -ge 1 ]; }
check "swayidle fires after Stop" waitFor 150 goneIdle
check "Stop ends the motions" test "$(motions)" = "$stopped"
press Start
movedAgain() { [ "$(motions)" -gt "$stopped" ]; }
check "a second Start moves again" waitFor 100 movedAgain
before=$(idles)
kill -TERM "$kivanoPid"
wait "$kivanoPid" 2>/dev/null
firedAgain() { [ "$(idles)" -gt "$before" ]; }
check "swayidle fires once Kivano is gone" waitFor 150 firedAgain

wlroots_done labwc.log
