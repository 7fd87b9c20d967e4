#!/usr/bin/python3
"""Types keys as a person at the keyboard would, through the desktop portal's remote-desktop session
with a keyboard only: the way in from outside on compositors that offer no other (KWin).
Usage: keys.py TOKEN-FILE KEY...   KEY: Tab, space or Shift_L; each is pressed and let go
The desktop may ask first, with its own dialog (the caller answers it); where the portal keeps the
answer (version 2), TOKEN-FILE keeps it for the next use.
Needs Debian's python3-dbus and python3-gi."""

import os
import sys
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
REMOTE = "org.freedesktop.portal.RemoteDesktop"
CODES = {"Tab": 15, "space": 57, "Shift_L": 42}  # evdev key codes


class Portal:
    def __init__(self):
        self.bus = dbus.SessionBus()
        self.portal = self.bus.get_object(PORTAL, PATH)
        self.sender = self.bus.get_unique_name()[1:].replace(".", "_")
        self.tokens = 0

    def request(self, method, *args, options):
        """Calls a method that answers through a request object; returns its results, or exits."""
        self.tokens += 1
        token = "keys%d_%d" % (os.getpid(), self.tokens)
        path = "%s/request/%s/%s" % (PATH, self.sender, token)
        answer = {}
        loop = GLib.MainLoop()

        def response(code, results):
            answer.update(code=int(code), results=results)
            loop.quit()

        match = self.bus.add_signal_receiver(response, "Response", "org.freedesktop.portal.Request", PORTAL, path)
        options["handle_token"] = token
        getattr(self.portal, method)(*args, options, dbus_interface=REMOTE)
        GLib.timeout_add_seconds(60, loop.quit)
        loop.run()
        match.remove()
        if answer.get("code") != 0:
            sys.exit("%s answered %s" % (method, answer.get("code", "nothing")))
        return answer["results"]


def main():
    DBusGMainLoop(set_as_default=True)
    token_file, keys = sys.argv[1], sys.argv[2:]
    portal = Portal()
    version = int(portal.portal.Get(REMOTE, "version", dbus_interface=dbus.PROPERTIES_IFACE))
    session = portal.request("CreateSession", options={"session_handle_token": "keys%d" % os.getpid()})[
        "session_handle"]
    options = {"types": dbus.UInt32(1)}
    if version >= 2:
        options["persist_mode"] = dbus.UInt32(2)
        if os.path.exists(token_file):
            options["restore_token"] = open(token_file).read()
    portal.request("SelectDevices", dbus.ObjectPath(session), options=options)
    results = portal.request("Start", dbus.ObjectPath(session), "", options={})
    if "restore_token" in results:
        with open(token_file, "w") as f:
            f.write(str(results["restore_token"]))
    for key in keys:
        for state in (1, 0):
            portal.portal.NotifyKeyboardKeycode(dbus.ObjectPath(session), {}, CODES[key], dbus.UInt32(state),
                                                dbus_interface=REMOTE)
            time.sleep(0.05)
    portal.bus.get_object(PORTAL, session).Close(dbus_interface="org.freedesktop.portal.Session")
    return 0


if __name__ == "__main__":
    sys.exit(main())
