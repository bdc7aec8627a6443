"""Driving the real talvessa through the accessibility bus (AT-SPI), for the end-to-end test and
scripts/screenshots: start it with its own accessibility bus, wait for things, find controls by
role and accessible name."""
import contextlib
import os
import re
import subprocess
import time

import pyatspi


def wait_for(what, condition, timeout=90, explain=lambda: ""):
    """The first true value of condition(), tried until the timeout; the tree may change while it is read."""
    end = time.time() + timeout
    while time.time() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception:
            pass
        time.sleep(0.2)
    raise SystemExit("timed out waiting for %s %s" % (what, explain()))


def walk(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role, name=None, pattern=None):
    """The first accessible of the role with that name (or a name matching the pattern), or None."""
    for accessible in walk(root):
        if accessible.getRoleName() != role:
            continue
        if name is not None and accessible.name != name:
            continue
        if pattern is not None and not re.search(pattern, accessible.name):
            continue
        return accessible
    return None


def toplevel(frame, name):
    """The application's window (main window, dialog) with that accessible name, or None."""
    app = frame.parent
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is not None and window.name == name:
            return window
    return None


def press(root, name):
    """Clicks the push button with that accessible name inside root."""
    wait_for("the button " + name, lambda: find(root, "push button", name)).queryAction().doAction(0)


def key_into(title, *keys):
    """Gives the X window of that title the keyboard focus and types the keys (xdotool names)."""
    window = wait_for("the window " + title, lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)],
        capture_output=True, text=True).stdout.split())[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    for key in keys:
        subprocess.run(["xdotool", "key", "--delay", "100", key], check=True)
        time.sleep(0.3)


def rows_of(root, table):
    """The list of rows inside the table with that accessible name."""
    table = find(root, "tree table", table)
    return next(child for child in (table.getChildAtIndex(i) for i in range(table.childCount)) if child.getRoleName() == "list")


def choose_chats_with_pictures(frame, dates="Date", contents="Contents", chats="Chats", statistics=None):
    """Chooses all dates and the chats with pictures in the lists of those accessible names;
    answers the chats list once it has rows, and once the statistics line reads `statistics`
    when given (until then the list may still hold the chats of all dates)."""
    wait_for("the date list", lambda: rows_of(frame, dates)).querySelection().selectChild(0)
    selection = wait_for("the contents list", lambda: rows_of(frame, contents)).querySelection()
    selection.clearSelection()
    selection.selectChild(3)
    if statistics is not None:
        wait_for("the statistics line " + statistics, lambda: find(frame, "label", statistics))
    listed = wait_for("the chats table", lambda: rows_of(frame, chats))
    wait_for("chats with pictures", lambda: listed.childCount > 0)
    return listed


@contextlib.contextmanager
def talvessa(program, home):
    """Starts the accessibility bus and talvessa on `home`; yields its main window; ends both."""
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    process = subprocess.Popen([program, "--transcripts-home", home], env=dict(os.environ, GTK_A11Y="atspi"))
    try:
        app = wait_for("talvessa on the accessibility bus",
                       lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "talvessa"), None))
        yield wait_for("its main window", lambda: find(app, "frame", "Talvessa"))
    finally:
        process.terminate()
        process.wait(timeout=30)
        bus.terminate()
