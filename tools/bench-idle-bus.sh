#!/usr/bin/env bash
# CPU and idle-inhibitor calls of the Qt edition while moving, on a private session bus with no idle
# service at all, on one whose portal lacks the Inhibit interface, and beside a desktop that answers.
# Runs inside an X server (xvfb-run). Usage: tools/bench-idle-bus.sh KIVANO-BINARY [seconds-of-moving]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kivano=$1
seconds=${2:-10}
if [ -z "${KIVANO_BENCH_BUS:-}" ]; then
    for desktop in "none" "--no-screensaver --no-inhibit" "answers"; do
        KIVANO_BENCH_BUS=$desktop dbus-run-session --config-file="$root/tests/qt/test-bus.conf" -- \
            "$0" "$kivano" "$seconds" 2>/dev/null
    done
    exit 0
fi
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work
trap 'kill ${pid:-} ${standin:-} ${monitor:-} 2>/dev/null; rm -rf "$work"' EXIT
case "$KIVANO_BENCH_BUS" in
none) label="no idle service" ;;
answers) label="a desktop that answers"; options="" ;;
*) label="a portal without Inhibit"; options=$KIVANO_BENCH_BUS ;;
esac
if [ "$KIVANO_BENCH_BUS" != none ]; then
    # shellcheck disable=SC2086 # the options are words
    /usr/bin/python3 "$root/tests/qt/standin_desktop.py" "$work/calls.log" $options &
    standin=$!
    for _ in $(seq 1 100); do grep -q ready "$work/calls.log" 2>/dev/null && break; sleep 0.1; done
fi
dbus-monitor --session "type='method_call',member='Inhibit'" >"$work/monitor.log" 2>&1 &
monitor=$!
sleep 0.5
QT_QPA_PLATFORM=xcb "$kivano" >/dev/null 2>&1 &
pid=$!
win=$(timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' | head -1)
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
xdotool mousemove 408 314 click 1 # Start
sleep 1
c0=$(cpu "$pid")
sleep "$seconds"
c1=$(cpu "$pid")
calls=$(grep -c '^method call' "$work/monitor.log")
kill "$pid"
printf 'moving %s s with %s: CPU %.2f s, Inhibit calls %d\n' "$seconds" "$label" \
    "$(awk "BEGIN {print ($c1 - $c0) / $ticks}")" "$calls"
