#!/usr/bin/python3
"""A stand-in logind on the private system bus, for the screen locker of a headless session: it hands
the locker its session, takes its locked hint and its sleep delay, and sends the session's Unlock
signal on SIGUSR1 (as `loginctl unlock-session` makes logind do). Nothing else: what the real one
sends, no more. Writes each call to its output.
Needs Debian's python3-dbus and python3-gi."""

import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = "/org/freedesktop/login1"
SESSION = PATH + "/session/kivano"


class Manager(dbus.service.Object):
    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="s", out_signature="o")
    def GetSession(self, ident):
        print("GetSession", ident, flush=True)
        return dbus.ObjectPath(SESSION)

    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        print("GetSessionByPID", pid, flush=True)
        return dbus.ObjectPath(SESSION)

    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        print("Inhibit", what, who, mode, flush=True)
        read, write = os.pipe()
        self.delays = getattr(self, "delays", []) + [write]
        return dbus.types.UnixFd(read)


class Session(dbus.service.Object):
    @dbus.service.method("org.freedesktop.login1.Session", in_signature="b")
    def SetLockedHint(self, locked):
        print("SetLockedHint", bool(locked), flush=True)

    @dbus.service.signal("org.freedesktop.login1.Session")
    def Unlock(self):
        print("Unlock", flush=True)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()
    keep = [Manager(bus, PATH), dbus.service.BusName("org.freedesktop.login1", bus)]
    session = Session(bus, SESSION)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, lambda: session.Unlock() or True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    return keep


if __name__ == "__main__":
    sys.exit(main() and 0)
