# Sourced by the weston end-to-end scripts (wayland_e2e.sh, no_awake_e2e.sh) with their three
# arguments: a runtime folder of the test's own, the helpers both read with, and the start of the
# stand-in desktop, a headless weston and the accessibility bus.
# Usage (of the scripts): SCRIPT KIVANO-BINARY STAND-IN-DESKTOP ATSPI-DRIVER
kivano=$1
standin=$2
driver=$3
work=$(mktemp -d)
chmod 700 "$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config WAYLAND_DISPLAY=kivano-e2e
calls=$work/calls.log

. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../support/atspi.sh"
motions() { grep -c '^motion ' "$calls"; }
standinReady() { grep -q ready "$calls" 2>/dev/null; }

# The stand-in desktop with the options given; its pid is standinPid.
start_standin() {
    /usr/bin/python3 "$standin" "$calls" "$@" &
    standinPid=$!
    pids+=("$standinPid")
}
# The stand-in (its options as given), a headless weston and the accessibility bus, all ready.
start_desktop() {
    start_standin "$@"
    weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$work/weston.log" 2>&1 &
    pids+=($!)
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    pids+=($!)
    desktopReady() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && standinReady; }
    waitFor 100 desktopReady
}
# Kivano under Wayland, reachable through the accessibility bus; its pid is kivanoPid.
start_kivano() {
    QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$kivano" >"$work/kivano.log" 2>&1 &
    kivanoPid=$!
    pids+=("$kivanoPid")
}
