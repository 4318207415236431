#!/usr/bin/env python3
"""Start and exit of quandel under a window manager: the first start with the
splash and the disclaimer, the window placement kept over start/exit cycles,
a damaged placement in the key store, and the exact window caption."""

from desktopsession import MAIN_CAPTION, DesktopSession, TestFailure, main

DISCLAIMER = " Sicherheitswarnung"
TWIPS = 15  # per pixel at 96 dpi


def splash_windows(s: DesktopSession):
    return [w for w in s.stacking() if "_NET_WM_WINDOW_TYPE_SPLASH" in s._run("xprop", "-id", str(w),
                                                                              "_NET_WM_WINDOW_TYPE")]


def overlaps(a, b) -> bool:
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def wait_disclaimer_on_top(s: DesktopSession):
    dlg = s.wait_window(DISCLAIMER)
    s.settle()
    assert splash_windows(s), "the splash is up while the disclaimer asks"
    order = s.stacking()
    above = order[order.index(dlg) + 1:]
    covering = [w for w in above if overlaps(s.outer_geometry(w), s.outer_geometry(dlg))]
    assert not covering, f"the disclaimer is covered by {[(w, s.title(w)) for w in covering]}"
    return dlg


def disclaimer_button(s: DesktopSession, proc, name: str):
    app = s.wait_app(proc)
    dialog = s.wait_find(app, role="dialog", name=DISCLAIMER)
    text = " ".join(x.name for x in s.find_all(dialog, role="label"))
    assert "Installieren oder Ausführen des Programms:" in text, text
    return s.wait_find(dialog, role="push button", name=name, showing=True)


def test_first_start_cancel(s: DesktopSession):
    proc = s.start_quandel(s.library_copy())
    wait_disclaimer_on_top(s)
    s.click(disclaimer_button(s, proc, "Abbrechen"))
    assert s.wait_exit(proc) == 0
    assert s.find_window(MAIN_CAPTION) is None
    assert s.registry_value("Version") is None, "a declined disclaimer is asked again"


def test_first_start_ok(s: DesktopSession):
    proc = s.start_quandel(s.library_copy())
    wait_disclaimer_on_top(s)
    s.click(disclaimer_button(s, proc, "Ok"))
    win = s.wait_window(MAIN_CAPTION)
    s.wait_for(lambda: not splash_windows(s), "the splash closes")
    assert s.registry_value("Version") == "2.5"
    s.activate(win)
    s.key("alt+q")
    assert s.wait_exit(proc) == 0


def run_once(s: DesktopSession, before_exit=None):
    """One start and exit; the outer geometry the window had when it settled."""
    proc = s.start_quandel(s.library_copy())
    win = s.wait_window(MAIN_CAPTION)
    s.wait_for(lambda: s.frame_extents(win)[2] > 0, "the window has its frame")
    s.settle()
    outer = s.outer_geometry(win)
    if before_exit:
        before_exit(win)
    s.activate(win)
    s.key("alt+q")
    s.wait_exit(proc)
    return outer


def test_placement_is_kept(s: DesktopSession):
    s.seed_registry(values={"Left": str(100 * TWIPS), "Top": str(80 * TWIPS), "Width": str(800 * TWIPS),
                            "Height": str(600 * TWIPS)})
    seen = [run_once(s) for _ in range(5)]
    assert seen[0] == (100, 80, 800, 600), f"first start at {seen[0]}"
    assert all(g == seen[0] for g in seen), f"outer geometry over five starts: {seen}"


def test_first_placement_is_kept(s: DesktopSession):
    s.seed_registry()
    seen = [run_once(s) for _ in range(3)]
    assert all(g == seen[0] for g in seen), f"outer geometry over three starts: {seen}"


def test_maximised_exit(s: DesktopSession):
    s.seed_registry()
    sw, sh = s.screen_size()

    def maximise(win):
        x, y, w, h = s.outer_geometry(win)
        s.xdotool("mousemove", "--sync", x + w // 2, y + s.frame_extents(win)[2] // 2, "click", "--repeat", "2",
                  "--delay", "80", "1")
        s.wait_for(lambda: "MAXIMIZED_VERT" in s.wm_state(win), "the window is maximised")

    run_once(s, maximise)
    x, y, w, h = run_once(s)
    assert w <= sw and h <= sh, f"the next start is {w}x{h} on a {sw}x{sh} screen"
    assert 0 <= y and y + h <= sh, f"the next start lies at y={y}, height {h}"


def check_on_screen(s: DesktopSession, values: dict):
    s.seed_registry(values=values)
    sw, sh = s.screen_size()
    proc = s.start_quandel(s.library_copy())
    win = s.wait_window(MAIN_CAPTION)
    s.wait_for(lambda: s.frame_extents(win)[2] > 0, "the window has its frame")
    s.settle()
    x, y, w, h = s.outer_geometry(win)
    top = s.frame_extents(win)[2]
    if not (w <= sw and h <= sh):
        raise TestFailure(f"{values}: window {w}x{h} on a {sw}x{sh} screen")
    if not (0 <= y and y + top <= sh and x + w > 0 and x < sw):
        raise TestFailure(f"{values}: title bar off the screen at {x},{y} {w}x{h}")
    s.activate(win)
    s.key("alt+q")
    if s.wait_exit(proc, timeout=10) != 0:
        raise TestFailure(f"{values}: exit code")


def test_damaged_placement(s: DesktopSession):
    for values in ({"Width": "99999999", "Height": "99999999"},
                   {"Left": "-99999", "Top": "-99999"},
                   {"Left": "99999999", "Top": "99999999", "Width": "3000", "Height": "3000"},
                   {"Left": "-1e30", "Top": "1e30", "Width": "-5", "Height": "nan"}):
        check_on_screen(s, values)


if __name__ == "__main__":
    main(test_first_start_cancel, test_first_start_ok, test_placement_is_kept, test_first_placement_is_kept,
         test_maximised_exit, test_damaged_placement)
