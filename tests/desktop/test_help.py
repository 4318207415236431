#!/usr/bin/env python3
"""The help viewer brenlow under a window manager: long headings, the icon at
the right edge, a text that scrolls in a small window, and "&" in a topic
title."""

import re

from desktopsession import DesktopSession, main


def start(s: DesktopSession, argument: str):
    proc = s.start_brenlow(argument)
    app = s.wait_app(proc)
    # The viewer's window: role "frame", the first child.
    frame = s.wait_for(lambda: app.getChildAtIndex(0), "the viewer's window on the accessibility bus")
    win = s.wait_window_of(proc)
    s.wait_for(lambda: s.frame_extents(win)[2] > 0, "the viewer has its frame")
    s.settle()
    return proc, app, frame, win


def right(extents) -> int:
    x, y, w, h = extents
    return x + w


def heading_clear_of_icon(s: DesktopSession, frame, title: str):
    heading = s.wait_find(frame, role="heading", name=title)
    icon = s.wait_find(frame, role="image", name="Hilfe")
    hx, hy, hw, hh = s.extents(heading)
    ix, iy, iw, ih = s.extents(icon)
    assert right((hx, hy, hw, hh)) <= ix, f"heading {title!r} ends at {hx + hw}, the icon starts at {ix}"
    return heading, icon


def test_long_headings_and_resizing(s: DesktopSession):
    chf = s.bin_dir / "Quandel.chf"
    for topic in (5, 11):
        proc, app, frame, win = start(s, f"{chf},{topic}")
        title = s.wait_find(frame, role="heading", name=re.compile(r"^(Vorgänge|Ansicht): ")).name
        heading, icon = heading_clear_of_icon(s, frame, title)
        if topic == 11:
            # Wider: the icon keeps its distance to the right edge.
            x, y, w, h = s.geometry(win)
            gap = right(s.geometry(win)) - right(s.extents(icon))
            s.xdotool("windowsize", win, w + 200, h)
            s.wait_for(lambda: abs(right(s.geometry(win)) - right(s.extents(icon)) - gap) <= 1,
                       "the icon follows the right edge")
            heading_clear_of_icon(s, frame, title)
            # Smaller than the text: a scroll bar shows the rest.
            s.xdotool("windowsize", win, w, 150)
            s.wait_for(lambda: s.find(frame, role="scroll bar", showing=True), "a scroll bar for the text")
        s.activate(win)
        s.key("alt+b")
        s.wait_exit(proc)


def test_ampersand_in_topic_title(s: DesktopSession):
    chf = s.tmp / "Hilfe.chf"
    chf.write_bytes("[Applikation]\r\nName=Testhilfe\r\n\r\n[Contents]\r\n1=Suchen & Ersetzen\r\n2=Zweites Thema\r\n"
                    "\r\n[Text]\r\n1=Erster Text.\r\n2=Zweiter Text.\r\n".encode("cp1252"))
    proc, app, frame, win = start(s, f"{chf},2")
    s.click(s.wait_find(frame, role="push button", name="Themen"))
    events = s.watch("object:state-changed:focused")

    def entries():
        # Up moves through the entries; each one that gets the focus is
        # reported once the program knows of the listener.
        s.key("Up")
        return {n for _, r, n in events.pump() if r.endswith("menu item")}

    s.wait_for(lambda: len(entries()) >= 2, "both entries of the topics menu", interval=0.3)
    names = entries()
    events.close()
    assert names == {"Suchen & Ersetzen", "Zweites Thema"}, names
    s.key("Escape")
    s.activate(win)
    s.key("alt+b")
    s.wait_exit(proc)


if __name__ == "__main__":
    main(test_long_headings_and_resizing, test_ampersand_in_topic_title)
