#!/usr/bin/python3
"""Reads the running examdesk over AT-SPI as a screen reader does: the window's title, the
editor, the preview page, the error list, the class table and the four commands by their names;
then presses "Проверить работы" and checks that the press returns at once although the command
opens a dialog. Prints what is missing and exits 1 then.

Usage: desk-atspi-check.py PID
"""

import sys
import time

import pyatspi
from gi.repository import GLib


def find_app(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def all_nodes(app):
    return pyatspi.findAllDescendants(app, lambda n: n is not None)


def read(node):
    """(node, role, name, states, description) of a node, or None for one gone meanwhile: the
    page's accessible object is made anew each time a page is shown."""
    try:
        return node, node.getRole(), node.name, node.getState(), node.description
    except GLib.GError:
        return None


def snapshot(app):
    try:
        nodes = all_nodes(app)
    except GLib.GError:  # a node replaced while the tree was walked: the caller looks again
        return []
    return [r for r in (read(n) for n in nodes) if r is not None]


def main():
    pid = int(sys.argv[1])
    app = None
    for _ in range(100):
        app = find_app(pid)
        if app is not None and app.childCount > 0:
            break
        GLib.usleep(100000)
    if app is None:
        print("no application with pid", pid)
        return 1
    problems = []
    frame = app.getChildAtIndex(0)
    if "demo.md" not in frame.name:
        problems.append("window title without the file name: %r" % frame.name)
    # The preview's page is made after the first parse; its description reads its text and its
    # options.
    for _ in range(50):
        nodes = snapshot(app)
        page = [description for _, _, name, _, description in nodes
                if name == "Страница вопроса" and description]
        if page:
            break
        GLib.usleep(100000)
    editable = [name for _, _, name, states, _ in nodes
                if states.contains(pyatspi.STATE_EDITABLE)
                and states.contains(pyatspi.STATE_MULTI_LINE)]
    if editable != ["Текст теста"]:
        problems.append("multi-line editable texts: %r" % editable)
    if not page or "скорости" not in page[0]:
        problems.append("preview page: %r" % page)
    for name in ("Ошибки", "Оценки учеников"):
        if not any(n[2] == name for n in nodes):
            problems.append("no control named %r" % name)
    commands = {}
    for node, role, name, _, _ in nodes:
        if role in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM):
            commands.setdefault(name, node)
    for name in ("Собрать тест", "Пробный запуск", "Проверить работы", "Печать"):
        if name not in commands:
            problems.append("no command named %r" % name)
    if "Проверить работы" in commands:
        action = commands["Проверить работы"].queryAction()
        started = time.monotonic()
        action.doAction(0)
        took = time.monotonic() - started
        print("press returned after %.3f s" % took)
        if took > 1.0:
            problems.append("the press waited for the dialog: %.1f s" % took)
        # The dialog opens after the press has returned.
        opened = False
        for _ in range(50):
            if any(c.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FILE_CHOOSER) for c in app):
                opened = True
                break
            GLib.usleep(100000)
        if not opened:
            problems.append("the command's dialog did not open")
    for p in problems:
        print("desk-atspi:", p)
    print("checked: title, editor, preview page, errors, class table, commands")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
