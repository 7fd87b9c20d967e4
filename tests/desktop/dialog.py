#!/usr/bin/python3
"""Answers the desktop's own dialog through the accessibility bus, as a screen-reader user would.
Usage: dialog.py answer BUTTON [SWITCHES] waits for the dialog, turns on each switch or check box
                                          named in SWITCHES (";" between names, e.g. GNOME's "Allow
                                          remote interaction"), then presses BUTTON
       dialog.py shown SECONDS BUTTON     succeeds if a dialog with BUTTON comes up within SECONDS
       dialog.py dump                     lists every application's controls
A button matches when a word of its name is BUTTON (GTK names GNOME's "_Share Share").
Needs Debian's python3-pyatspi (run with /usr/bin/python3) and the accessibility bus."""

import sys
import time

import pyatspi

BUTTONS = ("push button", "button")
SWITCHES = ("toggle button", "check box", "switch")


def walk(node, depth=0):
    if depth > 40:
        return
    yield node
    try:
        children = list(node)
    except Exception:  # a window closing under us
        return
    for child in children:
        if child is not None:
            yield from walk(child, depth + 1)


def desktop_apps():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name not in ("kivano", "Kivano"):
            yield app


def matches(node, word):
    return word.lower() in node.name.replace("_", "").lower().split()


def windows(app):
    """The application's windows on screen (GTK 4.8 marks only the window itself as showing)."""
    for window in app:
        try:
            if window is not None and window.getState().contains(pyatspi.STATE_SHOWING):
                yield window
        except Exception:
            continue


def find_button(word):
    for app in desktop_apps():
        for window in windows(app):
            for node in walk(window):
                try:
                    if node.getRoleName() in BUTTONS and matches(node, word):
                        return window, node
                except Exception:
                    continue
    return None, None


def can_act(node):
    try:
        return node.queryAction().nActions > 0
    except NotImplementedError:
        return False


def turn_on(window, name):
    """Turns on the switch or check box of that name (GTK 4.18's switch row names the row, not the
    switch inside it); one already on is left alone."""
    for node in walk(window):
        if name.lower() not in node.name.replace("_", "").lower():
            continue
        for toggle in walk(node):
            if toggle.getRoleName() not in SWITCHES:
                continue
            if toggle.getState().contains(pyatspi.STATE_CHECKED):
                return True
            if not can_act(toggle):
                continue
            toggle.queryAction().doAction(0)
            for _ in range(50):
                if toggle.getState().contains(pyatspi.STATE_CHECKED):
                    return True
                time.sleep(0.1)
    return False


def wait_button(word, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        app, button = find_button(word)
        if button is not None:
            return app, button
        time.sleep(0.3)
    return None, None


def answer(word, switches):
    window, button = wait_button(word, 45)
    if button is None:
        sys.exit(f"no dialog with a button {word}")
    for name in filter(None, switches.split(";")):
        if not turn_on(window, name):
            sys.exit(f"no switch {name} to turn on in {window.name}")
    for _ in range(50):  # Share waits for the switch
        if button.getState().contains(pyatspi.STATE_SENSITIVE):
            break
        time.sleep(0.1)
    said = f"{window.getApplication().name}, {window.name!r}: pressed {button.name!r}"
    button.queryAction().doAction(0)
    print(said)
    return 0


def main():
    if sys.argv[1] == "answer":
        return answer(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else "")
    if sys.argv[1] == "shown":
        return 0 if wait_button(sys.argv[3], float(sys.argv[2]))[1] is not None else 1
    if sys.argv[1] == "dump":
        for app in desktop_apps():
            for node in walk(app):
                print(f"{app.name}: {node.getRoleName()}: {node.name}")
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main())
