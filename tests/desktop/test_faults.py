#!/usr/bin/env python3
"""Faults only a real desktop shows: Qt's own texts in German, menu keys,
the paste command after Alt+B, saving a new project by its name, web links
that must not freeze the window, the command line without a display, the
layout under a window manager, and make run on a scratch copy of the
samples."""

import os
import re
import shutil
import subprocess
import time

from desktopsession import MAIN_CAPTION, DesktopSession, TestFailure, main
from quandelsteps import Main

FIRST = "Dateizugriff"


def test_qt_texts_in_german(s: DesktopSession):
    # Qt keeps popup menus out of the accessible tree: the entry that gets
    # the focus tells its text. The listener is set up first, so that the
    # program knows of it by the time the menu opens.
    events = s.watch("object:state-changed:focused")
    m = Main(s)
    m.select(FIRST)
    s.click(m.editor())
    s.wait_for(lambda: any(role == "text" for _, role, _ in events.pump()), "the editor's focus is reported")
    s.click(m.editor(), button=3)
    s.key("Down")
    last = s.wait_for(lambda: next((name for _, role, name in events.pump() if role == "menu item"), None),
                      "an entry of the context menu")
    events.close()
    events.close()
    assert last == "Alles auswählen\tStrg+A", repr(last)
    s.key("Escape")
    # Shortcut labels of the program's own menus.
    # A file dialog of Qt's own.
    s.key("alt+v")
    s.click(m.menu_item(r"^Speichern unter"))
    dialog = s.wait_find(m.app, role="dialog", showing=True)
    buttons = {b.name for b in s.find_all(dialog, role="push button", showing=True)}
    assert "Abbrechen" in buttons and not buttons & {"Cancel", "Save", "Open"}, buttons
    s.key("Escape")
    s.wait_for(lambda: s.find(m.app, role="dialog", showing=True) is None, "the file dialog closes")
    assert m.exit() == 0


def test_same_menu_letter_reaches_both(s: DesktopSession):
    """"Speichern &unter" and "&Umbenennen" share the letter u: the first u
    marks the one, a second u the other, Return runs the marked entry."""
    m = Main(s)
    m.select(FIRST)
    s.key("alt+v", "u", "u", "Return")
    s.wait_window(" Umbenennen")
    s.key("Escape")
    s.wait_no_window(" Umbenennen")
    s.key("alt+v", "u", "Return")
    s.wait_for(lambda: s.find(m.app, role="dialog", showing=True), "Speichern unter opens its file dialog")
    s.key("Escape")
    s.wait_for(lambda: s.find(m.app, role="dialog", showing=True) is None, "the file dialog closes")
    assert m.exit() == 0


def test_paste_after_cut_with_alt_b(s: DesktopSession):
    m = Main(s)
    m.select(FIRST)
    s.click(m.editor())
    s.key("ctrl+Home", "shift+End", "ctrl+x")
    s.key("alt+b")
    paste = m.menu_item(r"^Einfügen")
    s.wait_for(lambda: s.has_state(m.menu_item(r"^Einfügen"), "enabled"), "Einfügen enabled after a cut")
    s.key("Return")
    assert paste is not None
    s.wait_for(lambda: s.text(m.editor()).count("\n") > 0, "the text is back")
    assert m.exit() == 0


def test_web_link_does_not_freeze(s: DesktopSession):
    tools = s.tmp / "tools"
    tools.mkdir()
    opened = s.tmp / "opened"
    opener = tools / "xdg-open"
    opener.write_text(f'#!/bin/sh\necho "$1" >> "{opened}"\nsleep 4\nexit 3\n')
    opener.chmod(0o755)
    m = Main(s, PATH=f"{tools}:{os.environ.get('PATH', '/usr/bin:/bin')}")
    menu_bar = s.wait_find(m.frame, role="menu bar")
    s.click(s.wait_find(menu_bar, role="menu item", name="? "))
    s.click(m.menu_item(r"^Software und Updates"))
    s.wait_for(opened.exists, "the opener starts")
    started = time.monotonic()
    s.key("alt+a")
    ansicht = s.find(s.find(m.frame, role="menu bar"), role="menu item", name="Ansicht ")
    s.wait_for(lambda: s.has_state(ansicht, "selected") or s.find(ansicht, role="menu item", name=re.compile(
        r"^Optionen"), showing=True), "the window answers while the opener runs", timeout=3)
    elapsed = time.monotonic() - started
    assert elapsed < 3, f"the window froze for {elapsed:.1f} s"
    # Out of the menu and the menu bar, back to the list.
    s.key("Escape", "Escape")
    assert "tivorn.example" in opened.read_text()
    assert m.exit() == 0


def test_new_project_asks_for_its_name(s: DesktopSession):
    """Vorgänge, Neu, Visual Basic Projekt, some text, Ctrl+S: the project's
    name is asked for and its folder made and selected; no file dialog, no
    stray file."""
    m = Main(s)
    before = {p.name for p in m.folder.iterdir()}
    s.key("alt+v", "n", "v")
    s.wait_for(lambda: s.find(m.document_list(), role="list item", name="Rechnungen"), "the projects are listed")
    s.click(m.editor())
    s.type_text("Kunden und Rechnungen")
    s.key("ctrl+s")
    s.wait_window(" Neues Projekt")
    assert s.find(m.app, role="dialog", name=re.compile("Speichern")) is None
    s.key("ctrl+a")
    s.type_text("Kunden")
    s.key("Return")
    s.wait_no_window(" Neues Projekt")
    s.wait_for(lambda: s.is_selected(m.item("Kunden")), "the new project is selected")
    assert {p.name for p in m.folder.iterdir()} - before == {"Kunden"}
    assert (m.folder / "Kunden" / "Quandel.ini").read_bytes() == b"Kunden und Rechnungen\r\n"
    assert s.text(m.editor()).startswith("Kunden und Rechnungen")
    assert m.exit() == 0


def test_command_line_without_display(s: DesktopSession):
    env = {k: v for k, v in s.env().items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    quandel = str(s.bin_dir / "quandel")
    version = subprocess.run([quandel, "--version"], env=env, capture_output=True, text=True, timeout=20)
    assert version.returncode == 0 and "2.5" in version.stdout, (version.returncode, version.stdout, version.stderr)
    helptext = subprocess.run([quandel, "--help"], env=env, capture_output=True, text=True, timeout=20)
    assert helptext.returncode == 0, helptext.stderr
    for german in ("Aufruf:", "Optionen:", "ORDNER", "Zeigt"):
        assert german in helptext.stdout, helptext.stdout


def editor_gap(s: DesktopSession, m: Main) -> int:
    """Pixels between the editor's bottom edge and the window's."""
    x, y, w, h = s.geometry(m.win)
    ex, ey, ew, eh = s.extents(m.editor())
    return (y + h) - (ey + eh)


def toggle_maximise(s: DesktopSession, m: Main):
    x, y, w, h = s.outer_geometry(m.win)
    s.xdotool("mousemove", x + w // 2, y + s.frame_extents(m.win)[2] // 2, "click", "--repeat", "2",
              "--delay", "80", "1")


def test_layout_follows_every_size(s: DesktopSession):
    m = Main(s)
    start = editor_gap(s, m)
    assert 0 < start < 30, f"a band of {start} px under the editor at start"
    seen = {"start": start}
    s.xdotool("windowsize", m.win, 900, 650)
    s.settle()
    seen["resized"] = s.wait_for(lambda: editor_gap(s, m) if abs(editor_gap(s, m) - start) <= 1 else None,
                                 f"the same band after a resize {seen}", timeout=5)
    toggle_maximise(s, m)
    s.wait_for(lambda: "MAXIMIZED_VERT" in s.wm_state(m.win), "maximised")
    s.settle()
    seen["maximised"] = editor_gap(s, m)
    toggle_maximise(s, m)
    s.wait_for(lambda: "MAXIMIZED_VERT" not in s.wm_state(m.win), "restored")
    s.settle()
    seen["restored"] = editor_gap(s, m)
    s.key("alt+a")
    s.click(m.menu_item("^Optionen"))
    dialog = s.wait_find(m.app, role="dialog", name=" Einstellungen")
    s.click(s.wait_find(dialog, role="push button", name="Ok", showing=True))
    s.wait_no_window(" Einstellungen")
    s.settle()
    seen["options ok"] = editor_gap(s, m)
    assert all(abs(g - start) <= 1 for g in seen.values()), f"band under the editor: {seen}"
    assert m.exit() == 0


def test_make_run_uses_a_scratch_copy(s: DesktopSession):
    tree = s.tmp / "checkout"
    tree.mkdir()
    shutil.copy(s.source_dir / "Makefile", tree / "Makefile")
    shutil.copytree(s.source_dir / "examples", tree / "examples")
    (tree / "build").mkdir()
    (tree / "build" / "bin").symlink_to(s.bin_dir)
    s.seed_registry()
    tracked = tree / "examples" / "Bibliothek" / f"{FIRST}.txt"
    original = tracked.read_bytes()
    make = s._spawn(["make", "--no-print-directory", "-o", "build", "run"], env=s.env(), cwd=tree,
                    stdout=s._log("make"), stderr=subprocess.STDOUT)
    s.programs.append(make)
    win = s.wait_window(MAIN_CAPTION)
    app = s.wait_for(lambda: next((a for a in s.desktop() if a and "Quandel" in (a.name or "")), None),
                     "quandel on the accessibility bus")
    frame = s.wait_find(app, role="frame", name=MAIN_CAPTION)
    s.activate(win)
    item = s.wait_find(frame, role="list item", name=FIRST)
    s.click(item)
    s.wait_for(lambda: s.is_selected(s.find(frame, role="list item", name=FIRST)), "selected")
    s.click(s.wait_find(frame, role="text", name="Dokumenttext"))
    s.key("ctrl+Home")
    s.type_text("Neu ")
    s.key("ctrl+s")
    scratch = tree / "build" / "Bibliothek" / f"{FIRST}.txt"
    s.wait_for(lambda: scratch.read_bytes().startswith(b"Neu "), "the save lands in the scratch copy")
    assert tracked.read_bytes() == original, "the tracked sample is unchanged"
    s.key("alt+q")
    if s.wait_exit(make) != 0:
        raise TestFailure("make run ended with an error")


if __name__ == "__main__":
    main(test_qt_texts_in_german, test_same_menu_letter_reaches_both, test_paste_after_cut_with_alt_b,
         test_new_project_asks_for_its_name, test_web_link_does_not_freeze, test_command_line_without_display, test_layout_follows_every_size,
         test_make_run_uses_a_scratch_copy)
