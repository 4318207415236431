#!/usr/bin/env python3
"""A module shown as code, and the window " Alle Treffer" with its results,
on the real desktop. With QUANDEL_SCREENSHOT_DIR set, the two pictures of the
README are written there (doc/code-module.png, doc/alle-treffer.png)."""

import os
import re
from pathlib import Path

from desktopsession import MAIN_CAPTION, DesktopSession, main


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
    hits = s.wait_window(re.compile(r"^ Alle Treffer"))
    s.type_text("Text")
    s.key("Return")
    s.wait_find(app, role="label", name=re.compile(r"\d+ Treffer in \d+ Dokumenten"))
    s.settle()
    s.screenshot(shots(s) / "alle-treffer.png", hits)

    s.key("Escape")
    s.wait_no_window(re.compile(r"^ Alle Treffer"))
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0


if __name__ == "__main__":
    main(test_code_and_all_hits)
