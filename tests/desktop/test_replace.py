#!/usr/bin/env python3
"""Replacing across a generated library of modules (UTF-8 with and without
BOM, Windows-1252, CR LF, LF and both) on the real desktop, with real keys
only: the window " In allen Dokumenten ersetzen" opened by Strg+Umschalt+H,
the preview, one hit unticked with Space, the files' bytes after Ersetzen and
after Ersetzen rückgängig; and a kill -9 midway through a large replace,
after which every file is old or new and the next start puts them back.
With QUANDEL_SCREENSHOT_DIR set, the README's picture of the preview is
written there (doc/alle-ersetzen.png)."""

import os
import re
import signal
from pathlib import Path

from desktopsession import MAIN_CAPTION, DesktopSession, TestFailure, main

WINDOW = " In allen Dokumenten ersetzen"
TERM = "KundeLaden"
NEW = "KundeEinlesen"
PREVIEW_DONE = re.compile(r"^[\d.]+ Treffer in [\d.]+ Dokumenten?$")
WRITTEN = re.compile(r"^[\d.]+ Ersetzungen? in [\d.]+ Dokumenten?")
UNDONE = re.compile(r"zurückgestellt$")
WORD = re.compile(r"(?<!\w)%s(?!\w)" % TERM)

# (encoding, BOM, line end) by module number; every tenth mixes its line ends.
FORMATS = [("utf-8", False, "\n"), ("cp1252", False, "\r\n"), ("utf-8", True, "\r\n"), ("cp1252", False, "\n")]


def module_text(i: int) -> str:
    lines = [f'Attribute VB_Name = "Modul{i:03d}"', "Option Explicit", "",
             "' Liest die Kundendaten: Größe, Maß und Straße."]
    if i % 7 != 0:
        lines += [f"Public Function {TERM}(ByVal Nummer As Long) As String",
                  f'    {TERM} = "Kunde " & CStr(Nummer)',
                  "End Function", "",
                  "Public Sub Zeigen()",
                  f"    Debug.Print {TERM}({i})",
                  # Not whole words: left as they are.
                  f"    Debug.Print {TERM}Alt({i}), Mein_{TERM}",
                  "End Sub"]
    else:
        lines += ["Public Sub Leer()", "End Sub"]
    return "\n".join(lines) + "\n"


def encode(i: int, text: str) -> bytes:
    encoding, bom, end = FORMATS[i % len(FORMATS)]
    lines = text.split("\n")
    if i % 10 == 9:
        joined = "".join(line + ("\r\n" if n % 2 else "\n") for n, line in enumerate(lines[:-1]))
    else:
        joined = end.join(lines)
    return (b"\xef\xbb\xbf" if bom else b"") + joined.encode(encoding)


def replaced(text: str, skip_first: bool = False) -> str:
    count = [0]

    def one(m):
        count[0] += 1
        return m.group(0) if skip_first and count[0] == 1 else NEW

    return WORD.sub(one, text)


def make_library(s: DesktopSession, count: int) -> tuple[Path, dict[str, bytes]]:
    folder = s.tmp / "Module"
    folder.mkdir()
    original = {}
    for i in range(1, count + 1):
        name = f"Modul{i:03d}.bas"
        original[name] = encode(i, module_text(i))
        (folder / name).write_bytes(original[name])
    return folder, original


def shots(s: DesktopSession) -> Path:
    folder = os.environ.get("QUANDEL_SCREENSHOT_DIR")
    return Path(folder) if folder else s.tmp / "shots"


def open_window(s: DesktopSession, proc, win: int):
    s.activate(win)
    s.key("ctrl+shift+h")
    wid = s.wait_window(WINDOW)
    s.wait_for(lambda: s.active_window() == wid, "the replace window is active")
    dialog = s.wait_find(s.wait_app(proc), role="dialog", name="In allen Dokumenten ersetzen")
    return wid, dialog


def count_label(s: DesktopSession, dialog, pattern: re.Pattern, timeout: float = 60):
    return s.wait_find(dialog, role="label", name=pattern, timeout=timeout)


def start(s: DesktopSession, folder: Path, **env: str):
    proc = s.start_quandel(folder, **env)
    win = s.wait_window_of(proc)
    s.wait_for(lambda: s.title(win) == MAIN_CAPTION and s.frame_extents(win)[2] > 0, "the main window is framed")
    s.wait_find(s.wait_app(proc), role="list", name="Dokumente")
    s.settle()
    return proc, win


def preview(s: DesktopSession, dialog) -> None:
    """Term, replacement and whole words typed into the window, then Vorschau."""
    s.type_text(TERM)
    s.key("Tab")
    s.type_text(NEW)
    s.key("alt+w")  # Nur ganze Wörter
    words = s.wait_find(dialog, role="check box", name="Nur ganze Wörter")
    s.wait_for(lambda: s.has_state(words, "checked"), "whole words are on")
    s.key("alt+v")
    count_label(s, dialog, PREVIEW_DONE)


def test_replace_and_undo_with_keys(s: DesktopSession):
    folder, original = make_library(s, 240)
    s.seed_registry(quiet=True, values={"Pattern": "1", "Left": "600", "Top": "450"})
    proc, win = start(s, folder)
    wid, dialog = open_window(s, proc, win)
    for role, name in (("combo box", "Suchen nach"), ("text", "Ersetzen durch"),
                       ("check box", "Groß-/Kleinschreibung beachten"), ("check box", "Reguläre Ausdrücke"),
                       ("push button", "Vorschau"), ("push button", "Ersetzen"),
                       ("push button", "Ersetzen rückgängig"), ("push button", "Schließen"),
                       ("progress bar", "Fortschritt")):
        assert s.find(dialog, role=role, name=name), (role, name)
    preview(s, dialog)
    with_term = [n for n, b in original.items() if TERM.encode() in b]
    hits = sum(len(WORD.findall(module_text(int(n[5:8])))) for n in with_term)
    assert s.find(dialog, role="label", name=f"{hits} Treffer in {len(with_term)} Dokumenten"), hits
    s.settle()
    s.screenshot(shots(s) / "alle-ersetzen.png", wid)

    # Tab to the tree; Down from the first document to its first hit, Space
    # unticks it.
    tree = s.wait_find(dialog, name="Treffer", pred=lambda a: s.role(a) in ("tree", "tree table"))
    for _ in range(10):
        if s.has_state(tree, "focused"):
            break
        s.key("Tab")
        s.settle(quiet_for=0.2)
    assert s.has_state(tree, "focused"), "Tab reaches the tree"
    s.key("Down", "space")
    s.settle(quiet_for=0.2)

    s.key("alt+e")
    count_label(s, dialog, re.compile(rf"^{hits - 1} Ersetzungen in {len(with_term)} Dokumenten"))
    for i in range(1, len(original) + 1):
        name = f"Modul{i:03d}.bas"
        want = encode(i, replaced(module_text(i), skip_first=(i == 1)))
        got = (folder / name).read_bytes()
        assert got == want, (name, got[:200], want[:200])

    s.key("alt+r")
    count_label(s, dialog, UNDONE)
    for name, bytes_before in original.items():
        assert (folder / name).read_bytes() == bytes_before, name

    s.key("Escape")
    s.wait_no_window(WINDOW)
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0
    state = s.home / ".local" / "state" / "Tivorn" / "Quandel Library"
    assert not list(state.glob("Ersetzen-*")), "the undo data go with the exit"


def stopped(pid: int) -> bool:
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0] == "T"


def test_kill_midway(s: DesktopSession):
    folder, original = make_library(s, 600)
    new = {name: encode(int(name[5:8]), replaced(module_text(int(name[5:8])))) for name in original}
    s.seed_registry(quiet=True, values={"Pattern": "1"})
    # The writer stops itself before the 200th file goes into place, with
    # the undo data of what it wrote durable: a known point midway.
    proc, win = start(s, folder, QUANDEL_REPLACE_STOP_BEFORE="200")
    _, dialog = open_window(s, proc, win)
    preview(s, dialog)
    s.key("alt+e")
    s.wait_for(lambda: stopped(proc.pid), "the writer stopped midway", timeout=60)
    os.kill(proc.pid, signal.SIGKILL)
    s.wait_exit(proc)

    # Every file old or new, never anything between.
    written = 0
    for name, before in original.items():
        now = (folder / name).read_bytes()
        if now != before:
            if now != new[name]:
                raise TestFailure(f"{name} is neither old nor new")
            written += 1
    changing = sum(1 for name in original if original[name] != new[name])
    print(f"killed with {written} of {changing} files written")
    assert 0 < written < changing, (written, changing)

    # The next start: Ersetzen rückgängig in the window puts them back.
    proc, win = start(s, folder)
    _, dialog = open_window(s, proc, win)
    undo = s.wait_find(dialog, role="push button", name="Ersetzen rückgängig")
    s.wait_for(lambda: s.has_state(undo, "enabled"), "the undo data of the killed program are offered")
    s.key("alt+r")
    count_label(s, dialog, UNDONE)
    report = s.wait_find(dialog, role="text", name="Bericht")
    assert "früheren Lauf" in s.text(report), s.text(report)
    for name, before in original.items():
        assert (folder / name).read_bytes() == before, name
    s.key("Escape")
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0


if __name__ == "__main__":
    main(test_replace_and_undo_with_keys, test_kill_midway, screen="1600x1000x24")
