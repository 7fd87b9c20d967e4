#!/usr/bin/env bash
# The Qt edition's wake-ups (voluntary context switches a second, all its threads) while moving, while
# the session is locked, and after the unlock; the lock told by python3-dbusmock's logind on a private
# bus that serves as both the system and the session bus. Runs inside an X server (xvfb-run).
# Usage: tools/bench-lock.sh KIVANO-BINARY [seconds-each]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kivano=$1
seconds=${2:-10}
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${KIVANO_BENCH_INSIDE:-}" ]; then
    exec env KIVANO_BENCH_INSIDE=1 dbus-run-session --config-file="$root/tests/qt/test-bus.conf" -- "$0" "$@" 2>/dev/null
fi
export DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS XDG_SESSION_ID=c1
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work
trap 'kill ${pid:-} ${logind:-} 2>/dev/null; rm -rf "$work"' EXIT
/usr/bin/python3 -m dbusmock --session --template logind >/dev/null 2>&1 &
logind=$!
mock() { gdbus call --session --dest org.freedesktop.login1 "$@" >/dev/null; }
for _ in $(seq 1 100); do mock --object-path /org/freedesktop/login1 --method org.freedesktop.DBus.Mock.AddSession \
    c1 seat0 1000 kivano true 2>/dev/null && break; sleep 0.1; done
locked() { mock --object-path /org/freedesktop/login1/session/c1 --method org.freedesktop.login1.Session.SetLockedHint "$1"; }

QT_QPA_PLATFORM=xcb "$kivano" >/dev/null 2>&1 &
pid=$!
timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' >/dev/null
switches() { cat /proc/"$pid"/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
pointer() { xdotool getmouselocation | cut -d' ' -f1-2; }
measure() { # LABEL
    local s0 p0 s1
    s0=$(switches)
    p0=$(pointer)
    sleep "$seconds"
    s1=$(switches)
    printf '%-22s %6.1f wake-ups/s, pointer %s\n' "$1" "$(awk "BEGIN {print ($s1 - $s0) / $seconds}")" \
        "$([ "$(pointer)" = "$p0" ] && echo still || echo moved)"
}
xdotool mousemove 408 314 click 1 # Start
sleep 1
measure "moving"
locked true
sleep 0.5
measure "locked"
locked false
sleep 0.5
measure "after the unlock"
