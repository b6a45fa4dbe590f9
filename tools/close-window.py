#!/usr/bin/python3
"""Waits until a top-level X window with the given title is mapped, then asks it to close as a
window manager's close button does (a WM_DELETE_WINDOW message), so that the program goes
through its ordinary shut-down. Usage: close-window.py TITLE SECONDS [--wait-only]. Exits 0 once
the message is sent (with --wait-only: once the window is mapped, leaving it open), 1 when no such
window appeared in time."""

import select
import sys
import time

from Xlib import X, display, error, protocol


def mapped_window(root, title):
    for window in root.query_tree().children:
        try:
            if window.get_wm_name() == title and \
                    window.get_attributes().map_state == X.IsViewable:
                return window
        except error.XError:
            pass  # gone meanwhile
    return None


def main():
    title, seconds = sys.argv[1], float(sys.argv[2])
    disp = display.Display()
    root = disp.screen().root
    # Every window mapped on the root wakes the wait below.
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    disp.sync()
    deadline = time.monotonic() + seconds
    while (window := mapped_window(root, title)) is None:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            print(f"no window '{title}' within {seconds:g} s", file=sys.stderr)
            return 1
        if not disp.pending_events():
            select.select([disp.fileno()], [], [], remaining)
        while disp.pending_events():
            disp.next_event()
    if sys.argv[3:] == ["--wait-only"]:
        return 0
    protocols = disp.intern_atom("WM_PROTOCOLS")
    delete = disp.intern_atom("WM_DELETE_WINDOW")
    window.send_event(protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
    disp.sync()
    return 0


if __name__ == "__main__":
    sys.exit(main())
