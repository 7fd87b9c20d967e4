#!/usr/bin/env bash
# Kivano's Qt edition against the real GNOME Shell, headless: gnome-session with the shell and the
# screen-saver proxy, GNOME's own portal backends, everything on private buses. The desktop's dialog is
# answered through the accessibility bus; the pointer, the idle time and the inhibitors are read from
# GNOME itself. Usage: gnome.sh   (as root; KIVANO=binary to try another build)
set -uo pipefail
desktop=gnome
. "$(dirname "$0")/lib.sh"
need "$kivano"
need /usr/bin/gnome-shell
need /usr/libexec/gnome-session-binary
need /usr/libexec/xdg-desktop-portal-gnome

# The pointer as the shell sees it, "X Y" (Eval answers in unsafe mode, which the test extension sets).
pointer() { gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval \
    'global.get_pointer().slice(0, 2).join(" ")' | sed -n 's/^(true, .\"\([0-9-]* [0-9-]*\)\".)$/\1/p'; }
idle_ms() { gdbus_call --dest org.gnome.Mutter.IdleMonitor --object-path /org/gnome/Mutter/IdleMonitor/Core \
    --method org.gnome.Mutter.IdleMonitor.GetIdletime | sed -n 's/^(uint64 \([0-9]*\),)$/\1/p'; }
idle_inhibited() { gdbus_call --dest org.gnome.SessionManager --object-path /org/gnome/SessionManager \
    --method org.gnome.SessionManager.IsInhibited 8 | grep true >/dev/null; }
inhibitors() { # the app ids of gnome-session's inhibitors
    local path
    for path in $(gdbus_call --dest org.gnome.SessionManager --object-path /org/gnome/SessionManager \
        --method org.gnome.SessionManager.GetInhibitors | grep -o "/org/gnome/SessionManager/Inhibitor[0-9]*"); do
        gdbus_call --dest org.gnome.SessionManager --object-path "$path" \
            --method org.gnome.SessionManager.Inhibitor.GetAppId | sed -n "s/^('\(.*\)',)$/\1/p"
    done
}
inhibitor=gnome-session
backend=org.freedesktop.impl.portal.desktop.gnome
idle_source="mutter"
gtk_theme=1
inhibited() {
    local ids
    ids=$(inhibitors | tr '\n' ' ')
    inhibit_seen="inhibitors of: ${ids:-none}"
    idle_inhibited
}
# Input devices of the shell's own making, for what a person does with the pointer and the keyboard.
input_js='const C = typeof Clutter === "undefined" ? imports.gi.Clutter : Clutter;
    const G = typeof GLib === "undefined" ? imports.gi.GLib : GLib;
    const seat = C.get_default_backend().get_default_seat();'
# The pointer put over Kivano's window, where a user who clicks Start has it.
over_kivano() {
    gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval \
        "$input_js"'
        const r = global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === "Kivano")
            .get_frame_rect();
        seat.warp_pointer(r.x + r.width / 2, r.y + r.height / 2);' \
        >/dev/null
    sleep 0.5
}

session_env gnome gtk gnome-shell
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome GSETTINGS_BACKEND=keyfile
start_buses

# The session: only the shell, headless on a virtual monitor, and the screen-saver proxy, which owns
# org.freedesktop.ScreenSaver and passes inhibitors on to gnome-session.
mkdir -p "$work/xdg/gnome-session/sessions" "$work/share/applications"
printf '[GNOME Session]\nName=Kivano test\nRequiredComponents=org.gnome.Shell;org.gnome.SettingsDaemon.ScreensaverProxy;\n' \
    >"$work/xdg/gnome-session/sessions/kivano.session"
sed 's|^Exec=.*|Exec=/usr/bin/gnome-shell --headless --wayland --virtual-monitor 1280x800|' \
    /usr/share/applications/org.gnome.Shell.desktop >"$work/share/applications/org.gnome.Shell.desktop"
cp /etc/xdg/autostart/org.gnome.SettingsDaemon.ScreensaverProxy.desktop "$work/share/applications/"
# A test-only extension lets org.gnome.Shell.Eval answer, so the pointer can be read from outside.
shell_major=$(gnome-shell --version | grep -o '[0-9]*' | head -1)
ext=$work/share/gnome-shell/extensions/kivano-test@olberin.com
mkdir -p "$ext" "$work/config/glib-2.0/settings"
printf '{"uuid": "kivano-test@olberin.com", "name": "Kivano test", "description": "Lets the test read the pointer", "shell-version": ["%s"]}\n' \
    "$shell_major" >"$ext/metadata.json"
if [ "$shell_major" -ge 45 ]; then # extensions are ES modules since 45
    printf '%s\n' "import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';" \
        'export default class KivanoTest extends Extension { enable() { global.context.unsafe_mode = true; } disable() {} }' \
        >"$ext/extension.js"
else
    echo 'function init() { return { enable() { global.context.unsafe_mode = true; }, disable() {} }; }' >"$ext/extension.js"
fi
printf "[org/gnome/shell]\nenabled-extensions=['kivano-test@olberin.com']\nwelcome-dialog-last-shown-version='999'\n" \
    >"$work/config/glib-2.0/settings/keyfile"

# What the shell's lock screen needs of the system (its LoginManager.canLock): a display manager and
# logind that knows the session, both on the private system bus, and systemd's seats folder, which is
# the machine's own (on a machine without it the shell cannot lock).
start_logind
spawn display-manager /usr/bin/python3 -m dbusmock --system org.gnome.DisplayManager /org/gnome/DisplayManager/Manager \
    org.gnome.DisplayManager.Manager
until_ok 10 gdbus call --system --dest org.gnome.DisplayManager --object-path /org/gnome/DisplayManager/Manager \
    --method org.freedesktop.DBus.Mock.AddProperty org.gnome.DisplayManager.Manager Version "<'43.0'>" ||
    { echo "FAIL: gnome: no display manager stand-in"; exit 1; }

say "starting gnome-session"
# gnome-session 48 has no --builtin: without systemd it starts the components itself.
builtin=$(/usr/libexec/gnome-session-binary --help 2>&1 | grep -o -- --builtin)
spawn gnome-session /usr/libexec/gnome-session-binary $builtin --session=kivano
until_ok 90 test -S "$XDG_RUNTIME_DIR/wayland-0" && until_ok 60 owned org.gnome.Mutter.RemoteDesktop &&
    until_ok 30 owned org.freedesktop.ScreenSaver || { echo "FAIL: gnome: the session did not come up"; exit 1; }
export WAYLAND_DISPLAY=wayland-0
dbus-update-activation-environment WAYLAND_DISPLAY
start_portal
until_ok 30 test -n "$(pointer)" || { echo "FAIL: gnome: cannot read the pointer through the shell"; exit 1; }
# The shell opens on its overview; the windows are wanted as the user sees them.
gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval \
    '(typeof Main === "undefined" ? imports.ui.main : Main).overview.hide()' >/dev/null
say "gnome-shell $(gnome-shell --version | grep -o '[0-9.]*$'), xdg-desktop-portal $(dpkg-query -W -f='${Version}' xdg-desktop-portal 2>/dev/null)"

# The user ends the sharing with the shell's own top-bar button, by a click where the button is.
end_from_top_bar() {
    gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval \
        "$input_js"'
        const find = a => a.visible && a.accessible_name === "Stop Screen Sharing" ? a :
            a.get_children().map(find).find(b => b) ?? null;
        const b = find(global.stage);
        const [x, y] = b.get_transformed_position(), [w, h] = b.get_transformed_size();
        const d = seat.create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
        d.notify_absolute_motion(G.get_monotonic_time(), x + w / 2, y + h / 2);
        d.notify_button(G.get_monotonic_time(), C.BUTTON_PRIMARY, C.ButtonState.PRESSED);
        d.notify_button(G.get_monotonic_time(), C.BUTTON_PRIMARY, C.ButtonState.RELEASED);' \
        | grep -q '^(true'
}
faults=(end_from_top_bar)
# Keys pressed and let go on a keyboard of the shell's own making, as a person types them. The device
# is made once and kept: one made just before its first key drops it.
keys() { # KEYSYM-NAME...
    local k
    for k in "$@"; do
        gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval \
            "$input_js
            global.kivanoKeyboard ??= seat.create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);
            global.kivanoKeyboard.notify_keyval(G.get_monotonic_time(), C.KEY_$k, C.KeyState.PRESSED);
            global.kivanoKeyboard.notify_keyval(G.get_monotonic_time(), C.KEY_$k, C.KeyState.RELEASED);" >/dev/null
        sleep 0.3
    done
}

# The screen locked as the user's Super+L locks it. A shell with a display then also takes remote access
# away while the session mode forbids screencasting, which closes every remote-desktop session (the
# headless shell skips that step): done here as the shell does it, so that Kivano meets what a real
# GNOME does to it.
if [ -d /run/systemd/seats ]; then
    lock_screen() {
        gdbus_call --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval '
            const M = typeof Main === "undefined" ? imports.ui.main : Main;
            const c = global.backend.get_remote_access_controller();
            global.kivanoRemoteAccess ??= M.sessionMode.connect("updated", () => {
                const off = !M.sessionMode.allowScreencast;
                if (off !== Boolean(global.kivanoInhibited)) {
                    off ? c.inhibit_remote_access() : c.uninhibit_remote_access();
                    global.kivanoInhibited = off;
                }
            });
            M.screenShield.lock(true);' | grep '^(true' >/dev/null
    }
    lock_ends_session=1
fi
. "$here/flow.sh"
# GNOME 48's dialog also offers to remember the answer (ticked already); 43's cannot.
switches="Allow remote interaction"
[ "$shell_major" -ge 45 ] && switches="$switches;Remember this selection"
run_checks "Share" "$switches"
say "checks done"
checks_done
