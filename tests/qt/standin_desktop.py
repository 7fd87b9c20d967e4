#!/usr/bin/python3
"""A stand-in desktop on the session bus: the screen saver's idle inhibitor and the desktop portal's
Inhibit interface, as GNOME and KDE offer them. Every call is written to a log, one line each, so that
a test can read what Kivano asked for and in what order.

Usage: standin_desktop.py LOG [--no-screensaver] [--no-portal] [--silent-screensaver] [--delay-ms N]
  --silent-screensaver  owns the screen saver's name but never answers (a hung desktop)
  --delay-ms N          answers every Inhibit N ms late
Runs until killed. Needs Debian's python3-dbus and python3-gi.
"""

import argparse
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
    def __init__(self, bus, log, silent, delay_ms):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.log, self.silent, self.delay_ms = log, silent, delay_ms
        self.next_cookie = 41
        self.held = set()

    @dbus.service.method(SCREENSAVER, in_signature="ss", out_signature="u",
                         async_callbacks=("reply", "error"))
    def Inhibit(self, application, reason, reply, error):
        self.log("ScreenSaver.Inhibit", application)
        if self.silent:
            return  # never answers
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


class Request(dbus.service.Object):
    def __init__(self, bus, path, log, owner):
        super().__init__(bus, path)
        self.path, self.log, self.owner = path, log, owner

    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        self.owner.held.discard(self.path)
        self.log("Request.Close", self.path)
        self.log("held", len(self.owner.held))
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, log, delay_ms):
        super().__init__(bus, PORTAL_PATH)
        self.bus, self.log, self.delay_ms = bus, log, delay_ms
        self.held = set()

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("reply", "error"))
    def Inhibit(self, window, flags, options, sender, reply, error):
        token = str(options.get("handle_token", "t"))
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)
        self.log("Portal.Inhibit", int(flags), path)
        Request(self.bus, path, self.log, self)
        self.held.add(path)
        self.log("held", len(self.held))
        GLib.timeout_add(self.delay_ms, lambda: reply(dbus.ObjectPath(path)) and False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("log")
    parser.add_argument("--no-screensaver", action="store_true")
    parser.add_argument("--no-portal", action="store_true")
    parser.add_argument("--silent-screensaver", action="store_true")
    parser.add_argument("--delay-ms", type=int, default=0)
    args = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = Log(args.log)
    keep = []
    if not args.no_screensaver:
        keep.append(dbus.service.BusName(SCREENSAVER, bus))
        keep.append(ScreenSaver(bus, log, args.silent_screensaver, args.delay_ms))
    if not args.no_portal:
        keep.append(dbus.service.BusName(PORTAL, bus))
        keep.append(Portal(bus, log, args.delay_ms))
    log("ready")
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
