# SPDX-License-Identifier: GPL-3.0-or-later
"""atspi_names.py PROGRAM: reads PROGRAM's windows through AT-SPI as a
screen reader does, each Tools entry opened by its accessibility action;
fails on a focusable control without a name or two in a window with one
name. Page tabs and what lists, tables and combo boxes hold are values.
Run under a private session bus (dbus-run-session) without DISPLAY: the
program gets an X server of its own on a display Xvfb finds free.
"""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi

HOLDS_VALUES = {pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}


def wait_for(what, find, timeout_s=120):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what}")


def shown_window(app, title):
    return next((w for w in app if w is not None and w.name.startswith(title)
                 and w.getState().contains(pyatspi.STATE_SHOWING)), None)


def controls(node, path=""):
    """(name, where) of each focusable control at and below node."""
    path = f"{path}/{node.getRoleName()}"
    if node.getRole() == pyatspi.ROLE_PAGE_TAB:
        return []
    found = [(node.name.strip(), f"{path} '{node.name}'")] if node.getState().contains(pyatspi.STATE_FOCUSABLE) else []
    if node.getRole() not in HOLDS_VALUES:
        for child in node:
            found += controls(child, path) if child is not None else []
    return found


def faults(title, window):
    found = controls(window)
    names = [name for name, _ in found]
    print(f"{title}: {len(found)} focusable controls")
    return ([f"{title}: no name: {where}" for name, where in found if not name]
            + [f"{title}: {names.count(n)} named '{n}'" for n in sorted(set(names)) if n and names.count(n) > 1])


def x_server():
    """Xvfb on a display it found free, and that display, once it serves."""
    ready, told = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-nolisten", "tcp", "-screen", "0", "1280x1024x24"],
                              pass_fds=[told])
    os.close(told)
    with os.fdopen(ready) as number:
        return server, ":" + number.readline().strip()


def running(program, found):
    if program.poll() is not None:
        sys.exit(f"the program ended with status {program.returncode}")
    return found


def main():
    server, display = x_server()
    program = subprocess.Popen(sys.argv[1:], env=dict(os.environ, DISPLAY=display))
    try:
        app = wait_for("the program on the accessibility bus", lambda: running(program, next(
            (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == program.pid), None)))
        app.set_cache_mask(Atspi.Cache.NONE)  # states and children as they are now, not as first seen
        title = "ZQ40613 Evaluation Software"
        main_window = wait_for(title, lambda: shown_window(app, title))
        tools = wait_for("the Tools menu", lambda: pyatspi.findDescendant(
            main_window, lambda n: n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name == "Tools"))[0]
        problems = faults(title, main_window)
        for entry in [item for item in tools if item.getRole() == pyatspi.ROLE_MENU_ITEM]:
            entry.queryAction().doAction(0)
            window = wait_for(entry.name, lambda: shown_window(app, entry.name.rstrip("…")))
            problems += faults(window.name, window)
    finally:
        for process in (program, server):
            process.terminate()
            process.wait()
    print("\n".join(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
