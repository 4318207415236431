#!/usr/bin/env python3
"""The README's pictures, taken on the private desktop under openbox:
    QUANDEL_BIN_DIR=build/bin /usr/bin/python3 tests/desktop/take_screenshots.py
(`make screenshots` does this). Writes quandel.png, disclaimer.png,
search.png, procedure-list.png and brenlow.png to doc/, or to the folder SCREENSHOT_DIR names."""

import os
import subprocess
from pathlib import Path

from desktopsession import DesktopSession, main
from quandelsteps import Main
from test_navigate import MODULE_NAME, library_with_module

OUT = Path(os.environ["SCREENSHOT_DIR"]).resolve() if os.environ.get("SCREENSHOT_DIR") else None


def out_dir(s: DesktopSession) -> Path:
    return OUT or s.source_dir / "doc"


def union(s: DesktopSession, windows) -> tuple[int, int, int, int]:
    boxes = [s.outer_geometry(w) for w in windows]
    left = max(0, min(b[0] for b in boxes))
    top = max(0, min(b[1] for b in boxes))
    right = max(b[0] + b[2] for b in boxes)
    bottom = max(b[1] + b[3] for b in boxes)
    return left, top, right - left, bottom - top


def shoot(s: DesktopSession, name: str, windows) -> None:
    x, y, w, h = union(s, windows)
    full = s.screenshot(s.tmp / "screen.png")
    subprocess.run(["convert", str(full), "-crop", f"{w}x{h}+{x}+{y}", "+repage", str(out_dir(s) / name)],
                   check=True)
    print("written:", out_dir(s) / name)


def test_main_window_and_search(s: DesktopSession):
    s.seed_registry(values={"Left": "1500", "Top": "1200"})
    m = Main(s)
    m.select("Dateizugriff")
    s.settle()
    shoot(s, "quandel.png", [m.win])
    s.key("ctrl+f")
    dlg = s.wait_window(" Suchen")
    s.type_text("Input")
    s.settle()
    shoot(s, "search.png", [m.win, dlg])
    s.key("Escape")
    m.exit()


def test_procedure_list(s: DesktopSession):
    s.seed_registry(values={"Left": "1500", "Top": "1200", "Pattern": "1"})
    m = Main(s, folder=library_with_module(s))
    m.select(MODULE_NAME)
    s.click(m.editor())
    # The cursor on "For": the loop's keywords are marked.
    s.key("ctrl+Home", *["Down"] * 22, "Home", "ctrl+Right", "ctrl+shift+o", "alt+Down")
    s.settle()
    shoot(s, "procedure-list.png", [m.win])
    s.key("Escape")
    m.exit()  # Alt+Q in the procedure list


def test_disclaimer(s: DesktopSession):
    proc = s.start_quandel(s.library_copy())
    dlg = s.wait_window(" Sicherheitswarnung")
    s.settle()
    splash = [w for w in s.stacking() if w != dlg]
    shoot(s, "disclaimer.png", [dlg, *splash])
    app = s.wait_app(proc)
    s.click(s.wait_find(app, role="push button", name="Abbrechen", showing=True))
    s.wait_exit(proc)


def test_help_viewer(s: DesktopSession):
    proc = s.start_brenlow(f"{s.bin_dir / 'Quandel.chf'},5")
    win = s.wait_window("Quandel Library Hilfe")
    s.wait_for(lambda: s.frame_extents(win)[2] > 0, "framed")
    s.settle()
    shoot(s, "brenlow.png", [win])
    s.activate(win)
    s.key("alt+b")
    s.wait_exit(proc)


if __name__ == "__main__":
    main(test_main_window_and_search, test_procedure_list, test_disclaimer, test_help_viewer)
