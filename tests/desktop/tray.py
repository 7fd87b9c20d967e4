#!/usr/bin/python3
"""Plays Plasma's system tray for the desktop's own status items, over the session bus.
Usage: tray.py host                registers as the tray (a StatusNotifierHost) and stays until killed
       tray.py click TITLE ENTRY   presses ENTRY in the menu of the newest status item titled TITLE,
                                   as the tray does when the user picks it
Needs Debian's python3-dbus and python3-gi, and a StatusNotifierWatcher (kded's module) on the bus."""

import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
PROPERTIES = "org.freedesktop.DBus.Properties"


def host(bus):
    name = "org.kde.StatusNotifierHost-%d" % os.getpid()
    keep = dbus.service.BusName(name, bus)
    bus.get_object(WATCHER, "/StatusNotifierWatcher").RegisterStatusNotifierHost(name, dbus_interface=WATCHER)
    print("registered", name, flush=True)
    GLib.MainLoop().run()
    return keep


def find(node, entry):
    ident, props, children = node
    if str(props.get("label", "")).replace("&", "").replace("_", "") == entry:
        return ident
    for child in children:
        found = find(child, entry)
        if found is not None:
            return found
    return None


def click(bus, title, entry):
    watcher = bus.get_object(WATCHER, "/StatusNotifierWatcher")
    # The newest first: a back end that outlived the portal's front end keeps its dead session's item.
    items = watcher.Get(WATCHER, "RegisteredStatusNotifierItems", dbus_interface=PROPERTIES)
    for item in reversed(items):
        service, _, path = str(item).partition("/")
        obj = bus.get_object(service, "/" + path if path else "/StatusNotifierItem")
        if str(obj.Get("org.kde.StatusNotifierItem", "Title", dbus_interface=PROPERTIES)) != title:
            continue
        menu = bus.get_object(service, obj.Get("org.kde.StatusNotifierItem", "Menu", dbus_interface=PROPERTIES))
        menu.AboutToShow(0, dbus_interface="com.canonical.dbusmenu")
        _, layout = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface="com.canonical.dbusmenu")
        ident = find(layout, entry)
        if ident is None:
            sys.exit("no %r in the menu of %r" % (entry, title))
        menu.Event(ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                   dbus_interface="com.canonical.dbusmenu")
        print("pressed %r of %r" % (entry, title))
        return 0
    sys.exit("no status item titled %r" % title)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    if sys.argv[1] == "host":
        host(bus)
        return 0
    if sys.argv[1] == "click":
        return click(bus, sys.argv[2], sys.argv[3])
    return 2


if __name__ == "__main__":
    sys.exit(main())
