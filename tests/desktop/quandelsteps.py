"""Steps on quandel shared by the desktop tests: start on a scratch library
with a quiet key store, the main window and its panes."""

from desktopsession import MAIN_CAPTION, DesktopSession


class Main:
    """The running main program of a session."""

    def __init__(self, s: DesktopSession, values: dict | None = None, folder=None, **env: str):
        self.s = s
        if not (s.config / "Tivorn" / "registry.reg").exists():
            s.seed_registry(values=values)
        self.folder = folder or s.library_copy()
        self.proc = s.start_quandel(self.folder, **env)
        self.win = s.wait_window(MAIN_CAPTION)
        s.wait_for(lambda: s.frame_extents(self.win)[2] > 0, "the main window has its frame")
        self.app = s.wait_app(self.proc)
        self.frame = s.wait_find(self.app, role="frame", name=MAIN_CAPTION)
        s.settle()
        s.activate(self.win)

    def pane(self, role: str, name: str):
        return self.s.wait_find(self.frame, role=role, name=name)

    def document_list(self):
        return self.pane("list", "Dokumente")

    def editor(self):
        return self.pane("text", "Dokumenttext")

    def item(self, name: str):
        return self.s.wait_find(self.document_list(), role="list item", name=name)

    def select(self, name: str):
        """Clicks a document of the list and waits until it is selected."""
        item = self.item(name)
        self.s.click(item)
        self.s.wait_for(lambda: self.s.is_selected(self.item(name)), f"{name!r} selected")

    def menu_item(self, pattern):
        """A menu entry of the open menu whose name matches (regex)."""
        import re

        rx = re.compile(pattern) if isinstance(pattern, str) else pattern
        return self.s.wait_find(self.app, role="menu item", name=rx, showing=True)

    def exit(self, answer: str = "Nein") -> int:
        """Alt+Q; an unsaved-changes question gets the given answer."""
        s = self.s
        s.activate(self.win)
        s.key("alt+q")
        if answer:
            def ended_or_asked():
                if self.proc.poll() is not None:
                    return True
                alert = s.find(self.app, role="alert")
                if alert is not None:
                    s.click(s.wait_find(alert, role="push button", name=answer, showing=True))
                    return False
                return False

            s.wait_for(ended_or_asked, "the program ends")
        return s.wait_exit(self.proc)
