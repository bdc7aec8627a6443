"""Used by scripts/screenshots: starts talvessa on a home, chooses Pictures in the contents list,
selects the first chat, waits for its page and takes a picture of the window.
Usage: screenshot-window.py TALVESSA HOME OUTPUT.png"""
import os
import subprocess
import sys
import time

import pyatspi

program, home, output = sys.argv[1:4]


def wait_for(what, condition, timeout=90):
    end = time.time() + timeout
    while time.time() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception:  # the tree changes while it is read
            pass
        time.sleep(0.3)
    raise SystemExit("timed out waiting for " + what)


def walk(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def named(root, role, name):
    return next(a for a in walk(root) if a.getRoleName() == role and a.name == name)


def rows_of(root, table):
    table = named(root, "tree table", table)
    return next(table.getChildAtIndex(i) for i in range(table.childCount) if table.getChildAtIndex(i).getRoleName() == "list")


bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
app_process = subprocess.Popen([program, "--transcripts-home", home], env=dict(os.environ, GTK_A11Y="atspi"))
try:
    app = wait_for("talvessa", lambda: next(a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "talvessa"))
    frame = wait_for("its window", lambda: named(app, "frame", "Talvessa"))
    wait_for("the chats list", lambda: any(a.getRoleName() == "label" and " chats, " in a.name for a in walk(frame)))
    wait_for("the date list", lambda: rows_of(frame, "Date")).querySelection().selectChild(0)
    contents = wait_for("the contents list", lambda: rows_of(frame, "Contents")).querySelection()
    contents.clearSelection()
    contents.selectChild(3)
    chats = wait_for("the chats table", lambda: rows_of(frame, "Chats"))
    wait_for("chats with pictures", lambda: chats.childCount > 0)
    time.sleep(1.0)
    chats.querySelection().selectChild(0)
    time.sleep(3.0)  # the page and its pictures load
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Talvessa$"], check=True, capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["import", "-window", window, output], check=True)
finally:
    app_process.terminate()
    app_process.wait(timeout=30)
    bus.terminate()
