#!/usr/bin/env bash
# End-to-end where nothing keeps the session awake: a headless weston (which offers no idle-inhibit
# protocol) and a stand-in desktop whose portal moves the pointer but which holds no inhibitor (no
# screen saver, no portal Inhibit), on a private session bus (run under dbus-run-session). Start moves
# the pointer and says on the hint line that nothing keeps the session awake.
# Usage: no_awake_e2e.sh KIVANO-BINARY STAND-IN-DESKTOP ATSPI-DRIVER
set -uo pipefail
kivano=$1
standin=$2
driver=$3
work=$(mktemp -d)
chmod 700 "$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config WAYLAND_DISPLAY=kivano-no-awake
calls=$work/calls.log

. "$(dirname "$0")/../support/checks.sh"
press() { timeout 30 /usr/bin/python3 "$driver" press "$1"; }
labels() { timeout 30 /usr/bin/python3 "$driver" labels; }
motions() { grep -c '^motion ' "$calls"; }

/usr/bin/python3 "$standin" "$calls" --no-screensaver --no-inhibit &
pids+=($!)
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
ready() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && grep -q ready "$calls" 2>/dev/null; }
waitFor 100 ready
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$kivano" >"$work/kivano.log" 2>&1 &
kivanoPid=$!
pids+=("$kivanoPid")
check "the window opens" press Start
moving() { [ "$(motions)" -ge 3 ]; }
check "Start moves the pointer through the portal" waitFor 100 moving
said() { grep -qx 'Nothing keeps the screen awake' <<<"$(labels)"; }
check "the hint line says nothing keeps the session awake" waitFor 100 said
check "the button reads Stop: Kivano stays on" press Stop
check "Kivano is still running" kill -0 "$kivanoPid"

if [ "$failed" -gt 0 ]; then
    echo "--- calls"
    cat "$calls"
    echo "--- labels"
    labels
fi
checks_done
