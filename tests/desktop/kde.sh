#!/usr/bin/env bash
# Kivano's Qt edition against the real KWin, headless (--virtual), with KDE's own portal backend and
# PowerDevil, everything on private buses. The desktop's dialog is answered through the accessibility
# bus; the pointer is read through a KWin script, the idle state through ext-idle-notify-v1 and the
# inhibitors from PowerDevil. Usage: kde.sh   (as root; KIVANO=binary to try another build)
set -uo pipefail
desktop=kde
. "$(dirname "$0")/lib.sh"
libexec=/usr/lib/x86_64-linux-gnu/libexec
need "$kivano"
need "$idle_watch"
need /usr/bin/kwin_wayland
need "$libexec/xdg-desktop-portal-kde"
need "$libexec/org_kde_powerdevil"

# The pointer as KWin last told it: a KWin script prints every change (and where it stands at load).
pointer() { sed -n 's/.*kivano-pointer \([0-9-]*\) \([0-9-]*\).*/\1 \2/p' "$work/kwin.log" | tail -1; }
watch_pointer() {
    cat >"$work/pointer.js" <<'JS'
function say() { print("kivano-pointer " + workspace.cursorPos.x + " " + workspace.cursorPos.y); }
workspace.cursorPosChanged.connect(say);
say();
JS
    gdbus_call --dest org.kde.KWin --object-path /Scripting \
        --method org.kde.kwin.Scripting.loadScript "$work/pointer.js" kivano-pointer >/dev/null &&
        gdbus_call --dest org.kde.KWin --object-path /Scripting \
            --method org.kde.kwin.Scripting.start >/dev/null
}
# KWin lets no script place the pointer: it stays where KWin put it, mid-screen, away from every edge.
over_kivano() { :; }

inhibitor=PowerDevil
backend=org.freedesktop.impl.portal.desktop.kde
policy() { gdbus_call --dest org.kde.Solid.PowerManagement.PolicyAgent \
    --object-path /org/kde/Solid/PowerManagement/PolicyAgent --method "org.kde.Solid.PowerManagement.PolicyAgent.$1" \
    "${@:2}" 2>/dev/null; }
inhibited() {
    inhibit_seen=$(policy ListInhibitions)
    # 4: the screen's settings (dimming, blanking, locking), what the screen saver's inhibitor holds.
    policy HasInhibition 4 | grep true >/dev/null
}
idle_low() {
    idle_seen="ext-idle-notify, 2 s timeout watched for 4 s: $(timeout 15 "$idle_watch" 2000 4000 2>&1)"
    [[ "$idle_seen" == *": active 0" ]]
}
idle_grows() {
    idle_seen="ext-idle-notify, 1.5 s timeout watched for 4 s: $(timeout 15 "$idle_watch" 1500 4000 2>&1)"
    [[ "$idle_seen" == *": idle 1" ]]
}

session_env kde
# The machine's application menus (KWin finds the portal's desktop file through them), and nothing
# else of its configuration folders.
ln -s /etc/xdg/menus "$XDG_CONFIG_DIRS/menus"
# As startplasma-wayland sets it before the session's bus: KWin finds the portal's desktop file through
# it, and only then hands the portal the screencast and fake-input protocols.
plasma_major=$(dpkg-query -W -f='${Version}' kwin-wayland | sed 's/^[0-9]*://; s/\..*//')
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=$plasma_major
export XDG_MENU_PREFIX=plasma- QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-kivano
start_buses
# logind's part in locking and unlocking the screen, on the private system bus; the session's id is
# in the environment, as a Plasma login has it.
start_logind
export XDG_SESSION_ID=kivano

# Debian 12's kwin_wayland carries a file capability a container cannot grant; a copy has none.
cp /usr/bin/kwin_wayland "$work/kwin_wayland"
say "starting KWin"
QT_LOGGING_RULES="kwin_scripting.debug=true;js.debug=true" \
    spawn kwin "$work/kwin_wayland" --virtual --socket "$WAYLAND_DISPLAY" --width 1280 --height 1024
until_ok 60 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" && until_ok 60 owned org.kde.KWin &&
    until_ok 30 owned org.freedesktop.ScreenSaver || { echo "FAIL: kde: KWin did not come up"; exit 1; }
spawn powerdevil "$libexec/org_kde_powerdevil"
until_ok 30 owned org.kde.Solid.PowerManagement.PolicyAgent || { echo "FAIL: kde: no PowerDevil"; exit 1; }
# Plasma's tray, as far as the portal's own status item needs it: kded's watcher and a host. kded first
# brings a fresh home's settings up to date; krunner's history update among them waits half a minute
# for a service a bare session lacks, so it is marked done (kconf_update skips a file so recorded).
kded=$(command -v kded6 kded5 | head -1)
upd=/usr/share/kconf_update/krunnerhistory.upd
[ -e "$upd" ] && printf '[krunnerhistory.upd]\nctime=%s\ndone=5.21KRunnerHistory\nmtime=%s\n' \
    $(stat -c '%Z %Y' "$upd") >"$XDG_CONFIG_HOME/kconf_updaterc"
QT_QPA_PLATFORM=offscreen spawn kded "$kded" # it draws nothing
until_ok 30 owned "org.kde.kded$plasma_major" &&
    gdbus_call --dest "org.kde.kded$plasma_major" --object-path /kded \
        --method "org.kde.kded$plasma_major.loadModule" statusnotifierwatcher >/dev/null &&
    until_ok 10 owned org.kde.StatusNotifierWatcher || { echo "FAIL: kde: no status item watcher"; exit 1; }
spawn tray /usr/bin/python3 "$here/tray.py" host
until_ok 10 grep -q registered "$work/tray.log" || { echo "FAIL: kde: no tray host"; exit 1; }
start_portal
watch_pointer
until_ok 20 test -n "$(pointer)" || { echo "FAIL: kde: cannot read the pointer through a KWin script"; exit 1; }
say "kwin $(dpkg-query -W -f='${Version}' kwin-wayland), xdg-desktop-portal $(dpkg-query -W -f='${Version}' xdg-desktop-portal), xdg-desktop-portal-kde $(dpkg-query -W -f='${Version}' xdg-desktop-portal-kde)"

# The user ends the sharing from the portal's own item in the tray.
end_from_tray() { timeout 20 /usr/bin/python3 "$here/tray.py" click "Remote Desktop" End; }
faults=(end_from_tray)
# The screen locked through the screen saver's interface (kscreenlocker then sets logind's LockedHint).
lock_screen() { gdbus_call --dest org.freedesktop.ScreenSaver --object-path /ScreenSaver \
    --method org.freedesktop.ScreenSaver.Lock >/dev/null; }
# Keys typed through a keyboard-only session of the portal's; Plasma 6 asks once with its dialog,
# which is answered, then keeps the answer.
keys() { # KEY...
    /usr/bin/python3 "$here/keys.py" "$work/keys.token" "$@" >>"$work/keys.log" 2>&1 &
    local typing=$!
    sleep 1
    kill -0 $typing 2>/dev/null && dialog shown 5 Share && dialog answer Share "$switches" >/dev/null
    wait $typing
}
. "$here/flow.sh"
# Plasma 6's dialog offers to keep the answer for later runs; 5.27's cannot.
switches=""
[ "$plasma_major" -ge 6 ] && switches="Allow restoring"
run_checks "Share" "$switches"
say "checks done"
checks_done
