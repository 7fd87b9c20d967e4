#!/usr/bin/env bash
# Kivano's Qt edition on the X11 desktops that lock with a screen saver of their own, headless on Xvfb:
# each desktop started as its session starts it, as a test user (the locker checks a real password),
# on private buses. Kivano moves the real pointer there itself: no portal, no dialog, so the runs
# that answer one do not apply. The pointer and the idle time are read from the X server, the lock from
# the locker's own command, Kivano's inhibitor from the desktop's session manager.
# Usage: x11.sh [mate|xfce|cinnamon]   (as root; KIVANO=binary to try another build)
set -uo pipefail
desktop=${1:-mate}
user="kivano-test"
password="kivano-test-pw"

if [ "$(id -u)" -eq 0 ]; then
    id "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir /nonexistent --shell /bin/sh "$user" || exit 1
    echo "$user:$password" | chpasswd || exit 1
    mkdir -p /tmp/.X11-unix /tmp/.ICE-unix && chmod 1777 /tmp/.X11-unix /tmp/.ICE-unix
    exec setpriv --reuid="$user" --regid="$user" --init-groups bash "$0" "$@"
fi

. "$(dirname "$0")/lib.sh"
need "$kivano"
need /usr/bin/Xvfb

# A row a desktop: its session and packages, the screen saver it starts, the locker's commands (lock,
# query, and what the query says when locked), the program that asks for the password, the session
# services it starts through the bus, and its settings.
config=$work/config
case $desktop in
mate)
    session=(mate-session)
    packages=(mate-session-manager marco mate-screensaver)
    autostart=(mate-screensaver)
    lock_cmd=(mate-screensaver-command --lock)
    query_cmd=(mate-screensaver-command --query)
    up_when='The screensaver is' locked_when=' is active' asks=mate-screensaver-dialog
    services=()
    export XDG_CURRENT_DESKTOP=MATE XDG_SESSION_DESKTOP=mate DESKTOP_SESSION=mate GSETTINGS_BACKEND=keyfile
    # Of the session's required parts only the window manager: locking needs no panel or file manager.
    # The session goes idle after a minute, and the screen saver then locks (its default), blank.
    mkdir -p "$config/glib-2.0/settings"
    printf '%s\n' "[org/mate/desktop/session]" "required-components-list=['windowmanager']" "idle-delay=1" \
        "[org/mate/screensaver]" "mode='blank-only'" >"$config/glib-2.0/settings/keyfile"
    locks_after_idle=60
    ;;
xfce)
    session=(startxfce4)
    packages=(xfce4-session xfwm4 xscreensaver)
    autostart=(xscreensaver)
    lock_cmd=(xscreensaver-command -lock)
    query_cmd=(xscreensaver-command -time)
    up_when='XScreenSaver' locked_when='screen locked' asks=xscreensaver-auth
    services=(org.xfce.Xfconf)
    export XDG_CURRENT_DESKTOP=XFCE XDG_SESSION_DESKTOP=xfce DESKTOP_SESSION=xfce
    # Locked after a minute idle, blank.
    mkdir -p "$work/home"
    printf 'timeout: 0:01:00\nlock: True\nlockTimeout: 0:00:00\nmode: blank\n' >"$work/home/.xscreensaver"
    locks_after_idle=60
    # The session's window manager alone, of its default clients, and no ssh or gpg agent of its own
    # (they leave the session's process group and outlive it).
    mkdir -p "$work/xdg/xfce4/xfconf/xfce-perchannel-xml"
    cat >"$work/xdg/xfce4/xfconf/xfce-perchannel-xml/xfce4-session.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-session" version="1.0">
  <property name="general" type="empty">
    <property name="FailsafeSessionName" type="string" value="Failsafe"/>
  </property>
  <property name="startup" type="empty">
    <property name="ssh-agent" type="empty"><property name="enabled" type="bool" value="false"/></property>
    <property name="gpg-agent" type="empty"><property name="enabled" type="bool" value="false"/></property>
  </property>
  <property name="sessions" type="empty">
    <property name="Failsafe" type="empty">
      <property name="IsFailsafe" type="bool" value="true"/>
      <property name="Count" type="int" value="1"/>
      <property name="Client0_Command" type="array"><value type="string" value="xfwm4"/></property>
      <property name="Client0_Priority" type="int" value="15"/>
      <property name="Client0_PerScreen" type="bool" value="false"/>
    </property>
  </property>
</channel>
XML
    ;;
cinnamon)
    session=(cinnamon-session-cinnamon)
    packages=(cinnamon-session cinnamon cinnamon-screensaver)
    autostart=()
    lock_cmd=(cinnamon-screensaver-command --lock)
    query_cmd=(cinnamon-screensaver-command --query)
    up_when='The screensaver is' locked_when=' is active' asks= # (its dialog is its own window)
    services=(org.cinnamon.ScreenSaver)
    export XDG_CURRENT_DESKTOP=X-Cinnamon XDG_SESSION_DESKTOP=cinnamon DESKTOP_SESSION=cinnamon GSETTINGS_BACKEND=keyfile
    # Idle after a minute, and the screen saver then locks (its default).
    mkdir -p "$config/glib-2.0/settings"
    printf '%s\n' "[org/cinnamon/desktop/session]" "idle-delay=uint32 60" >"$config/glib-2.0/settings/keyfile"
    locks_after_idle=60
    # Without AccountsService the locker's dialog fails to build unless the user has a picture.
    mkdir -p "$work/home"
    cp /usr/share/icons/hicolor/48x48/apps/cinnamon-session-properties.png "$work/home/.face"
    ;;
*)
    echo "FAIL: x11: no desktop named $desktop (mate, xfce, cinnamon)"
    exit 2
    ;;
esac
need "/usr/bin/${session[0]}"
need "/usr/bin/${lock_cmd[0]}"

on_x() { timeout 10 "$@" 2>/dev/null; }
pointer() { on_x xdotool getmouselocation | sed -n 's/^x:\([0-9-]*\) y:\([0-9-]*\) .*/\1 \2/p'; }
# Kivano's motions are the pointer's: read every 0.1 s ("TIME x:X y:Y"), each change counted.
motions() { awk '{ $1 = "" } $0 != last { n++ } { last = $0 } END { print (n > 0 ? n - 1 : 0) }' "$work/pointer.log"; }
first_motion_after() { # T: when the pointer was first seen to move after it
    awk -v t="$1" '{ at = $1; $1 = "" } at + 0 > t + 0 && NR > 1 && $0 != last { print at; exit } { last = $0 }' "$work/pointer.log"
}
portal=no
idle_ms() { on_x xprintidle; }
idle_source="X server"
gtk_theme=1
# Kivano's inhibitor in the session manager's own list, where the desktop's serves GNOME's interface
# (MATE, Cinnamon), as Kivano asks it there.
session_manager() { gdbus_call --dest org.gnome.SessionManager "$@" 2>/dev/null; }
listed_app_ids() {
    local path
    for path in $(session_manager --object-path /org/gnome/SessionManager --method org.gnome.SessionManager.GetInhibitors |
        grep -o "/org/gnome/SessionManager/Inhibitor[0-9]*"); do
        session_manager --object-path "$path" --method org.gnome.SessionManager.Inhibitor.GetAppId | sed -n "s/^('\(.*\)',)$/\1/p"
    done
}
inhibited() {
    local ids
    ids=$(listed_app_ids | tr '\n' ' ')
    inhibit_seen="listed: ${ids:-none}"
    [[ " $ids " == *" $app_id "* ]]
}
over_kivano() { :; }

lock_screen() { on_x "${lock_cmd[@]}" >/dev/null; }
saver_up() { on_x "${query_cmd[@]}" | grep "$up_when" >/dev/null; }
screen_locked() { on_x "${query_cmd[@]}" | grep "$locked_when" >/dev/null; } # (grep reads it all: see flow.sh)
in_group() { ps -e -o pgid= -o args= | awk -v g=$$ -v p="$1" '$1 == g && index($0, p) { found = 1 } END { exit !found }'; }
# As a person unlocks: a key wakes the locker's dialog, then the password and Return.
unlock_screen() {
    on_x xdotool key shift
    if [ -n "$asks" ]; then until_ok 10 in_group "$asks"; fi
    sleep 1
    # (a locker that fails to build its dialog gives up the lock: then no password unlocked it)
    check "the locker asks for the password, still locked" screen_locked
    on_x xdotool type --delay 30 "$password"
    on_x xdotool key Return
}

session_env
export XDG_SESSION_TYPE=x11
[ ${#services[@]} -eq 0 ] || activatable "${services[@]}"
kivano_platform=xcb
start_buses

spawn xvfb Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display"
until_ok 10 test -s "$work/display" || { echo "FAIL: $desktop: no X server"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
spawn pointer sh -c 'while printf "%s " "$(date +%s.%N)" && xdotool getmouselocation; do sleep 0.1; done |
    sed -u "s/ screen:.*//"'

mkdir -p "$work/xdg/autostart"
for a in "${autostart[@]}"; do cp "/etc/xdg/autostart/$a.desktop" "$work/xdg/autostart/"; done
started=$SECONDS
say "starting ${session[*]}"
spawn session "${session[@]}"
until_ok 60 saver_up || { echo "FAIL: $desktop: its screen saver did not answer"; exit 1; }
inhibitor="$desktop's session manager"
owned org.gnome.SessionManager || inhibitor="$desktop (no session manager of GNOME's kind)"
say "up in $((SECONDS - started)) s: $(dpkg-query -W -f='${Package} ${Version}, ' "${packages[@]}" 2>/dev/null)"

. "$here/flow.sh"
echo "SKIP: X11: Kivano moves the pointer itself, with no portal and no dialog: the runs first kept refusal faults keyboard are the portal's"
# Xfce's xscreensaver tells nobody of its lock: there only the moves keeping it unlocked can be judged.
default_runs=lock
[ "$desktop" = xfce ] && default_runs=awake
KIVANO_DESKTOP_RUNS=${KIVANO_DESKTOP_RUNS:-$default_runs} run_checks ""
say "checks done"
checks_done
