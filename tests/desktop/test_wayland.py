#!/usr/bin/env python3
"""quandel and brenlow on a Wayland compositor (weston, headless): they
start, show their windows and dialogs, and quandel ends cleanly; the
compositor does not tell a window's position, so the stored one stays, and
the stored size comes back exactly.

Wayland has no xdotool: the programs are driven through AT-SPI actions. An
action that opens a modal dialog returns only when the dialog closes, so it
is sent from a helper process."""

import subprocess
import sys

from desktopsession import DesktopSession, main

SOCKET = "wayland-quandel"

# Runs the AT-SPI action of the first accessible of a process with the given
# role and name, in a process of its own.
HELPER = r"""
import sys, pyatspi
pid, role, name = int(sys.argv[1]), sys.argv[2], sys.argv[3]
desktop = pyatspi.Registry.getDesktop(0)
apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
app = next(a for a in apps if a is not None and a.get_process_id() == pid)
stack = [app]
while stack:
    acc = stack.pop()
    if acc.getRoleName() == role and acc.name == name:
        try:
            acc.queryAction().doAction(0)
        except Exception:
            pass  # a modal dialog answers only once it has closed
        break
    stack.extend(acc.getChildAtIndex(i) for i in range(acc.childCount))
"""


def start_weston(s: DesktopSession):
    s._spawn(["weston", "--backend=headless-backend.so", f"--socket={SOCKET}", "--idle-time=0",
              "--width=1024", "--height=768"], env=s.env(), stdout=s._log("weston"), stderr=subprocess.STDOUT)
    s.wait_for(lambda: (s.tmp / "run" / SOCKET).exists(), "weston's socket")


def wayland(**extra: str) -> dict:
    return dict(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=SOCKET, **extra)


def act_later(s: DesktopSession, proc, role: str, name: str) -> subprocess.Popen:
    return s._spawn([sys.executable, "-c", HELPER, str(proc.pid), role, name], env=s.env())


def test_quandel_on_wayland(s: DesktopSession):
    start_weston(s)
    s.seed_registry(values={"Left": "3000", "Top": "2000", "Width": "9000", "Height": "7955"})
    proc = s.start_quandel(s.library_copy(), **wayland())
    app = s.wait_app(proc)
    frame = s.wait_find(app, role="frame", name="Tivorn Quandel Library", showing=True)
    s.wait_find(frame, role="list item", name="Dateizugriff")
    # Dialogs show and close.
    for entry, title, button in (("Info ...", None, "Abbrechen"), ("Optionen ...", " Einstellungen", "Abbrechen"),
                                 ("Eigenschaften ... ", "Eigenschaften von Dateizugriff.txt", "OK")):
        helper = act_later(s, proc, "menu item", entry)
        dialog = s.wait_find(app, role="dialog", showing=True, **({"name": title} if title else {}))
        s.wait_find(dialog, role="push button", name=button, showing=True).queryAction().doAction(0)
        s.wait_exit(helper)
        s.wait_for(lambda: s.find(app, role="dialog", showing=True) is None, f"{dialog.name!r} closes")
    try:
        s.find(frame, role="menu item", name="Beenden").queryAction().doAction(0)
    except Exception:  # noqa: BLE001 - the program may end before it answers
        pass
    assert s.wait_exit(proc) == 0, s.program_log()
    stored = {k: s.registry_value(k) for k in ("Left", "Top", "Width", "Height")}
    assert stored == {"Left": "3000", "Top": "2000", "Width": "9000", "Height": "7955"}, stored


def test_viewer_on_wayland(s: DesktopSession):
    start_weston(s)
    viewer = s.start_brenlow(f"{s.bin_dir / 'Quandel.chf'},1", **wayland())
    app = s.wait_app(viewer)
    frame = s.wait_find(app, role="frame", showing=True)
    heading = s.wait_find(frame, role="heading", showing=True)
    assert s.text(heading) == heading.name, heading.name
    try:
        s.wait_find(frame, role="push button", name="Beenden").queryAction().doAction(0)
    except Exception:  # noqa: BLE001 - the viewer may end before it answers
        pass
    assert s.wait_exit(viewer) == 0, s.program_log("brenlow")


if __name__ == "__main__":
    main(test_quandel_on_wayland, test_viewer_on_wayland)
