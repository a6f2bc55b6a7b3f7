#!/usr/bin/python3
"""Presses the window's dialog-opening buttons over AT-SPI as a screen reader or voice control
does, with a short reply time-out: every press must answer at once, the dialog it opens must
come up, and keys then close it. Also checks that the toolbars carry Russian names.

Usage: exam-press-check.py PID WINDOW (the program runs on the demo test, not yet ended)
"""

import subprocess
import sys
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib
import pyatspi

# A press that blocks is cut off after this many milliseconds, and fails the check.
REPLY_TIMEOUT_MS = 2000
# Each press, the keys that close what it opens (one entry per dialog, in order).
PRESSES = [
    ("Окончить", ["Escape"]),      # the stop dialog, cancelled
    ("Окончить", ["Tab Return"]),  # confirmed with OK: the exam ends
    ("Cохранить мои ответы", ["Escape"]),
    ("Загрузить мои ответы", ["Escape"]),
    ("Загрузить ответы к тесту", ["Escape"]),
    ("Начать", ["Escape"]),              # the file dialog
]
TOOLBARS = {"Ход тестирования", "Вид и ответы"}


def find_app(pid):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.1)
    return None


def dialogs(app):
    found = []
    for window in app:
        if window is None:
            continue
        try:
            if window.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FILE_CHOOSER, pyatspi.ROLE_ALERT) \
                    and window.getState().contains(pyatspi.STATE_SHOWING):
                found.append(window.name)
        except GLib.Error:
            pass
    return found


def wait_for(predicate, seconds=10.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.1)
    return False


def button(app, name):
    return pyatspi.findDescendant(
        app, lambda n: n is not None and n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            return action.doAction(i)
    raise RuntimeError("no Press action on " + node.name)


def main():
    pid, window = int(sys.argv[1]), sys.argv[2]
    Atspi.set_timeout(REPLY_TIMEOUT_MS, 15000)
    app = find_app(pid)
    if app is None:
        print("no application with pid", pid)
        return 2
    failures = []
    bars = {n.name for n in pyatspi.findAllDescendants(
        app, lambda n: n is not None and n.getRole() == pyatspi.ROLE_TOOL_BAR)}
    if bars != TOOLBARS:
        failures.append("toolbars are named %s, not %s" % (sorted(bars), sorted(TOOLBARS)))

    for name, keys in PRESSES:
        target = button(app, name)
        if target is None:
            failures.append("no button " + name)
            break
        started = time.monotonic()
        try:
            press(target)
        except GLib.Error as error:
            failures.append("%s: the press got no reply within %d ms (%s)"
                            % (name, REPLY_TIMEOUT_MS, error.message))
        took = time.monotonic() - started
        if took > 1.0:
            failures.append("%s: the press took %.1f s to answer" % (name, took))
        for key in keys:
            if not wait_for(lambda: dialogs(app)):
                failures.append("%s: no dialog came up" % name)
                break
            shown = dialogs(app)
            print("%s -> %s, closed by %s" % (name, shown[0], key))
            subprocess.run(["xdotool", "key", "--clearmodifiers"] + key.split(), check=False)
            if not wait_for(lambda: shown[0] not in dialogs(app)):
                failures.append("%s: %s did not close on %s" % (name, shown[0], key))
                return report(failures)
        # The window is the student's again before the next press.
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
        time.sleep(0.3)
    return report(failures)


def report(failures):
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
