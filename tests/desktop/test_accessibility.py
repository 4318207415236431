#!/usr/bin/env python3
"""What a screen reader finds: every control that shows in each window of
quandel and brenlow has an accessible name."""

from desktopsession import DesktopSession, main
from quandelsteps import Main

# Roles a screen reader announces by name; a control of these roles without
# one is read as "button" or "text" alone.
NAMED_ROLES = {"push button", "check box", "radio button", "list", "text", "combo box", "menu item",
               "page tab", "spin button", "slider", "tree", "table", "toggle button", "label", "image",
               "scroll pane", "dialog", "frame", "alert", "list item"}


def unnamed(s: DesktopSession, window) -> list[str]:
    found = s.find_all(window, showing=True,
                       pred=lambda a: a.getRoleName() in NAMED_ROLES and not (a.name or "").strip())
    return [f"{a.getRoleName()} at {s.extents(a)}" for a in found]


def check_dialog(s: DesktopSession, m: Main, title: str, opened: dict):
    dialog = s.wait_find(m.app, role="dialog", name=title, showing=True)
    s.wait_find(dialog, role="push button", showing=True)
    opened[title] = unnamed(s, dialog)
    s.key("Escape")
    s.wait_for(lambda: s.find(m.app, role="dialog", name=title, showing=True) is None, f"{title!r} closes")


def test_every_window_is_named(s: DesktopSession):
    m = Main(s)
    m.select("Dateizugriff")
    problems = {"main window": unnamed(s, m.frame)}
    s.key("ctrl+f")
    check_dialog(s, m, " Suchen", problems)
    s.key("alt+a")
    s.click(m.menu_item("^Optionen"))
    check_dialog(s, m, " Einstellungen", problems)
    s.click(s.wait_find(s.wait_find(m.frame, role="menu bar"), role="menu item", name="? "))
    s.click(m.menu_item("^Info"))
    info = s.wait_find(m.app, role="dialog", showing=True)
    check_dialog(s, m, info.name, problems)
    s.key("alt+v", "u", "u", "Return")
    check_dialog(s, m, " Umbenennen", problems)
    s.key("alt+f")
    s.click(m.menu_item("^Verwaltungslisten"))
    manager = s.wait_find(m.app, role="dialog", showing=True)
    check_dialog(s, m, manager.name, problems)
    problems = {k: v for k, v in problems.items() if v}
    assert not problems, f"controls without a name: {problems}"
    assert m.exit() == 0


def test_disclaimer_and_viewer_are_named(s: DesktopSession):
    proc = s.start_quandel(s.library_copy())
    app = s.wait_app(proc)
    dialog = s.wait_find(app, role="dialog", name=" Sicherheitswarnung", showing=True)
    s.wait_find(dialog, role="push button", name="Ok", showing=True)
    problems = {"disclaimer": unnamed(s, dialog)}
    s.click(s.find(dialog, role="push button", name="Abbrechen"))
    s.wait_exit(proc)
    viewer = s.start_brenlow(f"{s.bin_dir / 'Quandel.chf'},1")
    app = s.wait_app(viewer)
    frame = s.wait_for(lambda: app.getChildAtIndex(0), "the viewer's window")
    s.wait_find(frame, role="push button", name="Themen", showing=True)
    problems["help viewer"] = unnamed(s, frame)
    problems = {k: v for k, v in problems.items() if v}
    assert not problems, f"controls without a name: {problems}"


if __name__ == "__main__":
    main(test_every_window_is_named, test_disclaimer_and_viewer_are_named)
