"""Used by scripts/screenshots: starts talvessa on a home whose iChat does not save its chats and
takes pictures of the iChat offer, of the delete dialog over the newest chat and of the
preferences, each window alone. Usage: screenshot-dialogs.py TALVESSA HOME OUTPUT_FOLDER"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
import pyatspi  # noqa: E402
from atspi_window import key_into, press, rows_of, talvessa, toplevel, wait_for, walk  # noqa: E402

program, home, out = sys.argv[1:4]


def dismiss(dialog, button):
    press(dialog, button)
    wait_for("the dialog to close", lambda: not dialog.getState().contains(pyatspi.STATE_VISIBLE))


def capture(title, name):
    time.sleep(1.5)  # drawn
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                            check=True, capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["import", "-window", window, os.path.join(out, name)], check=True)


with talvessa(program, home) as frame:
    offer = wait_for("the iChat offer", lambda: toplevel(frame, "iChat does not save your chats"))
    capture("iChat does not save your chats", "ichat-offer.png")
    dismiss(offer, "Not Now")

    wait_for("the chats list", lambda: any(a.getRoleName() == "label" and " chats, " in a.name for a in walk(frame)))
    wait_for("the date list", lambda: rows_of(frame, "Date")).querySelection().selectChild(0)
    chats = wait_for("the chats table", lambda: rows_of(frame, "Chats"))
    wait_for("chats", lambda: chats.childCount > 0)
    chats.querySelection().selectChild(0)
    time.sleep(1.0)
    press(frame, "Delete Chat")
    dialog = wait_for("the delete dialog", lambda: toplevel(frame, "Delete this chat?"))
    capture("Delete this chat\\?", "delete-dialog.png")
    dismiss(dialog, "Cancel")

    key_into("Talvessa", "ctrl+comma")
    wait_for("the preferences", lambda: toplevel(frame, "Talvessa Preferences"))
    capture("Talvessa Preferences", "preferences.png")
