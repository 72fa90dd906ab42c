#!/usr/bin/python3
"""A program's accessible objects over AT-SPI, as a screen reader finds them.
Usage: atspi.py expect PID LINE... (each begins an object's role|name|description|actions)
       atspi.py press PID BUTTON"""
import sys
import time

import pyatspi
from gi.repository import GLib


def objects(node):
    yield node
    if node.getRole() != pyatspi.ROLE_LIST:  # a list's children are its entries
        for child in node:
            yield from objects(child)


def actions(node):
    action = node.queryAction() if "Action" in node.get_interfaces() else None
    return [action.getName(i) for i in range(action.nActions)] if action else []


command, pid = sys.argv[1], int(sys.argv[2])
for _ in range(100):
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid]
    if apps:
        break
    time.sleep(0.1)
nodes = [node for app in apps for window in app for node in objects(window)]
if command == "expect":
    lines = ["|".join([n.getRoleName(), n.name, n.description, ",".join(actions(n))]) for n in nodes]
    missing = [line for line in sys.argv[3:] if not any(have.startswith(line) for have in lines)]
    sys.exit(f"missing {missing} among {lines}" if missing else 0)
button = next(n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == sys.argv[3])
try:
    button.queryAction().doAction(actions(button).index("Press"))
except GLib.Error as error:  # a press that ends the program may end it before it replies
    if "disconnected" not in error.message:
        raise
