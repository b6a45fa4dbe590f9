#!/usr/bin/python3
"""Start-up of window programs on the X display of $DISPLAY: starts each program, waits until it
maps a top-level window with the given title, and takes the time from the start to the map and
the program's resident size at that moment (VmRSS) and at its peak so far (VmHWM); then asks the
window to close and waits for the program to end. The programs take turns, so that a slow moment
of the machine hits them alike. Prints one line per program: the medians of the runs.
Usage: startup-window.py RUNS TITLE-1 PROGRAM-1 [TITLE-2 PROGRAM-2 ...]
Each PROGRAM is copied into a scratch folder of its own and started there, so that what it
writes (a settings file) lands there."""

import os
import shutil
import select
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display, error, protocol


def status_kib(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def title_of(window):
    try:
        return window.get_wm_name()
    except error.XError:
        return None  # gone meanwhile


def measure(disp, root, title, program):
    # Every window mapped on the root wakes the wait below.
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    disp.sync()
    while disp.pending_events():
        disp.next_event()
    t0 = time.monotonic()
    child = subprocess.Popen([program], cwd=os.path.dirname(program), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    deadline = t0 + 30
    window = None
    while window is None:
        while disp.pending_events():
            event = disp.next_event()
            if event.type == X.MapNotify and title_of(event.window) == title:
                window = event.window
                break
        if window is not None:
            break
        remaining = deadline - time.monotonic()
        if remaining <= 0 or child.poll() is not None:
            child.kill()
            child.wait()
            raise SystemExit(f"{program}: no window '{title}' mapped")
        select.select([disp.fileno()], [], [], remaining)
    seconds = time.monotonic() - t0
    rss, hwm = status_kib(child.pid, "VmRSS"), status_kib(child.pid, "VmHWM")
    protocols = disp.intern_atom("WM_PROTOCOLS")
    delete = disp.intern_atom("WM_DELETE_WINDOW")
    window.send_event(protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
    disp.sync()
    try:
        child.wait(timeout=10)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
    return seconds, rss, hwm


def main():
    runs = int(sys.argv[1])
    pairs = list(zip(sys.argv[2::2], sys.argv[3::2]))
    disp = display.Display()
    root = disp.screen().root
    results = {program: [] for _, program in pairs}
    with tempfile.TemporaryDirectory(prefix="ata-startup.") as scratch:
        folders = {}
        for k, (_, program) in enumerate(pairs):
            folder = os.path.join(scratch, str(k))
            os.mkdir(folder)
            folders[program] = shutil.copy(program, folder)
        # One unmeasured start each, so that every program meets a warm file cache.
        for title, program in pairs:
            measure(disp, root, title, folders[program])
        for _ in range(runs):
            for title, program in pairs:
                results[program].append(measure(disp, root, title, folders[program]))
    for _, program in pairs:
        rows = results[program]
        print("%s %.4f %d %d" % (program, statistics.median(r[0] for r in rows),
                                 statistics.median(r[1] for r in rows),
                                 statistics.median(r[2] for r in rows)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
