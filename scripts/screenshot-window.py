"""Used by scripts/screenshots and scripts/demo: starts talvessa on an indexed home, chooses all
dates and Pictures in the contents list, selects the first chat, waits for its page and takes a
picture of the window. Usage: screenshot-window.py BUILD_DIR HOME OUTPUT.png"""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
from atspi_window import choose_chats_with_pictures, talvessa, wait_for, walk  # noqa: E402

build, home, output = sys.argv[1:4]
# The window's statistics line once the chats with pictures are listed, as the command line says it.
pictures = json.loads(subprocess.run([os.path.join(build, "cli", "talvessa-cli"), "--transcripts-home", home, "list",
                                      "--when", "All", "--contents", "Pictures", "--json"],
                                     check=True, capture_output=True, text=True).stdout)

with talvessa(os.path.join(build, "app", "talvessa"), home) as frame:
    wait_for("the chats list", lambda: any(a.getRoleName() == "label" and " chats, " in a.name for a in walk(frame)))
    chats = choose_chats_with_pictures(frame, statistics=pictures["statistics"])
    time.sleep(1.0)
    chats.querySelection().selectChild(0)
    time.sleep(3.0)  # the page and its pictures load
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Talvessa$"],
                            check=True, capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["import", "-window", window, output], check=True)
