#!/usr/bin/python3
"""A stand-in desktop on the session bus: the screen saver's idle inhibitor and the desktop portal's
Inhibit and RemoteDesktop interfaces, as GNOME and KDE offer them. Every call is written to a log, one
line each, so that a test can read what Kivano asked for and in what order.

Usage: standin_desktop.py LOG [options]
  --no-screensaver, --no-portal, --no-remote-desktop   leave that interface out
  --silent-screensaver  owns the screen saver's name but never answers (a hung desktop)
  --delay-ms N          answers every request N ms late
  --response-first      sends a request's Response signal before the method returns
  --response-twice      sends every Response signal twice
  --start-answer N      the Start dialog's answer: 0 allowed, 1 cancelled, 2 refused
  --version N           the RemoteDesktop portal's version (2 and later keep the user's answer)
  --reject-token        refuses a session that restores a kept answer
  --close-after N       the desktop closes the session after N pointer motions
  --close-on-refusal    a Start it does not allow also closes the session (Closed after the Response)
  --closed-first        ... with Closed sent before the Response
  --version-delay-ms N  answers the portal's version N ms late
  --no-inhibit          a portal without the Inhibit interface
  --screensaver-error   the screen saver answers every Inhibit with an error
  --session-manager     GNOME's session manager too, with its own Inhibit (as GNOME, MATE, Cinnamon)
  --inhibit-answer N    the portal's Inhibit answers N through its request (0 held, 2 refused)
  --inhibit-no-response the portal's Inhibit returns its request but never answers through it
  --own-after-ms N      takes its names on the bus only N ms after start-up
  --slow-create-ms N    the first CreateSession returns only after N ms (its Response after that)
  --backend-dies-after N  the back end holding the session leaves the bus after N pointer motions; it
                        comes back, as the bus would start it again, with the next CreateSession
  --other-backend-dies-after N  another back end, holding no session, leaves after N motions
Runs until killed. Needs Debian's python3-dbus and python3-gi.
"""

import argparse
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SCREENSAVER = "org.freedesktop.ScreenSaver"
PORTAL = "org.freedesktop.portal.Desktop"
PORTAL_PATH = "/org/freedesktop/portal/desktop"


class Log:
    def __init__(self, path):
        self.file = open(path, "a", buffering=1)

    def __call__(self, *words):
        self.file.write(" ".join(str(w) for w in words) + "\n")


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus, log, args):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.log, self.silent, self.delay_ms = log, args.silent_screensaver, args.delay_ms
        self.error = args.screensaver_error
        self.next_cookie = 41
        self.held = set()

    @dbus.service.method(SCREENSAVER, in_signature="ss", out_signature="u",
                         async_callbacks=("reply", "error"))
    def Inhibit(self, application, reason, reply, error):
        self.log("ScreenSaver.Inhibit", application)
        if self.silent:
            return  # never answers
        if self.error:
            error(dbus.exceptions.DBusException("no idle inhibitor here",
                                                name="org.freedesktop.DBus.Error.NotSupported"))
            return
        self.next_cookie += 1
        cookie = self.next_cookie
        self.held.add(cookie)
        self.log("held", len(self.held))
        GLib.timeout_add(self.delay_ms, lambda: reply(dbus.UInt32(cookie)) and False)

    @dbus.service.method(SCREENSAVER, in_signature="u")
    def UnInhibit(self, cookie):
        self.held.discard(int(cookie))
        self.log("ScreenSaver.UnInhibit", int(cookie))
        self.log("held", len(self.held))


class SessionManager(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/gnome/SessionManager")
        self.log, self.held, self.next_cookie = log, set(), 41

    @dbus.service.method("org.gnome.SessionManager", in_signature="susu", out_signature="u")
    def Inhibit(self, app_id, toplevel, reason, flags):
        self.log("SessionManager.Inhibit", app_id, int(flags))
        self.next_cookie += 1
        self.held.add(self.next_cookie)
        self.log("held", len(self.held))
        return dbus.UInt32(self.next_cookie)

    @dbus.service.method("org.gnome.SessionManager", in_signature="u")
    def Uninhibit(self, cookie):
        self.held.discard(int(cookie))
        self.log("SessionManager.Uninhibit", int(cookie))
        self.log("held", len(self.held))


class Request(dbus.service.Object):
    def __init__(self, bus, path, log, owner):
        super().__init__(bus, path)
        self.path, self.log, self.owner = path, log, owner

    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass

    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        self.owner.held.discard(self.path)
        self.log("Request.Close", self.path)
        self.log("held", len(self.owner.held))
        self.remove_from_connection()


class PortalRequest(dbus.service.Object):
    """A request object that answers once, through its Response signal."""

    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, log):
        super().__init__(bus, path)
        self.path, self.log = path, log

    def end(self):
        """The desktop ends the session."""
        self.log("Session.Closed", self.path)
        self.Closed(dbus.Dictionary({}, signature="sv"))
        return False

    @dbus.service.method("org.freedesktop.portal.Session", path_keyword="path")
    def Close(self, path):
        self.log("Session.Close", path)

    @dbus.service.signal("org.freedesktop.portal.Session", signature="a{sv}")
    def Closed(self, details):
        pass


class BackEnd:
    """A portal back end on a connection of its own, as the desktop's service is: it holds its side of
    each session under the session's path, and can leave the bus alone (a crash)."""

    def __init__(self, name):
        self.name, self.connection, self.keep = name, None, []

    def up(self):
        if self.connection is None:
            self.connection = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
            self.keep = [dbus.service.BusName(self.name, self.connection)]

    def hold(self, path):
        self.keep.append(ImplSession(self.connection, path))

    def die(self):
        if self.connection is not None:
            self.connection.close()
        self.connection, self.keep = None, []


class ImplSession(dbus.service.Object):
    @dbus.service.method("org.freedesktop.impl.portal.Session")
    def Close(self):
        pass


def request_path(sender, token):
    return "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)


class Portal(dbus.service.Object):
    def __init__(self, bus, log, args):
        super().__init__(bus, PORTAL_PATH)
        self.bus, self.log, self.args, self.delay_ms = bus, log, args, args.delay_ms
        self.held = set()
        self.session = None
        self.motions = 0
        self.tokens = 0
        self.restoring = False
        self.persist = 0
        self.creates = 0
        self.backend = BackEnd("org.freedesktop.impl.portal.desktop.standin")
        self.other = BackEnd("org.freedesktop.impl.portal.desktop.other")
        self.backend.up()
        self.other.up()

    def answer(self, sender, options, code, results):
        """Makes the request object, answers through it (before or after the method returns)."""
        path = request_path(sender, str(options.get("handle_token", "t")))
        request = PortalRequest(self.bus, path)

        def respond():
            for _ in range(2 if self.args.response_twice else 1):
                request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
            return False

        if self.args.response_first:
            respond()
        else:
            GLib.timeout_add(max(self.delay_ms, 20), respond)
        return dbus.ObjectPath(path)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v",
                         async_callbacks=("reply", "error"))
    def Get(self, interface, name, reply, error):
        if interface != "org.freedesktop.portal.RemoteDesktop" or self.args.no_remote_desktop:
            error(dbus.exceptions.DBusException("no such property",
                                                name="org.freedesktop.DBus.Error.UnknownProperty"))
            return
        GLib.timeout_add(self.args.version_delay_ms,
                         lambda: reply(dbus.UInt32(self.args.version)) and False)

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("reply", "error"))
    def CreateSession(self, options, sender, reply, error):
        self.require_remote_desktop()
        self.creates += 1
        path = "/org/freedesktop/portal/desktop/session/%s/%s" % (
            sender[1:].replace(".", "_"), options.get("session_handle_token", "s"))
        self.session = Session(self.bus, path, self.log)
        self.backend.up()
        self.backend.hold(path)
        self.motions = 0
        self.log("RemoteDesktop.CreateSession", path)
        results = {"session_handle": dbus.String(path)}
        if self.creates == 1 and self.args.slow_create_ms:
            def late():
                reply(self.answer(sender, options, 0, results))
                return False
            GLib.timeout_add(self.args.slow_create_ms, late)
        else:
            reply(self.answer(sender, options, 0, results))

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def SelectDevices(self, session, options, sender):
        self.require_remote_desktop()
        self.restoring = "restore_token" in options
        self.persist = int(options.get("persist_mode", 0))
        self.log("RemoteDesktop.SelectDevices", "types=%d" % int(options.get("types", 0)),
                 "persist=%d" % self.persist, "token=%s" % options.get("restore_token", "-"))
        return self.answer(sender, options, 0, {})

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="osa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Start(self, session, parent, options, sender):
        self.require_remote_desktop()
        code = self.args.start_answer
        if self.restoring and self.args.reject_token:
            code = 2
        self.log("RemoteDesktop.Start", "answer=%d" % code)
        results = {"devices": dbus.UInt32(2)}
        if code == 0 and self.persist == 2 and self.args.version >= 2:
            self.tokens += 1
            results["restore_token"] = dbus.String("token-%d" % self.tokens)
        closing = self.session if code != 0 and self.args.close_on_refusal else None
        if closing and self.args.closed_first:
            closing.end()
        handle = self.answer(sender, options, code, results)
        if closing and not self.args.closed_first:
            # The desktops send both together: the Response, then at once the session's end.
            GLib.timeout_add(max(self.delay_ms, 20) + 1, closing.end)
        return handle

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="oa{sv}dd")
    def NotifyPointerMotion(self, session, options, dx, dy):
        self.log("motion", "%g" % dx, "%g" % dy)
        self.motions += 1
        if self.args.close_after and self.motions == self.args.close_after and self.session:
            self.session.end()
        if self.motions == self.args.backend_dies_after:
            self.log("backend gone")
            self.backend.die()
        if self.motions == self.args.other_backend_dies_after:
            self.other.die()

    def require_remote_desktop(self):
        if self.args.no_remote_desktop:
            raise dbus.exceptions.DBusException("no remote desktop", name="org.freedesktop.DBus.Error.UnknownMethod")

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("reply", "error"))
    def Inhibit(self, window, flags, options, sender, reply, error):
        if self.args.no_inhibit:
            error(dbus.exceptions.DBusException("no such interface", name="org.freedesktop.DBus.Error.UnknownMethod"))
            return
        path = request_path(sender, str(options.get("handle_token", "t")))
        self.log("Portal.Inhibit", int(flags), path)
        request = Request(self.bus, path, self.log, self)
        code = self.args.inhibit_answer
        if code == 0 and not self.args.inhibit_no_response:
            self.held.add(path)
            self.log("held", len(self.held))

        def respond():
            reply(dbus.ObjectPath(path))
            if not self.args.inhibit_no_response:
                request.Response(dbus.UInt32(code), dbus.Dictionary({}, signature="sv"))
            return False

        GLib.timeout_add(self.delay_ms, respond)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("log")
    parser.add_argument("--no-screensaver", action="store_true")
    parser.add_argument("--no-portal", action="store_true")
    parser.add_argument("--silent-screensaver", action="store_true")
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--no-remote-desktop", action="store_true")
    parser.add_argument("--response-first", action="store_true")
    parser.add_argument("--response-twice", action="store_true")
    parser.add_argument("--start-answer", type=int, default=0)
    parser.add_argument("--version", type=int, default=1)
    parser.add_argument("--reject-token", action="store_true")
    parser.add_argument("--close-after", type=int, default=0)
    parser.add_argument("--close-on-refusal", action="store_true")
    parser.add_argument("--closed-first", action="store_true")
    parser.add_argument("--version-delay-ms", type=int, default=0)
    parser.add_argument("--no-inhibit", action="store_true")
    parser.add_argument("--screensaver-error", action="store_true")
    parser.add_argument("--own-after-ms", type=int, default=0)
    parser.add_argument("--slow-create-ms", type=int, default=0)
    parser.add_argument("--backend-dies-after", type=int, default=-1)
    parser.add_argument("--other-backend-dies-after", type=int, default=-1)
    parser.add_argument("--session-manager", action="store_true")
    parser.add_argument("--inhibit-answer", type=int, default=0)
    parser.add_argument("--inhibit-no-response", action="store_true")
    args = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = Log(args.log)
    keep = []
    if not args.no_screensaver:
        keep.append(ScreenSaver(bus, log, args))
    if not args.no_portal:
        keep.append(Portal(bus, log, args))
    if args.session_manager:
        keep.append(SessionManager(bus, log))

    def own():
        if not args.no_screensaver:
            keep.append(dbus.service.BusName(SCREENSAVER, bus))
        if not args.no_portal:
            keep.append(dbus.service.BusName(PORTAL, bus))
        if args.session_manager:
            keep.append(dbus.service.BusName("org.gnome.SessionManager", bus))
        log("owned")
        return False

    if args.own_after_ms:
        GLib.timeout_add(args.own_after_ms, own)
    else:
        own()
    log("ready")
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
