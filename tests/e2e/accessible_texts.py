#!/usr/bin/python3
"""Prints the role of the top-level window titled TITLE on the accessibility
bus, then, one a line, the name of every object inside it: the texts a
screen reader reads there. Exits 1 when no such window is there.
  accessible_texts.py TITLE
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def names(node, depth=0):
    if depth > 20:
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        name = child.get_name()
        if name:
            print(name)
        names(child, depth + 1)


title = sys.argv[1]
desktop = Atspi.get_desktop(0)
for a in range(desktop.get_child_count()):
    app = desktop.get_child_at_index(a)
    if app is None:
        continue
    for w in range(app.get_child_count()):
        window = app.get_child_at_index(w)
        if window is not None and window.get_name() == title:
            print(window.get_role_name())
            names(window)
            sys.exit(0)
sys.exit(1)
