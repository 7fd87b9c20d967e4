#!/usr/bin/env bash
# End-to-end where nothing keeps the session awake: a headless weston (which offers no idle-inhibit
# protocol) on a private session bus without any desktop service (run under dbus-run-session). Start
# says so on the hint line, and Kivano keeps running.
# Usage: no_awake_e2e.sh KIVANO-BINARY ATSPI-DRIVER
set -uo pipefail
kivano=$1
driver=$2
work=$(mktemp -d)
chmod 700 "$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config WAYLAND_DISPLAY=kivano-no-awake

. "$(dirname "$0")/../support/checks.sh"
press() { timeout 30 /usr/bin/python3 "$driver" press "$1"; }
labels() { timeout 30 /usr/bin/python3 "$driver" labels; }
waitFor() { # tenths of a second, then a command; true once the command succeeds
    local tenths=$1
    shift
    for _ in $(seq 1 "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
waitFor 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$kivano" >"$work/kivano.log" 2>&1 &
kivanoPid=$!
pids+=("$kivanoPid")
check "the window opens" press Start
said() { labels | grep -q 'keeps nothing awake'; }
check "Start says nothing keeps the session awake" waitFor 100 said
check "and stays on: the button reads Stop" press Stop
check "Kivano is still running" kill -0 "$kivanoPid"
checks_done
