# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the program's windows as a screen reader does, through AT-SPI.

Starts the program given on the command line, opens every entry of its Tools
menu through the menu's own AT-SPI action, and walks each window's tree, but
those whose titles are given as --skip=TITLE before the program.
Fails on a focusable control without a name, and on two focusable controls
of one window with the same name. Items of a list, table or page tab list,
and the list a combo box drops down, are its container's values, not
controls. Run under a private session bus with the accessibility bus on it
and an X server, such as dbus-run-session inside xvfb-run.
"""

import subprocess
import sys
import time

import pyatspi

TIMEOUT_S = 120
POLL_S = 0.1
ITEM_ROLES = {pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM,
              pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TABLE_COLUMN_HEADER,
              pyatspi.ROLE_TABLE_ROW_HEADER, pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER}
VALUE_HOLDERS = {pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE,
                 pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE}


def wait_for(what, find):
    """What find() returns once it is true; fails after TIMEOUT_S."""
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(POLL_S)
    sys.exit(f"timed out waiting for {what}")


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def windows(app):
    """The program's shown windows by title."""
    return {w.name: w for w in app if w is not None
            and w.getState().contains(pyatspi.STATE_SHOWING)}


def tools_entries(main):
    def find(node):
        if node.getRoleName() == "menu item" and node.name == "Tools":
            return [item for item in node[0] if item.getRole() == pyatspi.ROLE_MENU_ITEM]
        for child in node:
            found = child is not None and find(child)
            if found:
                return found
        return None
    return find(main)


def focusable_controls(node, path=""):
    """(name, where) of each focusable control below node."""
    role = node.getRole()
    where = f"{path}/{node.getRoleName()}"
    if role in ITEM_ROLES:
        return []
    found = []
    if node.getState().contains(pyatspi.STATE_FOCUSABLE):
        found.append((node.name.strip(), f"{where} '{node.name}'"))
    if role not in VALUE_HOLDERS:
        for child in node:
            if child is not None:
                found += focusable_controls(child, where)
    return found


def faults(title, window):
    controls = focusable_controls(window)
    problems = [f"{title}: no name: {where}" for name, where in controls if not name]
    names = [name for name, _ in controls if name]
    problems += [f"{title}: {names.count(name)} controls named '{name}'"
                 for name in sorted(set(names)) if names.count(name) > 1]
    print(f"{title}: {len(controls)} focusable controls")
    return problems


def main():
    args = sys.argv[1:]
    skipped = [arg.split("=", 1)[1] for arg in args if arg.startswith("--skip=")]
    program = subprocess.Popen([arg for arg in args if not arg.startswith("--skip=")])
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(program.pid))
        title = "ZQ40613 Evaluation Software"
        main_window = wait_for("the main window", lambda: windows(app).get(title))
        entries = wait_for("the Tools menu", lambda: tools_entries(main_window))
        problems = faults(title, main_window)
        for entry in entries:
            name = entry.name.rstrip("…")
            entry.queryAction().doAction(0)
            window = wait_for(f"the window {name}",
                              lambda: next((w for t, w in windows(app).items() if t.startswith(name)), None))
            if name not in skipped:
                problems += faults(name, window)
    finally:
        program.terminate()
        program.wait()
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
