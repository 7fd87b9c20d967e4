#!/usr/bin/python3
"""Drives Kivano through the accessibility bus, as a screen reader or a test robot would.
Usage: atspi.py press NAME       presses the push button of that accessible name
       atspi.py names            lists the names and roles of every control
       atspi.py labels           prints the text of every label, one a line
       atspi.py text NAME        prints the text the control of that accessible name shows
       atspi.py focused          prints the name of the control that has the keyboard focus
Needs Debian's python3-pyatspi (run with /usr/bin/python3) and the accessibility bus."""

import sys
import time

import pyatspi


def kivano():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name in ("kivano", "Kivano"):
                return app
        time.sleep(0.1)
    sys.exit("no Kivano on the accessibility bus")


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def main():
    app = kivano()
    if sys.argv[1] == "names":
        for node in walk(app):
            print(f"{node.getRoleName()}: {node.name}")
        return 0
    if sys.argv[1] == "press":
        for _ in range(50):
            for node in walk(app):
                # AT-SPI 2.56 calls a push button "button".
                if node.getRoleName() in ("push button", "button") and node.name == sys.argv[2]:
                    node.queryAction().doAction(0)
                    return 0
            time.sleep(0.1)
        sys.exit(f"no button {sys.argv[2]}")
    if sys.argv[1] == "labels":
        for node in walk(app):
            if node.getRoleName() == "label":
                print(node.queryText().getText(0, -1) if "Text" in node.get_interfaces() else node.name)
        return 0
    if sys.argv[1] == "focused":
        for node in walk(app):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                print(node.name)
        return 0
    if sys.argv[1] == "text":
        for node in walk(app):
            if node.name == sys.argv[2]:
                print(node.queryText().getText(0, -1).replace("\u2028", "\n"))
                return 0
        sys.exit(f"no control {sys.argv[2]}")
    return 2


if __name__ == "__main__":
    sys.exit(main())
