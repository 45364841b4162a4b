#!/usr/bin/python3
"""Reads Kestrun's window from outside, as a screen reader does, through AT-SPI.

Run it inside the accessibility session that scripts/accessible-session.sh sets up, while
Kestrun runs there. It prints one line for each item a user can see, in window order, the
progress bar by the share it names, and last the line of the item that has the keyboard focus:

    window: Available updates
    [x] Editor 2.0 Update 1
    [ ] Viewer Add-in
    button: Install
    text: Downloading file 1 of 2 (1.2 MB of 3.0 MB)
    progress: 40%
    focus: [x] Editor 2.0 Update 1

  window-reader.py                      print the window once
  window-reader.py --wait TEXT          wait until a visible item contains TEXT, then print
  window-reader.py --timeout SECONDS    how long to wait for the window and TEXT (default 60)

Exit code 0 when the window (and TEXT) was seen, 1 on time-out.
"""
import argparse
import sys
import time

import pyatspi

APPLICATION = "kestrun"


def find_window():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is not None and application.name == APPLICATION and application.childCount:
            return application.getChildAtIndex(0)
    return None


def is_showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def line_of(node):
    """The line of a visible item, or None for a node that is none; a check box is read with
    its label, the progress bar with its value."""
    role = node.getRole()
    if role == pyatspi.ROLE_CHECK_BOX:
        label = node.getChildAtIndex(0).name if node.childCount else node.name
        mark = "x" if node.getState().contains(pyatspi.STATE_CHECKED) else " "
        enabled = node.getState().contains(pyatspi.STATE_ENABLED)
        return f"[{mark}] {label}" + ("" if enabled else " (disabled)")
    if role == pyatspi.ROLE_PUSH_BUTTON:
        return f"button: {node.name}"
    if role == pyatspi.ROLE_LABEL:
        return f"text: {node.name}" if node.name else ""
    if role == pyatspi.ROLE_PROGRESS_BAR:
        return f"progress: {node.name or 'moving'}"
    return None


def describe(node, lines, focus):
    """Appends the visible items below node to lines, and the first line of the focused one to
    focus."""
    line = line_of(node)
    if line is None:
        for index in range(node.childCount):
            describe(node.getChildAtIndex(index), lines, focus)
    elif line and is_showing(node):
        lines.append(line)
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            focus.append(f"focus: {line.splitlines()[0]}")


def read_window():
    window = find_window()
    if window is None:
        return None
    lines, focus = [f"window: {window.name}"], []
    describe(window, lines, focus)
    return lines + focus


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wait", metavar="TEXT", default="")
    parser.add_argument("--timeout", type=float, default=60)
    arguments = parser.parse_args()
    deadline = time.monotonic() + arguments.timeout
    lines = None
    while time.monotonic() < deadline:
        try:
            lines = read_window()
        except Exception:  # the window may change or go while it is read
            lines = None
        if lines and any(arguments.wait in line for line in lines[1:]):
            print("\n".join(lines))
            return 0
        time.sleep(0.2)
    if lines:
        print("\n".join(lines))
    print(f"window-reader: {'no window' if not lines else 'not seen: ' + arguments.wait}",
          file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
