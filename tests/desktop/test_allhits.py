#!/usr/bin/env python3
"""A module shown as code, and the window " Alle Treffer" with its results,
on the real desktop: placed beside the main window, used with the keyboard
only, its rows read through the accessibility bus. With
QUANDEL_SCREENSHOT_DIR set, the two pictures of the README are written there
(doc/code-module.png, doc/alle-treffer.png)."""

import os
import re
from pathlib import Path

from desktopsession import MAIN_CAPTION, DesktopSession, main

COUNT = re.compile(r"^[\d.]+ Treffer in [\d.]+ Dokumenten?$")
HITS = re.compile(r"^ Alle Treffer")


def shots(s: DesktopSession) -> Path:
    folder = os.environ.get("QUANDEL_SCREENSHOT_DIR")
    return Path(folder) if folder else s.tmp / "shots"


def test_code_and_all_hits(s: DesktopSession):
    s.seed_registry(quiet=True, values={"Pattern": "1", "Left": "600", "Top": "450"})
    proc = s.start_quandel(s.library_copy())
    win = s.wait_window(MAIN_CAPTION)
    app = s.app_quandel()
    lst = s.wait_find(app, role="list")
    s.click(s.wait_find(lst, role="list item", name="Zeichenketten"))
    s.wait_for(lambda: any("OhneUmlaute" in s.text(t) for t in s.find_all(app, role="text")), "the module is shown")
    s.settle()
    s.screenshot(shots(s) / "code-module.png", win)

    s.activate(win)
    s.key("ctrl+shift+f")
    hits = s.wait_window(HITS)
    s.type_text("Text")
    s.key("Return")
    s.wait_find(app, role="label", name=COUNT)
    s.settle()
    s.screenshot(shots(s) / "alle-treffer.png", hits)

    s.key("Escape")
    s.wait_no_window(HITS)
    # The focus goes back to the list it was taken from.
    s.wait_for(lambda: s.has_state(lst, "focused"), "the focus is back in the list")
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0


def overlap(a, b) -> bool:
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def test_keyboard_only(s: DesktopSession):
    s.seed_registry(quiet=True, values={"Pattern": "1", "Left": "600", "Top": "450"})
    proc = s.start_quandel(s.library_copy())
    win = s.wait_window(MAIN_CAPTION)
    app = s.app_quandel()
    lst = s.wait_find(app, role="list", name="Dokumente")
    s.activate(win)
    s.wait_for(lambda: s.has_state(lst, "focused"), "the list has the focus")

    # Through the menu by its access letters.
    s.key("alt+s")
    s.key("a")
    hits = s.wait_window(HITS)
    s.wait_for(lambda: s.active_window() == hits, "the window is active")
    # It leaves the main window, and so the editor, visible.
    assert not overlap(s.outer_geometry(hits), s.outer_geometry(win)), (s.outer_geometry(hits),
                                                                         s.outer_geometry(win))
    # Every control has a German name.
    dialog = s.wait_find(app, role="dialog", name="Alle Treffer")
    for role, name in (("combo box", "Suchen nach"), ("check box", "Groß-/Kleinschreibung beachten"),
                       ("push button", "Suchen"), ("push button", "Abbrechen"), ("progress bar", "Fortschritt")):
        assert s.find(dialog, role=role, name=name), (role, name)

    s.type_text("Dim")
    s.key("Return")
    s.wait_find(dialog, role="label", name=COUNT)
    tree = s.wait_find(dialog, name="Treffer", pred=lambda a: s.role(a) in ("tree", "tree table"))
    # Tab reaches the tree; its rows are read through the bus.
    for _ in range(8):
        if s.has_state(tree, "focused"):
            break
        s.key("Tab")
        s.settle(quiet_for=0.2)
    assert s.has_state(tree, "focused"), "Tab reaches the tree"
    rows = s.find_all(tree, name=re.compile(r"^Zeile \d+$"))
    assert rows, "the rows name their lines"
    assert s.find(tree, name=re.compile(r"Dim ")), "the rows carry their text"

    # Down to the first hit, Return: the editor shows it, selected.
    s.key("Down")
    s.key("Return")
    editor = s.wait_find(app, role="text", name="Dokumenttext")
    s.wait_for(lambda: s.has_state(editor, "focused") and s.active_window() == win, "the editor has the focus")
    selection = editor.queryText().getSelection(0)
    assert editor.queryText().getText(selection[0], selection[1]).lower() == "dim"

    # Back in the window, Escape closes it onto the editor it sent us to.
    s.activate(hits)
    s.key("Escape")
    s.wait_no_window(HITS)
    s.wait_for(lambda: s.has_state(editor, "focused"), "the focus is back in the editor")
    s.key("alt+q")
    assert s.wait_exit(proc) == 0


if __name__ == "__main__":
    main(test_code_and_all_hits, test_keyboard_only, screen="1600x1000x24")
