#!/usr/bin/env python3
"""quandel as a user meets it: the unsaved-changes question on a list click,
the search dialog with a history, the favourites menu, the options dialog and
the help viewer from F1."""

import re

from desktopsession import MAIN_CAPTION, DesktopSession, main
from quandelsteps import Main

FIRST, SECOND = "Dateizugriff", "Fehlerbehandlung"


def change_first_and_click_second(m: Main):
    s = m.s
    m.select(FIRST)
    s.click(m.editor())
    s.key("ctrl+Home")
    s.type_text("Neu ")
    s.click(m.item(SECOND))
    alert = s.wait_find(m.app, role="alert")
    text = " ".join(x.name for x in s.find_all(alert, role="label"))
    assert "wurde geändert." in text and "Möchten Sie die Änderungen speichern ?" in text, text
    return alert


def answer(m: Main, alert, button: str):
    m.s.click(m.s.wait_find(alert, role="push button", name=button, showing=True))
    m.s.wait_for(lambda: m.s.find(m.app, role="alert") is None, "the question closes")


def test_unsaved_changes_question(s: DesktopSession):
    m = Main(s)
    path = m.folder / f"{FIRST}.txt"
    original = path.read_bytes()

    alert = change_first_and_click_second(m)
    answer(m, alert, "Abbrechen")
    assert s.is_selected(m.item(FIRST)), "Abbrechen keeps the changed document"
    assert s.text(m.editor()).startswith("Neu "), "and its changes"

    s.click(m.item(SECOND))
    answer(m, s.wait_find(m.app, role="alert"), "Nein")
    s.wait_for(lambda: s.is_selected(m.item(SECOND)), "Nein loads the clicked document")
    assert path.read_bytes() == original, "Nein saves nothing"

    alert = change_first_and_click_second(m)
    answer(m, alert, "Ja")
    s.wait_for(lambda: path.read_bytes().startswith(b"Neu "), "Ja saves the changed document")
    assert m.exit() == 0


def test_search_with_history(s: DesktopSession):
    long_term = "Fehlerbehandlung mit einem sehr langen Suchbegriff, der weit über die Breite " * 3
    history = s.data / "Tivorn" / "Quandel Library" / "Quandel.ini"
    history.parent.mkdir(parents=True, exist_ok=True)
    history.write_bytes(f"Datei\r\n{long_term}\r\nOn Error\r\n".encode("cp1252"))
    m = Main(s)
    main_width = s.outer_geometry(m.win)[2]
    s.key("ctrl+f")
    dlg = s.wait_window(re.compile(r"^ Suchen"))
    s.settle()
    width = s.outer_geometry(dlg)[2]
    assert width <= main_width, f"the search dialog ({width} px) is wider than the main window ({main_width} px)"
    assert width < 600, f"the search dialog is {width} px wide"
    assert s.title(dlg) == " Suchen", repr(s.title(dlg))
    dialog = s.wait_find(m.app, role="dialog", name=" Suchen")
    combo = s.wait_find(dialog, role="combo box")
    assert combo.name == "Suchen nach:", f"the term field is named {combo.name!r}"
    entries = [x.name for x in s.find_all(combo, role="list item")]
    assert entries[:1] == ["Datei"] and "On Error" in entries, entries
    s.type_text("On Error")
    s.key("Return")
    s.wait_no_window(" Suchen")
    s.wait_for(lambda: "On Error" in s.text(m.editor()), "the search shows a document with the term")
    first = history.read_bytes().split(b"\r\n")[0]
    assert first == b"On Error", f"the history starts with {first!r}"
    assert m.exit() == 0


def test_favourites_menu(s: DesktopSession):
    m = Main(s)
    m.select(SECOND)
    s.key("alt+f")
    s.click(m.menu_item("^Dokument hinzufügen"))
    s.wait_for(lambda: s.find(m.app, role="menu item", name=re.compile(SECOND), showing=True) is None,
               "the menu closes")
    m.select(FIRST)
    s.key("alt+f")
    entry = m.menu_item(SECOND)
    s.click(entry)
    s.wait_for(lambda: s.is_selected(m.item(SECOND)), "the favourite selects its document")
    assert m.exit() == 0


def test_options_dialog(s: DesktopSession):
    m = Main(s)
    before = s.outer_geometry(m.win)
    s.key("alt+a")
    s.click(m.menu_item("^Optionen"))
    s.wait_window(" Einstellungen")
    dialog = s.wait_find(m.app, role="dialog", name=" Einstellungen")
    boxes = s.find_all(dialog, role="check box")
    assert len(boxes) == 8, [b.name for b in boxes]
    s.click(s.wait_find(dialog, role="push button", name="Ok", showing=True))
    s.wait_no_window(" Einstellungen")
    s.settle()
    assert s.outer_geometry(m.win) == before, "Options Ok leaves the window as it was"
    assert m.exit() == 0


def test_help_from_f1(s: DesktopSession):
    m = Main(s)
    s.click(m.document_list())
    s.key("F1")
    viewer = s.wait_for(lambda: next((w for w, t in s.windows().items() if w != m.win and t), None),
                        "the help viewer's window")
    # The viewer is called by its caption on the accessibility bus.
    caption = s.title(viewer)
    assert s.wait_for(lambda: any(p for p in s.desktop() if p and p.name == caption), "brenlow runs")
    assert m.exit() == 0


if __name__ == "__main__":
    main(test_unsaved_changes_question, test_search_with_history, test_favourites_menu, test_options_dialog,
         test_help_from_f1)
