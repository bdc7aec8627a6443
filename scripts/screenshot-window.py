"""Used by scripts/screenshots and scripts/demo: starts talvessa on an indexed home, chooses all
dates and Pictures in the contents list, selects the first chat, waits for its page and takes a
picture of the window; with a second picture file, it then marks the chat's first picture with Next,
opens it with Return and takes a picture of the screen: the picture's window over the main window,
under a window manager.
Usage: screenshot-window.py BUILD_DIR HOME OUTPUT.png [VIEWER.png]"""
import json
import os
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
from atspi_window import choose_chats_with_pictures, find, talvessa, wait_for, walk  # noqa: E402

build, home, output = sys.argv[1:4]
viewer_output = sys.argv[4] if len(sys.argv) > 4 else None
# The window's statistics line once the chats with pictures are listed, as the command line says it.
pictures = json.loads(subprocess.run([os.path.join(build, "cli", "talvessa-cli"), "--transcripts-home", home, "list",
                                      "--when", "All", "--contents", "Pictures", "--json"],
                                     check=True, capture_output=True, text=True).stdout)


def window_id(name):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                          check=True, capture_output=True, text=True).stdout.split()[0]


def shoot(name, output):
    subprocess.run(["import", "-window", window_id(name), output], check=True)


with talvessa(os.path.join(build, "app", "talvessa"), home) as frame:
    wait_for("the chats list", lambda: any(a.getRoleName() == "label" and " chats, " in a.name for a in walk(frame)))
    chats = choose_chats_with_pictures(frame, statistics=pictures["statistics"])
    time.sleep(1.0)
    chats.querySelection().selectChild(0)
    time.sleep(3.0)  # the page and its pictures load
    shoot("Talvessa", output)
    if viewer_output:
        # The picture's window over the main window, both with a window manager's frames.
        manager = subprocess.Popen(["openbox"], stderr=subprocess.DEVNULL)
        time.sleep(1.0)
        transcript = find(frame, "filler", "Transcript")
        box = transcript.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(box.x + box.width - 20, box.y + box.height - 10, "b1c")
        page = find(transcript, "filler", "WebKitWebView")
        wait_for("the page to take the keyboard", lambda: page.getState().contains(pyatspi.STATE_FOCUSED))
        find(frame, "push button", "Next Picture").queryAction().doAction(0)
        wait_for("the marked picture", lambda: transcript.description.startswith("Picture"))
        pyatspi.Registry.generateKeyboardEvent(0xff0d, None, pyatspi.KEY_SYM)  # Return
        application = frame.parent
        viewer = wait_for("the picture's window", lambda: next(
            (application.getChildAtIndex(i) for i in range(application.childCount)
             if application.getChildAtIndex(i).getRoleName() == "frame" and application.getChildAtIndex(i).name != "Talvessa"), None))
        time.sleep(1.0)
        subprocess.run(["xdotool", "windowmove", window_id(viewer.name), str(box.x + box.width // 2), str(box.y + 60)], check=True)
        time.sleep(1.0)
        subprocess.run(["import", "-window", "root", "-trim", "+repage", viewer_output], check=True)
        manager.terminate()
        manager.wait()
