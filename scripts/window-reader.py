#!/usr/bin/python3
"""Reads Kestrun's window from outside, as a screen reader does, through AT-SPI.

Run it inside the accessibility session that scripts/accessible-session.sh sets up, while
Kestrun runs there. It prints one line for each item a user can see, in window order:

    window: Available updates
    [x] Editor 2.0 Update 1
    [ ] Viewer Add-in
    button: Install
    text: Successfully installed the following products. ...

  window-reader.py                      print the window once
  window-reader.py --wait TEXT          wait until a visible item contains TEXT, then print
  window-reader.py --timeout SECONDS    how long to wait for the window and TEXT (default 60)
  window-reader.py --locate BUTTON      print "x y", the screen position of the centre of the
                                        visible button BUTTON, for a click with xdotool

Exit code 0 when the window (and TEXT, or BUTTON) was seen, 1 on time-out.
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


def describe(node, lines):
    """Appends the visible items below node; a check box is read with its label."""
    role = node.getRole()
    if role == pyatspi.ROLE_CHECK_BOX:
        if is_showing(node):
            label = node.getChildAtIndex(0).name if node.childCount else node.name
            mark = "x" if node.getState().contains(pyatspi.STATE_CHECKED) else " "
            enabled = node.getState().contains(pyatspi.STATE_ENABLED)
            lines.append(f"[{mark}] {label}" + ("" if enabled else " (disabled)"))
        return
    if role == pyatspi.ROLE_PUSH_BUTTON:
        if is_showing(node):
            lines.append(f"button: {node.name}")
        return
    if role == pyatspi.ROLE_LABEL:
        if is_showing(node) and node.name:
            lines.append(f"text: {node.name}")
        return
    if role == pyatspi.ROLE_PROGRESS_BAR:
        if is_showing(node):
            lines.append("progress: shown")
        return
    for index in range(node.childCount):
        describe(node.getChildAtIndex(index), lines)


def locate(node, button):
    """The centre of the visible, enabled button called button below node, or None."""
    if node.getRole() == pyatspi.ROLE_PUSH_BUTTON:
        state = node.getState()
        if node.name == button and state.contains(pyatspi.STATE_SHOWING) \
                and state.contains(pyatspi.STATE_ENABLED):
            extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            return extents.x + extents.width // 2, extents.y + extents.height // 2
        return None
    for index in range(node.childCount):
        found = locate(node.getChildAtIndex(index), button)
        if found:
            return found
    return None


def read_window():
    window = find_window()
    if window is None:
        return None
    lines = [f"window: {window.name}"]
    describe(window, lines)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wait", metavar="TEXT", default="")
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--locate", metavar="BUTTON")
    arguments = parser.parse_args()
    deadline = time.monotonic() + arguments.timeout
    if arguments.locate:
        return print_location(arguments.locate, deadline)
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


def print_location(button, deadline):
    while time.monotonic() < deadline:
        try:
            window = find_window()
            centre = locate(window, button) if window is not None else None
        except Exception:  # the window may change or go while it is read
            centre = None
        if centre:
            print(*centre)
            return 0
        time.sleep(0.2)
    print(f"window-reader: no button {button}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
