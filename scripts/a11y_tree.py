#!/usr/bin/python3
"""Reads the desktop program's windows through the accessibility bus (AT-SPI), as a screen
reader does: prints every object as "role | name | description" and fails when a control
that is showing has no name, when a window is no frame or dialog, or when a cell of a grid
says it has the focus while the grid has not. With --press NAME, presses the button of that
name first; with --menu NAME, chooses the menu item of that name; with --key KEY, presses
that key (an X key name, e.g. ctrl+p). With --tabs N it then presses Tab round the active
window, prints the stops, and fails when they are more than N or one has no name.

Used by scripts/a11y-check.sh, which starts the program under Xvfb."""
import subprocess
import sys
import time

import pyatspi

# Roles a user reaches or reads; each needs a name of its own.
CONTROLS = {
    "push button", "text", "table", "image", "scroll bar", "entry", "progress bar",
    "check box", "radio button", "combo box", "spin button", "slider", "list", "tree",
    "page tab", "document frame", "paragraph",
}
# Not read into: the cells of a grid are its rows, which may be millions.
NO_DESCENT = {"table", "menu bar"}
# What a window is to a reader.
WINDOW_ROLES = {"frame", "dialog", "window", "alert", "file chooser"}


def find_app(name, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and (app.name or "").lower() == name.lower():
                return app
        time.sleep(0.3)
    return None


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def walk(obj, depth, out, missing):
    role = obj.getRoleName()
    name = obj.name or ""
    desc = obj.description or ""
    if showing(obj):
        out.append("%s%s | %s | %s" % ("  " * depth, role, name, desc))
        if role in CONTROLS and not name.strip():
            missing.append("%s (%s)" % (role, "/".join(path_of(obj))))
        if depth == 0 and role not in WINDOW_ROLES:
            missing.append("a window that is a %s (%s)" % (role, name))
        if role == "table" and not obj.getState().contains(pyatspi.STATE_FOCUSED):
            for cell in focused_cells(obj):
                missing.append("a focused cell %r in the table %r without the focus" % (cell, name))
    if role in NO_DESCENT:
        return
    for child in obj:
        if child is not None:
            walk(child, depth + 1, out, missing)


def focused_cells(table):
    """The first cells of `table` that say they have the focus."""
    try:
        cells = table.queryTable()
    except NotImplementedError:
        return []
    found = []
    for row in range(min(cells.nRows, 3)):
        for column in range(min(cells.nColumns, 3)):
            cell = cells.getAccessibleAt(row, column)
            if cell is not None and cell.getState().contains(pyatspi.STATE_FOCUSED):
                found.append(cell.name or "%d,%d" % (row, column))
    return found


def path_of(obj):
    names = []
    while obj is not None and obj.getRoleName() != "application":
        names.append(obj.name or obj.getRoleName())
        obj = obj.parent
    return list(reversed(names))


def press(app, label, role="push button"):
    """Presses the showing button `label`, or with role "menu item" chooses the menu item
    `label` (menus are closed: their items are not showing)."""
    def search(obj):
        if obj.getRoleName() == role and obj.name == label and (role == "menu item" or showing(obj)):
            return obj
        if obj.getRoleName() in NO_DESCENT and not (role == "menu item" and obj.getRoleName() == "menu bar"):
            return None
        for child in obj:
            if child is not None:
                found = search(child)
                if found:
                    return found
        return None
    button = search(app)
    if button is None:
        sys.exit("no %s named %r" % (role, label))
    action = button.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Trigger", "trigger"):
            action.doAction(i)
            return
    action.doAction(0)


def focused(obj):
    """The showing object that has the keyboard focus, under `obj`."""
    state = obj.getState()
    if state.contains(pyatspi.STATE_FOCUSED) and showing(obj):
        return obj
    if obj.getRoleName() in NO_DESCENT or (obj.parent is not None and not showing(obj)):
        return None
    for child in obj:
        if child is not None:
            found = focused(child)
            if found:
                return found
    return None


def key(name):
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=False)
    time.sleep(0.4)


def tab_stops(app, most):
    """Presses Tab until the focus comes back where it started: the stops, in order."""
    def where():
        for window in app:
            if window is not None and window.getState().contains(pyatspi.STATE_ACTIVE):
                f = focused(window)
                return f, window.name
        return None, ""
    start, window = where()
    stops = []
    current = start
    for _ in range(most + 5):
        stops.append("%s '%s'" % (current.getRoleName(), current.name) if current else "nothing")
        key("Tab")
        current, _ = where()
        if current is None or start is None or current == start:
            break
    print("Tab stops in %r: %d" % (window, len(stops)))
    for stop in stops:
        print("  " + stop)
    wrong = [s for s in stops if s.endswith("''") or s == "nothing"]
    if len(stops) > most:
        wrong.append("more than %d stops" % most)
    return wrong


def main():
    args = sys.argv[1:]
    app = find_app("quorvex")
    if app is None:
        sys.exit("the program is not on the accessibility bus")
    while args[:1] in (["--press"], ["--menu"], ["--key"]):
        if args[0] == "--key":
            key(args[1])
        else:
            press(app, args[1], "push button" if args[0] == "--press" else "menu item")
        args = args[2:]
        time.sleep(1.5)
    out, missing = [], []
    if args[:1] == ["--tabs"]:
        missing += ["Tab stop: " + w for w in tab_stops(app, int(args[1]))]
        args = args[2:]
    for window in app:
        if window is not None:
            walk(window, 0, out, missing)
    print("\n".join(out))
    if missing:
        print("\nNOT RIGHT: %d object(s)" % len(missing))
        for m in missing:
            print("  " + m)
        sys.exit(1)
    print("\nevery control that shows has a name")


if __name__ == "__main__":
    main()
