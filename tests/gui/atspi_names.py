# SPDX-License-Identifier: GPL-3.0-or-later
"""atspi_names.py PROGRAM: reads the main window and each window of the Tools
menu through AT-SPI as a screen reader does; fails on an unnamed focusable
control, or two with one name in a window. Page tabs and what lists, tables and
combo boxes hold are values. Run it under a private session bus, no DISPLAY."""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi

HOLDS_VALUES = {pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}


def wait_for(what, program, find):
    deadline = time.monotonic() + 120
    while program.poll() is None and time.monotonic() < deadline:
        if found := find():
            return found
        time.sleep(0.1)
    sys.exit(f"no {what}; the program's exit status: {program.poll()}")


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
        found += [control for child in node if child is not None for control in controls(child, path)]
    return found


def faults(window):
    found = controls(window)
    names = [name for name, _ in found]
    print(f"{window.name}: {len(found)} focusable controls")
    return ([f"{window.name}: no name: {where}" for name, where in found if not name]
            + [f"{window.name}: {names.count(n)} named '{n}'" for n in sorted(set(names)) if n and names.count(n) > 1])


def main():
    ready, told = os.pipe()  # Xvfb tells on it the display it found free, once it serves there
    server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-nolisten", "tcp", "-screen", "0", "1280x1024x24"],
                              pass_fds=[told])
    os.close(told)
    with os.fdopen(ready) as display:
        program = subprocess.Popen(sys.argv[1:], env=dict(os.environ, DISPLAY=":" + display.readline().strip()))
    try:
        app = wait_for("program on the accessibility bus", program, lambda: next(
            (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == program.pid), None))
        app.set_cache_mask(Atspi.Cache.NONE)  # states and children as they are now, not as first seen
        main_window = wait_for("main window", program, lambda: shown_window(app, "ZQ40613 Evaluation Software"))
        tools = wait_for("Tools menu", program, lambda: pyatspi.findDescendant(
            main_window, lambda n: n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name == "Tools"))[0]
        problems = faults(main_window)
        for entry in [item for item in tools if item.getRole() == pyatspi.ROLE_MENU_ITEM]:
            entry.queryAction().doAction(0)
            problems += faults(wait_for(entry.name, program, lambda: shown_window(app, entry.name.rstrip("…"))))
    finally:
        for process in (program, server):
            process.terminate()
            process.wait()
    print("\n".join(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
