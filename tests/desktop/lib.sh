# Sourced by the real-desktop scripts (gnome.sh, kde.sh): a private system bus and session bus that
# activate nothing but the desktop's portal services, the accessibility bus, processes that all end
# with the script, Kivano started as a launcher starts it, and the checks that read the real desktop
# from outside.
# The including script sets `desktop` (its name) before sourcing.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
check_ok=PASS
check_failed=FAIL
. "$repo/tests/support/checks.sh"

# Everything this script starts stays in its process group, so that the end can find all of it.
if [ "$(ps -o pgid= $$ | tr -d ' ')" != "$$" ]; then
    exec setsid --wait bash "$0" "$@"
fi

kivano=${KIVANO:-$repo/build/ci/ui/qt/kivano}
idle_watch=${KIVANO_IDLE_WATCH:-$repo/build/ci/tests/idle_watch}
app_id=com.olberin.Kivano
work=$(mktemp -d "/tmp/kivano-$desktop.XXXXXX")
chmod 700 "$work"
pids=()
scopes=()

say() { echo "== $desktop ($SECONDS s): $*"; }

finish() {
    local code=$?
    trap - EXIT INT TERM
    [ ${#pids[@]} -gt 0 ] && kill -TERM "${pids[@]}" 2>/dev/null
    # Whatever they started in turn is still in this process group; give it a moment, then end it.
    for _ in $(seq 1 30); do
        [ -z "$(stragglers)" ] && break
        sleep 0.1
    done
    local left
    left=$(stragglers)
    # shellcheck disable=SC2086 # one PID a word
    [ -n "$left" ] && kill -KILL $left 2>/dev/null
    local scope
    for scope in "${scopes[@]}"; do rmdir "$scope" 2>/dev/null; done
    if [ "$code" -ne 0 ] || [ -n "${KIVANO_DESKTOP_LOGS:-}" ]; then
        local log
        for log in "$work"/*.log; do
            echo "--- $(basename "$log")"
            tail -n "${KIVANO_DESKTOP_LOG_LINES:-15}" "$log"
        done
    fi
    rm -rf "$work"
    exit "$code"
}
trap finish EXIT
trap 'exit 1' INT TERM

# This process group's members other than this shell, and other than the subshell asking and its ps.
stragglers() {
    local me=$BASHPID
    ps -e -o pid= -o ppid= -o pgid= | awk -v group=$$ -v me="$me" '$3 == group && $1 != group && $1 != me && $2 != me { print $1 }'
}

# spawn NAME COMMAND...: runs it in the background, output in $work/NAME.log, ended with the script.
spawn() {
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    pids+=($!)
}

# until_ok SECONDS COMMAND...: checks.sh's waitFor, counted in seconds, the command's output unseen.
until_ok() { waitFor $(($1 * 10)) "${@:2}" >/dev/null 2>&1; }

need() { # a file the run cannot go without
    [ -e "$1" ] || { echo "FAIL: $desktop: $1 is missing (tools/deps.sh desktop, then the ci build)"; exit 1; }
}

# A bus from a config that names no service folder but ours: nothing is activated on it but the
# desktop's portal services this script names (`activatable`), as a desktop starts them again on demand.
bus_config() { # TYPE FILE SOCKET
    mkdir -p "$work/services-$1"
    cat >"$2" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$1</type>
  <listen>unix:path=$3</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services-$1</servicedir>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
}

start_buses() {
    bus_config system "$work/system.conf" "$work/system_bus"
    bus_config session "$work/session.conf" "$work/session_bus"
    spawn system-bus dbus-daemon --nofork --nopidfile --config-file="$work/system.conf"
    spawn session-bus dbus-daemon --nofork --nopidfile --config-file="$work/session.conf"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system_bus
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/session_bus
    until_ok 10 dbus-send --session --dest=org.freedesktop.DBus --type=method_call / org.freedesktop.DBus.Peer.Ping &&
        until_ok 10 dbus-send --system --dest=org.freedesktop.DBus --type=method_call / org.freedesktop.DBus.Peer.Ping ||
        { echo "FAIL: $desktop: the private buses did not start"; exit 1; }
    # The accessibility bus, so that the desktop's dialog and Kivano can be driven as a screen reader does.
    spawn a11y-bus /usr/libexec/at-spi-bus-launcher --launch-immediately
    until_ok 10 owned org.a11y.Bus || { echo "FAIL: $desktop: no accessibility bus"; exit 1; }
    # Every call to the portal and its backends, for counting dialogs and sessions and summing Kivano's motions;
    # every start and end of the portal's back ends; the portal's word to Kivano that its session ended.
    spawn monitor dbus-monitor --session "type='method_call',interface='org.freedesktop.portal.RemoteDesktop'" \
        "type='method_call',interface='org.freedesktop.impl.portal.RemoteDesktop'" \
        "type='signal',member='NameOwnerChanged',arg0namespace='org.freedesktop.impl.portal'" \
        "type='signal',interface='org.freedesktop.portal.Session',member='Closed'"
}

# The portal's services, started by the bus on the first call that needs them and again after they
# end, as on a desktop: one of each, as the desktop has (GNOME 48's back end gets its display from the
# shell once, so a second one would serve only settings and would inherit the name).
activatable() { # NAME...
    local name
    mkdir -p "$work/services-session"
    for name in "$@"; do
        cp "/usr/share/dbus-1/services/$name.service" "$work/services-session/"
    done
}

# A fresh home and runtime folder, and only this desktop's portal backends.
session_env() { # PORTAL-FILE...
    mkdir -p "$work/home" "$work/run" "$work/portals" "$work/config" "$work/share" "$work/xdg"
    chmod 700 "$work/run"
    export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share
    export XDG_CACHE_HOME=$work/home/.cache XDG_SESSION_TYPE=wayland XDG_DESKTOP_PORTAL_DIR=$work/portals
    # No autostart folder of the machine's: the session runs only what this script names.
    export XDG_CONFIG_DIRS=$work/xdg
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
    local p
    for p in "$@"; do # (GNOME 48 has no gnome-shell.portal)
        [ -e "/usr/share/xdg-desktop-portal/portals/$p.portal" ] && cp "/usr/share/xdg-desktop-portal/portals/$p.portal" "$work/portals/"
    done
    activatable org.freedesktop.portal.Desktop org.freedesktop.impl.portal.PermissionStore
    for p in "$@"; do
        [ -e "/usr/share/dbus-1/services/org.freedesktop.impl.portal.desktop.$p.service" ] &&
            activatable "org.freedesktop.impl.portal.desktop.$p"
    done
    [ -k /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
}

gdbus_call() { timeout 10 gdbus call --session "$@" 2>/dev/null; }
owned() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    "string:$1" 2>/dev/null | grep 'boolean true' >/dev/null; }

# Kills this session's processes whose command line holds PATTERN, with SIGNAL (default KILL): the bus
# starts some of them, so they are no children of this script's.
kill_ours() { # PATTERN [SIGNAL]
    local p found=1
    for p in $(pgrep -f "$1"); do
        grep -qzx "XDG_RUNTIME_DIR=$work/run" "/proc/$p/environ" 2>/dev/null && kill -"${2:-KILL}" "$p" && found=0
    done
    return $found
}

# The portal, whose start has the bus start its back ends. A back end stuck in its own start holds the
# front end back (GNOME's on Debian 12, about one start in seven): then both are started once more.
start_portal() {
    local try
    for try in 1 2; do
        spawn "portal-$try" /usr/libexec/xdg-desktop-portal --replace
        until_ok 20 owned org.freedesktop.portal.Desktop && return 0
        kill "${pids[-1]}" 2>/dev/null
        kill_ours xdg-desktop-portal-
        [ "$try" -eq 1 ] && echo "NOTE: $desktop: the portal did not come up within 20 s: started once more"
    done
    echo "FAIL: $desktop: no portal"
    exit 1
}

# Starts Kivano in a cgroup scope named after its app id, under a user manager's app.slice, as a desktop's
# launcher would: the portal reads the app id from there (through libsystemd) and the desktop names the
# application in its dialog.
kivano_runs=0
start_kivano() {
    kivano_runs=$((kivano_runs + 1))
    local root dir procs=()
    for root in $(awk '$3 == "cgroup2" || ($3 == "cgroup" && $4 ~ /name=systemd/) { print $2 }' /proc/mounts); do
        dir=$root
        for part in user.slice user-$(id -u).slice user@$(id -u).service app.slice app-$app_id-$$$kivano_runs.scope; do
            dir=$dir/$part
            [ -d "$dir" ] && continue
            mkdir "$dir" 2>/dev/null || continue 2
            scopes=("$dir" "${scopes[@]}") # removed innermost first, and only what was made here
        done
        procs+=("$dir/cgroup.procs")
    done
    spawn "kivano-$kivano_runs" sh -c 'for f in "$@"; do [ "$f" = -- ] && break; echo $$ >"$f"; done
        while [ "$1" != -- ]; do shift; done; shift; exec "$@"' sh "${procs[@]}" -- \
        env QT_QPA_PLATFORM="${kivano_platform:-wayland}" "$kivano"
    kivano_pid=${pids[-1]}
}

stop_kivano() {
    kill -TERM "$kivano_pid" 2>/dev/null
    timeout 10 tail --pid="$kivano_pid" -f /dev/null
}

# Kivano through the accessibility bus.
. "$repo/tests/support/atspi.sh"
kivano_names() { atspi names; }
kivano_text() { atspi text "$1"; }
kivano_focus() { atspi focused; }
# The desktop's own dialog through the accessibility bus: answers it, or says whether one is up.
dialog() { timeout 60 /usr/bin/python3 "$here/dialog.py" "$@"; }

# Kivano's motions, from the bus: how many since the run began, and their sum "DX DY".
# (Kivano's calls to the portal only: the portal passes each on to its backend under the same name.)
motions() { grep -c 'interface=org.freedesktop.portal.RemoteDesktop; member=NotifyPointerMotion' "$work/monitor.log"; }
motion_sum() {
    awk '/interface=org.freedesktop.portal.RemoteDesktop; member=NotifyPointerMotion/ { want = 2; next }
        /^(method call|signal|method return|error) / { want = 0 }
        want > 0 && $1 == "double" { s[want] += $2; want-- }
        END { printf "%.0f %.0f\n", s[2], s[1] }' "$work/monitor.log"
}
# How often the portal asked the desktop's backend to start a session: with no kept answer, each time
# the desktop shows its dialog.
dialogs_asked() { grep -c 'interface=org.freedesktop.impl.portal.RemoteDesktop; member=Start' "$work/monitor.log"; }

# How often NAME got a new owner on the bus (a service's starts).
starts_of() {
    awk -v name="$1" '/member=NameOwnerChanged/ { n = 0; seen = 1; next }
        /^(method call|signal|method return|error) / { seen = 0 }
        seen && $1 == "string" { n++; v[n] = $2 }
        seen && n == 3 { if (v[1] == "\"" name "\"" && v[3] != "\"\"") c++; seen = 0 }
        END { print c + 0 }' "$work/monitor.log"
}
pid_of() { # the process that owns a bus name
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.GetConnectionUnixProcessID "$1" 2>/dev/null | sed -n 's/^(uint32 \([0-9]*\),)$/\1/p'
}

motions_at_least() { [ "$(motions)" -ge "$1" ]; }
wait_motions() { until_ok "$2" motions_at_least "$1"; } # N SECONDS: at least N motions in all by then

# logind on the private system bus, as the screen lockers and Kivano know it: python3-dbusmock's template
# with one session, whose LockedHint it carries (with PropertiesChanged) and whose Unlock signal it sends.
# GetSession and GetSessionByPID return that session, as logind resolves the caller's, and so do logind's
# aliases for the caller's own user and session (user/self names it as the display session; session/auto
# is it), which GNOME's shell asks as gnome-session passes no XDG_SESSION_ID on.
login_session=/org/freedesktop/login1/session/kivano
login1() { # OBJECT METHOD ARG...
    timeout 10 gdbus call --system --dest org.freedesktop.login1 --object-path "$1" --method "$2" "${@:3}"
}
mock() { login1 /org/freedesktop/login1 "org.freedesktop.DBus.Mock.$1" "${@:2}" >/dev/null; }
start_logind() {
    spawn logind /usr/bin/python3 -m dbusmock --system --template logind
    until_ok 10 login1 /org/freedesktop/login1 org.freedesktop.DBus.Peer.Ping &&
        mock AddSession kivano seat0 "$(id -u)" "$(id -un)" true &&
        mock AddMethod org.freedesktop.login1.Manager GetSession s o "ret = '$login_session'" &&
        mock AddMethod org.freedesktop.login1.Manager GetSessionByPID u o "ret = '$login_session'" &&
        mock AddObject /org/freedesktop/login1/user/self org.freedesktop.login1.User \
            "{'Display': <('kivano', objectpath '$login_session')>}" '@a(ssss) []' &&
        mock AddObject /org/freedesktop/login1/session/auto org.freedesktop.login1.Session \
            "$(login1 "$login_session" org.freedesktop.DBus.Properties.GetAll org.freedesktop.login1.Session |
                sed 's/^(\(.*\),)$/\1/')" '@a(ssss) []' ||
        { echo "FAIL: $desktop: no logind stand-in"; exit 1; }
}
screen_locked() {
    login1 "$login_session" org.freedesktop.DBus.Properties.Get org.freedesktop.login1.Session LockedHint 2>/dev/null |
        grep true >/dev/null
}
unlock_screen() { login1 "$login_session" org.freedesktop.login1.Session.Unlock >/dev/null; } # as `loginctl unlock-session`
