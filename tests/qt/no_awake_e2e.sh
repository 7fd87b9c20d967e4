#!/usr/bin/env bash
# End-to-end where nothing keeps the session awake: a headless weston (which offers no idle-inhibit
# protocol) and a stand-in desktop whose portal moves the pointer but which holds no inhibitor (no
# screen saver, no portal Inhibit), on a private session bus (run under dbus-run-session). Start moves
# the pointer and says on the hint line that nothing keeps the session awake.
# Usage: no_awake_e2e.sh KIVANO-BINARY STAND-IN-DESKTOP ATSPI-DRIVER
set -uo pipefail
. "$(dirname "$0")/weston_lib.sh"

start_desktop --no-screensaver --no-inhibit
start_kivano
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
