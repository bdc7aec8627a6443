"""Drives the real talvessa through AT-SPI as a user would: choose Links, select the first chat,
press Next twice, type a search text; checks the statistics line, the chats listed and the page's
active item against what talvessa-cli answers for the same archive. Then chooses Pictures, steps to
the first chat's picture, opens it with Return and closes its window with Escape."""
import glob
import html.parser
import json
import os
import plistlib
import subprocess
import sys
import time

import pyatspi

from atspi_window import find, key_into, press, rows_of, talvessa, toplevel, wait_for, walk

build, home = sys.argv[1], sys.argv[2]
cli = [os.path.join(build, "cli", "talvessa-cli"), "--transcripts-home", home]
failures = []
passed = 0


def check(condition, message):
    global passed
    print(("ok   " if condition else "FAIL ") + message, flush=True)
    if condition:
        passed += 1
    else:
        failures.append(message)


def row_texts(rows):
    texts = []
    for i in range(rows.childCount):
        row = rows.getChildAtIndex(i)
        cells = [row.getChildAtIndex(c).getChildAtIndex(0).name for c in range(row.childCount)]
        texts.append(cells)
    return texts


def expected(*arguments):
    out = subprocess.run(cli + ["list", "--when", "All", "--sort", "datestarted:desc", "--json", *arguments],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def frames(application):
    """The application's windows that are still there (a closed one may linger as a dead object)."""
    shown = []
    for i in range(application.childCount):
        try:
            child = application.getChildAtIndex(i)
            if child is not None and child.getRoleName() == "frame":
                shown.append(child)
        except Exception:
            pass
    return shown


class Anchors(html.parser.HTMLParser):
    """The text of each anchor of a page whose id begins with a prefix, in document order."""

    def __init__(self, prefix):
        super().__init__()
        self.prefix, self.texts, self.inside = prefix, [], 0

    def handle_starttag(self, tag, attrs):
        if tag == "a" and dict(attrs).get("id", "").startswith(self.prefix):
            self.texts.append("")
            self.inside = 1
        elif tag == "a" and self.inside:
            self.inside += 1

    def handle_endtag(self, tag):
        if tag == "a" and self.inside:
            self.inside -= 1

    def handle_data(self, data):
        if self.inside:
            self.texts[-1] += data


with talvessa(os.path.join(build, "app", "talvessa"), home) as frame:
    statistics = wait_for("the statistics line", lambda: find(frame, "label", pattern=r"^\d+ chats, "))

    # All dates, then Links in the contents list.
    rows_of(frame, "Date").querySelection().selectChild(0)
    contents = rows_of(frame, "Contents").querySelection()
    contents.clearSelection()
    contents.selectChild(2)
    links = expected("--contents", "Links")
    wait_for("the statistics of the Links chats", lambda: find(frame, "label", pattern=r"^\d+ chats, ").name == links["statistics"])
    check(True, "statistics line after choosing Links: " + links["statistics"])
    chats = rows_of(frame, "Chats")
    shown = wait_for("the Links chats listed", lambda: row_texts(chats) if row_texts(chats) and
                     row_texts(chats)[0][0] == links["chats"][0]["participants"] else None)
    check([row[:2] for row in shown] == [[c["participants"], c["topic"]] for c in links["chats"][:len(shown)]],
          "the chats listed are the Links chats, newest first (%d rows drawn of %d)" % (len(shown), links["count"]))

    # The first chat, then Next twice: the second link of its page (the first when it has one).
    chats.querySelection().selectChild(0)
    page = subprocess.run(cli + ["show", str(links["chats"][0]["id"])], check=True, capture_output=True, text=True).stdout
    anchors = Anchors("_LINK-")
    anchors.feed(page)
    check(len(anchors.texts) >= 1, "the first chat's page has %d links" % len(anchors.texts))
    next_button = wait_for("Next enabled", lambda: (lambda b: b if b.getState().contains(pyatspi.STATE_SENSITIVE) else None)(
        find(frame, "push button", pattern="^Next")))
    check(next_button.name == "Next Link", "the Next button reads " + next_button.name)
    transcript = find(frame, "filler", "Transcript")
    time.sleep(1.0)  # the page loads
    for _ in range(2):
        next_button.queryAction().doAction(0)
        time.sleep(0.3)
    want = anchors.texts[1 % len(anchors.texts)]
    described = wait_for("the active item", lambda: transcript.description or None)
    check(described == "Link %d of %d: %s" % (1 % len(anchors.texts) + 1, len(anchors.texts), want),
          "the page's active item: " + described)

    # The first chat deleted through the toolbar and its dialog: the archive no longer lists it.
    press(frame, "Delete Chat")
    dialog = wait_for("the delete dialog", lambda: toplevel(frame, "Delete this chat?"))
    press(dialog, "Delete")
    wait_for("the statistics after the deletion",
             lambda: find(frame, "label", pattern=r"^\d+ chats, ").name != links["statistics"],
             explain=lambda: "(dialog showing: %s)" % dialog.getState().contains(pyatspi.STATE_SHOWING))
    remaining = expected("--contents", "Links")
    check(remaining["count"] == links["count"] - 1 and
          links["chats"][0]["id"] not in [c["id"] for c in remaining["chats"]], "the deleted chat is no longer listed")
    check(find(frame, "label", pattern=r"^\d+ chats, ").name == remaining["statistics"],
          "statistics line after the deletion: " + remaining["statistics"])

    # A search text, typed into the search field.
    search = find(frame, "entry", "Search Transcripts")
    search.queryEditableText().insertText(0, "Wochenende", len("Wochenende"))
    found = expected("--contents", "Links", "--search", "Wochenende")
    wait_for("the search's statistics", lambda: find(frame, "label", pattern=r"^\d+ chats, ").name == found["statistics"])
    check(True, "statistics line after the search: " + found["statistics"])
    shown = wait_for("the found chats listed", lambda: row_texts(chats) if len(row_texts(chats)) == min(found["count"], len(row_texts(chats)))
                     and (not found["chats"] or row_texts(chats)[0][0] == found["chats"][0]["participants"]) else None)
    check([row[:2] for row in shown] == [[c["participants"], c["topic"]] for c in found["chats"][:len(shown)]],
          "the chats listed are those with the search text")
    next_button = find(frame, "push button", pattern="^Next")
    check(next_button.name == "Next Text", "with a search text the Next button reads " + next_button.name)
    if found["count"]:
        chats.querySelection().selectChild(0)
        time.sleep(1.5)  # the page with the matches marked loads
        wait_for("Next enabled", lambda: next_button.getState().contains(pyatspi.STATE_SENSITIVE))
        next_button.queryAction().doAction(0)
        described = wait_for("the active match", lambda: transcript.description if transcript.description.startswith("Text") else None)
        check(described.startswith("Text 1 of ") and described.lower().endswith("wochenende"),
              "Next steps through the search matches only: " + described)

    # A chat with a picture: Next marks it, Return opens it in a window of its own, Escape closes it.
    search.queryEditableText().deleteText(0, len("Wochenende"))
    contents.clearSelection()
    contents.selectChild(3)
    pictures = expected("--contents", "Pictures")
    wait_for("the Pictures chats listed", lambda: row_texts(chats) and row_texts(chats)[0][0] == pictures["chats"][0]["participants"])
    chats.querySelection().selectChild(0)
    next_button = wait_for("Next Picture", lambda: (lambda b: b if b.name == "Next Picture" and b.getState().contains(
        pyatspi.STATE_SENSITIVE) else None)(find(frame, "push button", pattern="^Next")))
    time.sleep(1.5)  # the page and its pictures load
    # A click at the foot of the page puts the keyboard there; Next then marks the picture, Return opens it.
    box = transcript.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width - 20, box.y + box.height - 10, "b1c")
    page = find(transcript, "filler", "WebKitWebView")
    wait_for("the page to take the keyboard", lambda: page.getState().contains(pyatspi.STATE_FOCUSED))
    time.sleep(0.3)
    next_button.queryAction().doAction(0)
    described = wait_for("the active picture", lambda: transcript.description if transcript.description.startswith("Picture") else None)
    check(described.startswith("Picture 1 of "), "Next steps to the chat's first picture: " + described)
    application = frame.parent
    pyatspi.Registry.generateKeyboardEvent(0xff0d, None, pyatspi.KEY_SYM)  # Return
    viewer = wait_for("the picture's window", lambda: next((a for a in frames(application) if a.name != "Talvessa"), None))
    copies = glob.glob(os.path.join(os.environ["TMPDIR"], "talvessa-%d*" % os.getuid(), "viewer-*", viewer.name))
    check(len(copies) == 1, "the picture's window is titled %r after its temporary file" % viewer.name)
    check(find(viewer, "image", viewer.name) is not None, "the window shows the picture")
    # Without a window manager nothing gives the new window the keyboard; xdotool does what one would.
    subprocess.run(["xdotool", "search", "--name", "^%s$" % viewer.name, "windowfocus", "--sync"], check=True)
    pyatspi.Registry.generateKeyboardEvent(0xff1b, None, pyatspi.KEY_SYM)  # Escape
    wait_for("the picture's window to close", lambda: viewer.name not in [a.name for a in frames(application)])
    wait_for("its temporary file to go", lambda: not any(os.path.exists(c) for c in copies))
    check(True, "Escape closes the picture's window and its temporary file goes")
    # Another message style chosen in the preferences (Ctrl+comma) is stored at once.
    key_into("Talvessa", "ctrl+comma")
    preferences = wait_for("the preferences", lambda: toplevel(frame, "Talvessa Preferences"))
    style = wait_for("the style menu", lambda: find(preferences, "combo box", "Message Style"))
    key_into("Talvessa Preferences", "space", "Down", "Return")
    settings = os.path.join(os.environ["XDG_CONFIG_HOME"], "Orvane", "Preferences", "orvane.talvessa.plist")

    def stored_style():
        with open(settings, "rb") as file:
            return plistlib.load(file).get("CustomChatStyle")
    chosen = wait_for("the chosen style stored", stored_style, timeout=20)
    shown = [a.name for a in walk(style) if a.getRoleName() == "label" and a.name not in ("", "(None)")]
    check([chosen] == [name + ".talStyle" for name in shown],
          "the style menu shows %s and CustomChatStyle holds %s" % (shown, chosen))

print("%d passed, %d failed" % (passed, len(failures)))
sys.exit(1 if failures else 0)
