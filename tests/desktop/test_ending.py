#!/usr/bin/env python3
"""quandel ended from outside: a signal (logout, shutdown, kill, Ctrl+C, a
terminal that goes) keeps the unsaved text and the exit values without a
question, also while a question is open, and the next start offers the text
back."""

import json
import signal
from pathlib import Path

from desktopsession import MAIN_CAPTION, DesktopSession, main
from quandelsteps import Main


class Asking(Main):
    """A start that asks about kept text first: the question, not the main
    window, has the focus."""

    def __init__(self, s: DesktopSession):
        self.s = s
        self.folder = s.library_copy()
        self.proc = s.start_quandel(self.folder)
        self.win = s.wait_window(MAIN_CAPTION)
        self.app = s.wait_app(self.proc)
        self.frame = s.wait_find(self.app, role="frame", name=MAIN_CAPTION)


def state_folder(s: DesktopSession):
    return s.home / ".local" / "state" / "Tivorn" / "Quandel Library"


def kept_text(path: Path) -> str:
    # A head line of JSON, then the text itself.
    head, _, text = path.read_bytes().partition(b"\n")
    assert json.loads(head)["textBytes"] == len(text), path
    return text.decode("utf-8")


def kept_texts(s: DesktopSession) -> list[str]:
    return [kept_text(p) for p in sorted(state_folder(s).glob("*.qrec"))]


def type_at_start(m: Main, text: str) -> None:
    s = m.s
    s.click(m.editor())
    s.key("ctrl+Home")
    s.type_text(text)
    s.wait_for(lambda: s.text(m.editor()).startswith(text), f"{text!r} is in the editor")


def restore(m: Main) -> str:
    """Answers Ja to the start's question about the kept text; the editor's text."""
    s = m.s
    alert = s.wait_find(m.app, role="alert")
    text = " ".join(x.name for x in s.find_all(alert, role="label"))
    assert "ohne die Änderungen" in text, text
    s.click(s.wait_find(alert, role="push button", name="Ja", showing=True))
    s.wait_for(lambda: s.find(m.app, role="alert") is None, "the question closes")
    s.activate(m.win)
    return s.text(m.editor())


def test_signals_keep_unsaved_text(s: DesktopSession):
    s.seed_registry(quiet=True)
    m = Main(s)
    document = s.text(m.editor())
    assert s.registry_value("Width") is None

    # SIGTERM while typing: no recovery write was due yet.
    type_at_start(m, "Eins ")
    m.proc.send_signal(signal.SIGTERM)
    assert s.wait_exit(m.proc) == -signal.SIGTERM
    assert kept_texts(s) == ["Eins " + document], kept_texts(s)
    assert s.registry_value("Width") is not None, "the exit values were stored"
    assert not list(state_folder(s).glob("*.lock")), "the program gave up its lock"

    # SIGHUP while the unsaved-changes question of Alt+Q is open: the
    # question does not hold the end up.
    m = Asking(s)
    assert restore(m).startswith("Eins ")
    type_at_start(m, "Zwei ")
    s.key("alt+q")
    s.wait_find(m.app, role="alert")
    m.proc.send_signal(signal.SIGHUP)
    assert s.wait_exit(m.proc) == -signal.SIGHUP
    assert kept_texts(s) == ["Zwei Eins " + document], kept_texts(s)

    # SIGINT right after the restore: restored text is unsaved text too.
    m = Asking(s)
    assert restore(m).startswith("Zwei Eins ")
    m.proc.send_signal(signal.SIGINT)
    assert s.wait_exit(m.proc) == -signal.SIGINT
    assert kept_texts(s) == ["Zwei Eins " + document], kept_texts(s)

    # Offered once more; discarded at a normal exit, nothing is left.
    m = Asking(s)
    assert restore(m).startswith("Zwei Eins ")
    assert m.exit("Nein") == 0
    assert kept_texts(s) == []


if __name__ == "__main__":
    main(test_signals_keep_unsaved_text)
