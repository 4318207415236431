#!/usr/bin/env python3
"""The test layer itself: a program starts on the private desktop, is seen
through its window and the accessibility bus, takes keys, and ends."""

import re

from desktopsession import DesktopSession, main


def test_start_and_exit(s: DesktopSession):
    s.seed_registry(quiet=True)
    proc = s.start_quandel(s.library_copy())
    win = s.wait_window(re.compile(r"Quandel Library"))
    left, right, top, bottom = s.wait_for(lambda: s.frame_extents(win) if s.frame_extents(win)[2] else None,
                                          "openbox framed the main window")
    assert top > 0, "a title bar"
    app = s.app_quandel()
    frame = s.wait_find(app, role="frame")
    assert frame is not None
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0
    assert s.registry_value("Width") is not None, "the exit stored the placement"


if __name__ == "__main__":
    main(test_start_and_exit)
