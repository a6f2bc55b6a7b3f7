#!/usr/bin/python3
"""Reads a running program's check boxes, radio buttons, groups and labels over AT-SPI, as a
screen reader does, optionally fires one control's action, and prints what it found.

Usage: xp-atspi-check.py PID [ACTION NAME]
Prints one line per control, `role|name|states|actions`, then, when an action was asked for,
`event|name|checked` for each checked-state event heard within two seconds of firing it and
`after|name|states`.
"""

import sys

import pyatspi
from gi.repository import GLib

ROLES = {pyatspi.ROLE_CHECK_BOX: "check box", pyatspi.ROLE_RADIO_BUTTON: "radio button",
         pyatspi.ROLE_PANEL: "panel", pyatspi.ROLE_GROUPING: "grouping",
         pyatspi.ROLE_LABEL: "label"}
# Panels and labels are listed only when they carry a name.
NAMED_ONLY = (pyatspi.ROLE_PANEL, pyatspi.ROLE_LABEL)
STATES = [("checkable", pyatspi.STATE_CHECKABLE), ("checked", pyatspi.STATE_CHECKED),
          ("focusable", pyatspi.STATE_FOCUSABLE), ("focused", pyatspi.STATE_FOCUSED),
          ("enabled", pyatspi.STATE_ENABLED)]


def find_app(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def states(node):
    held = node.getState()
    return ",".join(name for name, state in STATES if held.contains(state))


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def controls(app):
    wanted = pyatspi.findAllDescendants(app, lambda n: n is not None and n.getRole() in ROLES)
    return [n for n in wanted if n.getRole() not in NAMED_ONLY or n.name]


def fire(node, action_name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            action.doAction(i)
            return True
    return False


def main():
    pid = int(sys.argv[1])
    app = None
    for _ in range(50):
        app = find_app(pid)
        if app is not None:
            break
        GLib.usleep(100000)
    if app is None:
        print("no application with pid", pid, file=sys.stderr)
        return 2
    found = controls(app)
    for node in found:
        print("|".join([ROLES[node.getRole()], node.name, states(node), ",".join(actions(node))]))
    if len(sys.argv) < 4:
        return 0

    action_name, target_name = sys.argv[2], sys.argv[3]
    target = next((n for n in found if n.name == target_name), None)
    if target is None:
        print("no control named", target_name, file=sys.stderr)
        return 3

    def heard(event):
        print("|".join(["event", event.source.name, str(event.detail1)]))

    def act():
        if not fire(target, action_name):
            print("no action", action_name, file=sys.stderr)
        return False

    def stop():
        pyatspi.Registry.stop()
        return False

    pyatspi.Registry.registerEventListener(heard, "object:state-changed:checked")
    GLib.timeout_add(300, act)
    GLib.timeout_add(2300, stop)
    pyatspi.Registry.start()
    print("|".join(["after", target.name, states(target)]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
