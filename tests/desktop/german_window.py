"""Used by translation_german.sh: starts talvessa in German on a home, waits for the chats list,
chooses all dates and the chats with pictures through the lists' German names, shows the first
chat and checks the Next item's German title. Usage: german_window.py TALVESSA HOME"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
from atspi_window import choose_chats_with_pictures, find, talvessa, wait_for, walk  # noqa: E402

program, home = sys.argv[1:3]

with talvessa(program, home) as frame:
    wait_for("the statistics line in German", lambda: find(frame, "label", pattern=r"^\d+ Chats, "))
    wait_for("the search field", lambda: find(frame, "entry", "Transkripte durchsuchen"))
    chats = choose_chats_with_pictures(frame, dates="Datum", contents="Inhalt")
    chats.querySelection().selectChild(0)
    wait_for("the Next item for pictures", lambda: find(frame, "push button", "Weiter: Bild"),
             explain=lambda: str(sorted({a.name for a in walk(frame) if a.getRoleName() == "push button"})))
