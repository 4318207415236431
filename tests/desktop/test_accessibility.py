#!/usr/bin/env python3
"""What a screen reader finds: every control that shows in each window of
quandel and brenlow has a role of its kind, a German name, and its text
readable through the text interface where it shows text; Alt+letter opens
each menu and keeps it open while an accessibility client holds up every
key; the focus is told where a screen reader cannot know it."""

import re
import subprocess
import time

from desktopsession import DesktopSession, _atspi, main
from quandelsteps import Main

# Roles a screen reader announces by name; a control of these roles without
# one is read as "button" or "text" alone.
NAMED_ROLES = {"push button", "check box", "radio button", "list", "text", "combo box", "menu item",
               "page tab", "spin button", "slider", "tree", "table", "toggle button", "label", "image",
               "scroll pane", "dialog", "frame", "alert", "list item", "heading"}
# Roles that hold text a screen reader reads through the text interface.
TEXT_ROLES = {"text", "heading", "paragraph", "entry", "password text"}
# Qt's own English words in names (its file dialog, message boxes); "OK"
# and "Name" are German too.
ENGLISH = re.compile(r"\b(Cancel|Open|Save|Close|Yes|No|Apply|Help|Back|Forward|Look in|File name|Files of type|"
                     r"Detail View|List View|Parent Directory|Create New Folder|Size|Type|Date Modified|Choose|"
                     r"Directory|Folder|bytes|Discard|Retry|Ignore)\b")


def problems_of(s: DesktopSession, window) -> list[str]:
    """Every showing accessible below the window that a screen reader would
    misreport: no name, an English name, a control that says only "frame"
    or "filler", text that cannot be read as text."""
    found = []
    for acc in s.find_all(window, showing=True):
        try:
            role, name = acc.getRoleName(), (acc.name or "")
        except Exception:  # noqa: BLE001 - gone while we look
            continue
        where = f"{role} {name!r}"
        if role in NAMED_ROLES and not name.strip():
            found.append(f"{role} without a name at {s.extents(acc)}")
        if ENGLISH.search(name):
            found.append(f"{where}: English")
        if acc is not window and (role in ("frame", "unknown", "invalid") or (role == "filler" and name)):
            found.append(f"{where}: not the role of its kind")
        if role in TEXT_ROLES:
            try:
                s.text(acc)
            except Exception as e:  # noqa: BLE001
                found.append(f"{where}: no text interface ({e})")
    return found


def shown_text(s: DesktopSession, window, role: str, name) -> str:
    return s.text(s.wait_find(window, role=role, name=name, showing=True))


# In a list of keys: wait for a message box before the next keys.
ALERT = object()

# The dialogs and message boxes of the main window: keys that open it, its
# role and title, and, for some, fields whose text must read through the
# text interface.
DIALOGS = [
    (("ctrl+f",), "dialog", " Suchen", None),
    (("alt+a", "o"), "dialog", " Einstellungen", None),
    (("alt+v", "e"), "dialog", "Eigenschaften von Dateizugriff.txt",
     [("Typ", r"^Textdokument \(\.txt\)$"), ("Größe", r"^[\d.]+ Bytes$|^\d+,\d [KM]B \([\d.]+ Bytes\)$"),
      ("Geändert", r"^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$")]),
    (("alt+v", "k"), "alert", re.compile(r"Tivorn Quandel Library$"), None),
    (("alt+v", "k", ALERT, "Return"), "dialog", "Speichern unter ...", None),
    (("alt+v", "u", "Return"), "dialog", re.compile(r"^Speichern unter"), None),
    (("alt+v", "u", "u", "Return"), "dialog", " Umbenennen", None),
    (("alt+f", "v"), "dialog", " Tivorn Quandel Favoriten", None),
    (("alt+v", "v"), "dialog", "Ordner suchen", None),
    (("alt+b", "s"), "dialog", re.compile(r"^Schrift"), None),
    (("ctrl+shift+h",), "dialog", "In allen Dokumenten ersetzen", None),
]


def press(s: DesktopSession, m: Main, keys) -> None:
    """Presses the keys; at ALERT it waits until a message box has the focus."""
    group = []
    for k in keys:
        if k is not ALERT:
            group.append(k)
            continue
        s.key(*group)
        group = []
        alert = s.wait_find(m.app, role="alert", showing=True)
        s.wait_find(alert, role="push button", pred=lambda a: s.has_state(a, "focused"))
    if group:
        s.key(*group)


def test_every_window_reads_well(s: DesktopSession):
    m = Main(s)
    m.select("Dateizugriff")
    problems = {"main window": problems_of(s, m.frame)}
    for keys, role, title, fields in DIALOGS:
        s.activate(m.win)
        press(s, m, keys)
        dialog = s.wait_find(m.app, role=role, name=title, showing=True)
        s.wait_find(dialog, role="push button", showing=True)
        found = problems_of(s, dialog)
        for label, pattern in fields or ():
            text = shown_text(s, dialog, "text", label)
            if not re.search(pattern, text):
                found.append(f"{label} reads {text!r}")
        problems[dialog.name] = found
        s.key("Escape")
        s.wait_for(lambda: s.find(m.app, role=role, showing=True) is None, f"{dialog.name!r} closes")
    problems = {k: v for k, v in problems.items() if v}
    assert not problems, f"misread controls: {problems}"

    # A class and a module of one name differ in their description.
    s.key("ctrl+F2")
    lst = m.document_list()
    s.wait_for(lambda: len(s.find_all(lst, role="list item", name=re.compile(r"^Zeichenketten"))) == 2,
               "class and module Zeichenketten")
    kinds = sorted(i.description for i in s.find_all(lst, role="list item", name=re.compile(r"^Zeichenketten")))
    assert kinds == ["Klasse", "Modul"], kinds
    # Menu entries carry no tab in their names; the keys are shortcuts.
    s.key("alt+b")
    names = [a.name for a in s.find_all(m.app, role="menu item", showing=True)]
    s.key("Escape")
    assert names and not [n for n in names if "\t" in n], names
    assert m.exit() == 0


def test_focus_is_told(s: DesktopSession):
    """The list names its current entry when it gets the focus; after a
    message box, the focus is told again."""
    events = s.watch("object:state-changed:focused")
    m = Main(s)
    m.select("Fehlerbehandlung")
    s.click(m.editor())
    s.wait_for(lambda: any(r == "text" for _, r, _ in events.pump()), "the editor's focus is told")
    events.items.clear()
    s.key("shift+Tab")
    s.wait_for(lambda: ("object:state-changed:focused", "list item", "Fehlerbehandlung") in events.pump(),
               "the list's current entry is told with the focus")
    s.key("alt+v", "l")
    alert = s.wait_find(m.app, role="alert", showing=True)
    s.wait_find(alert, role="push button", name="Nein", showing=True)
    # The box has the keys once its button is told focused; by then the
    # list's loss of the focus has been told too, and is not taken for the
    # focus coming back.
    events.wait(lambda _, role, __: role == "push button", "the message box's button gets the focus")
    events.items.clear()
    s.key("Escape")
    s.wait_for(lambda: s.find(m.app, role="alert", showing=True) is None, "the message box closes")
    s.wait_for(lambda: ("object:state-changed:focused", "list item", "Fehlerbehandlung") in events.pump(),
               "the focus is told again once the message box has closed")
    events.close()
    assert m.exit() == 0


def popups(s: DesktopSession) -> set[str]:
    """The program's windows that show: the main window and open menus."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "quandel"], env=s.env(),
                         capture_output=True, text=True, timeout=10).stdout
    return set(out.split())


def test_alt_letter_keeps_menus_open(s: DesktopSession):
    """A screen reader sees every key before the program; a client that
    takes 150 ms for each makes the program get Alt only after the menu
    that Alt+V opened."""
    at = _atspi()
    m = Main(s)
    m.select("Dateizugriff")
    main_only = popups(s)
    events = s.watch("object:state-changed:focused")

    def slow_reader(event):
        time.sleep(0.15)
        return False

    at.Registry.registerKeystrokeListener(slow_reader, mask=list(range(256)),
                                          kind=(at.KEY_PRESSED_EVENT, at.KEY_RELEASED_EVENT), synchronous=True)

    def keys(*args):
        # The listener answers only while the events are pumped.
        p = subprocess.Popen(["xdotool", *args], env=s.env())
        while p.poll() is None:
            events.pump()
            time.sleep(0.01)
        deadline = time.monotonic() + 0.8
        while time.monotonic() < deadline:
            events.pump()
            time.sleep(0.01)

    failed = []
    rounds = [("v", "Vorgänge", "fast"), ("v", "Vorgänge", "human"), ("b", "Bearbeiten", "fast"),
              ("a", "Ansicht", "fast"), ("s", "Suchen", "fast"), ("f", "Favoriten", "fast")]
    for letter, menu, pace in rounds:
        if pace == "fast":
            keys("key", f"alt+{letter}")
        else:
            keys("keydown", "alt", "sleep", "0.12", "key", letter, "sleep", "0.12", "keyup", "alt")
        if not popups(s) - main_only:
            failed.append(f"{menu} ({pace})")
        keys("key", "Escape")
        s.wait_for(lambda: popups(s) == main_only, "the menu closes")
    at.Registry.deregisterKeystrokeListener(slow_reader, mask=list(range(256)),
                                            kind=(at.KEY_PRESSED_EVENT, at.KEY_RELEASED_EVENT))
    events.close()
    assert not failed, f"menus not open after Alt+letter: {failed}"
    assert m.exit() == 0


def test_disclaimer_and_viewer_read_well(s: DesktopSession):
    proc = s.start_quandel(s.library_copy())
    app = s.wait_app(proc)
    dialog = s.wait_find(app, role="dialog", name=" Sicherheitswarnung", showing=True)
    s.wait_find(dialog, role="push button", name="Ok", showing=True)
    problems = {"disclaimer": problems_of(s, dialog)}
    s.click(s.find(dialog, role="push button", name="Abbrechen"))
    s.wait_exit(proc)
    viewer = s.start_brenlow(f"{s.bin_dir / 'Quandel.chf'},1")
    app = s.wait_app(viewer)
    frame = s.wait_for(lambda: app.getChildAtIndex(0), "the viewer's window")
    s.wait_find(frame, role="push button", name="Themen", showing=True)
    problems["help viewer"] = problems_of(s, frame)
    problems = {k: v for k, v in problems.items() if v}
    assert not problems, f"misread controls: {problems}"
    # The program is called by its caption, the window is a frame, heading
    # and text read as text, and the arrow keys move the caret in the text.
    assert app.name == frame.name and s.role(frame) == "frame", (app.name, s.role(frame))
    heading = s.wait_find(frame, role="heading", showing=True)
    assert s.text(heading) == heading.name and heading.name, heading.name
    body = s.wait_find(frame, role="text", name="Hilfetext", showing=True)
    assert len(s.text(body)) > 40, s.text(body)
    s.click(body)
    s.key("ctrl+Home", "Down", "End")
    caret = s.wait_for(lambda: body.queryText().caretOffset or None, "the caret moves with the keys")
    assert 0 < caret <= len(s.text(body)), caret
    # Without a mouse: a topic from the menu, and its text gets the focus;
    # back to the first, and the focus stays in the text as the button turns
    # off.
    win = s.wait_window_of(viewer)
    s.activate(win)
    first = heading.name
    events = s.watch("object:state-changed:focused")
    s.key("alt+t")
    target = "Vorgänge: Speichern"

    def on_target():
        # Down moves through the entries; each is told once the program
        # knows of the listener.
        s.key("Down")
        told = [n for _, r, n in events.pump() if r.endswith("menu item")]
        return told and told[-1] == target

    s.wait_for(on_target, f"{target!r} marked in the topics menu", interval=0.3)
    s.key("Return")
    s.wait_for(lambda: s.find(frame, role="heading", showing=True).name == target, "the topic chosen")
    s.wait_for(lambda: s.has_state(body, "focused"), "the topic's text has the focus")
    s.key("alt+z")
    s.wait_for(lambda: s.find(frame, role="heading", showing=True).name == first, "back at the first topic")
    back = s.find(frame, role="push button", name="Zurück")
    s.wait_for(lambda: not s.has_state(back, "enabled"), "Zurück off at the first topic")
    assert s.has_state(body, "focused")
    events.close()
    s.key("alt+b")
    s.wait_exit(viewer)


if __name__ == "__main__":
    main(test_every_window_reads_well, test_focus_is_told, test_alt_letter_keeps_menus_open,
         test_disclaimer_and_viewer_read_well)
