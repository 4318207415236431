#!/usr/bin/env python3
"""Moving around in code with real keys: the procedure list (Strg+Umschalt+O,
its open list, Return), Gehe zu Zeile (Strg+G) and the Tab rules of the
editor in code and in help documents."""

from desktopsession import DesktopSession, _atspi, main
from quandelsteps import Main

MODULE_NAME = "Verbindung"
MODULE = """Attribute VB_Name = "Verbindung"
Option Explicit

Private Declare Function GetTickCount Lib "kernel32" () As Long

Public Type Eintrag
    Name As String
    Version As Integer ' Stand der Daten
End Type

Private mServer As String

Public Property Get Server() As String
    Server = mServer
End Property

Public Property Let Server(ByVal Wert As String)
    mServer = Wert
End Property

Public Function Verbinden(ByVal Versuche As Long) As Boolean
    Dim i As Long
    For i = 1 To Versuche
        If Oeffnen() Then
            Verbinden = True
            Exit Function
        End If
    Next i
End Function

Private Function Oeffnen() As Boolean
    Oeffnen = Len(mServer) > 0
End Function

Public Sub Trennen()
    mServer = ""
End Sub
"""
ENTRIES = ["(Allgemein)", "Declare GetTickCount", "Type Eintrag", "Property Get Server", "Property Let Server",
           "Function Verbinden", "Function Oeffnen", "Sub Trennen"]


def library_with_module(s: DesktopSession):
    folder = s.library_copy()
    (folder / f"{MODULE_NAME}.bas").write_bytes(MODULE.replace("\n", "\r\n").encode("cp1252"))
    return folder


def caret_line(s: DesktopSession, editor) -> int:
    t = editor.queryText()
    return t.getText(0, t.caretOffset).count("\n")


def line_text(s: DesktopSession, editor, line: int) -> str:
    return s.text(editor).split("\n")[line]


def focused(s: DesktopSession, acc) -> bool:
    return s.has_state(acc, "focused")


def procedure_box(s: DesktopSession, m: Main, showing: bool = True):
    """The combo box the label "Prozedur" names (under AT-SPI a combo box's
    own name is the entry it shows)."""
    at = _atspi()

    def labelled(acc) -> bool:
        for relation in acc.getRelationSet():
            if relation.getRelationType() == at.RELATION_LABELLED_BY:
                if any(relation.getTarget(i).name == "Prozedur" for i in range(relation.getNTargets())):
                    return True
        return False

    return s.find(m.frame, role="combo box", pred=labelled, showing=showing)


def test_procedure_list_and_go_to_line(s: DesktopSession):
    m = Main(s, values={"Pattern": "1"}, folder=library_with_module(s))
    m.select(MODULE_NAME)
    combo = s.wait_for(lambda: procedure_box(s, m), "the procedure list labelled \"Prozedur\"")
    editor = m.editor()
    s.wait_for(lambda: "Verbinden" in s.text(editor), "the module is shown")
    s.click(editor)
    s.key("ctrl+Home")
    s.wait_for(lambda: combo.name == "(Allgemein)" and focused(s, editor), "the editor has the focus")

    # Strg+Umschalt+O focuses the list; Alt+Down opens it; the chosen entry
    # puts the cursor on its first line and the focus back into the text.
    s.key("ctrl+shift+o")
    s.wait_for(lambda: focused(s, combo), "Strg+Umschalt+O focuses the procedure list")
    s.key("alt+Down")
    popup = s.wait_find(combo, role="list")
    s.wait_for(lambda: s.has_state(popup, "showing"), "the list opens")
    items = [i.name for i in s.find_all(popup, role="list item")]
    assert items == ENTRIES, items
    s.key(*["Down"] * ENTRIES.index("Function Verbinden"), "Return")
    s.wait_for(lambda: focused(s, editor), "the focus is back in the text")
    s.wait_for(lambda: caret_line(s, editor) == MODULE.split("\n").index(
        "Public Function Verbinden(ByVal Versuche As Long) As Boolean"), "the cursor is on the function's first line")

    # Moving the cursor shows the procedure it is in.
    s.key("ctrl+End")
    s.wait_for(lambda: combo.name == "Sub Trennen", "the box shows the last procedure")

    # Strg+G: a line beyond the text is refused in the dialog itself.
    s.key("ctrl+g")
    dialog = s.wait_find(m.app, role="dialog", name=" Gehe zu Zeile", showing=True)
    ok = s.wait_find(dialog, role="push button", name="OK")
    s.type_text("999")
    s.wait_for(lambda: not s.has_state(ok, "enabled"), "OK refuses line 999")
    s.key("Return")
    assert s.find(m.app, role="dialog", name=" Gehe zu Zeile", showing=True) is not None
    s.key("ctrl+a")
    s.type_text("13")
    s.wait_for(lambda: s.has_state(ok, "enabled"), "OK takes line 13")
    s.key("Return")
    s.wait_for(lambda: s.find(m.app, role="dialog", name=" Gehe zu Zeile", showing=True) is None, "the dialog closes")
    s.wait_for(lambda: focused(s, editor) and caret_line(s, editor) == 12, "line 13 is the cursor line")
    s.wait_for(lambda: combo.name == "Property Get Server", "the box follows")
    # Alt+Q ends the program from the procedure list as from the text.
    s.key("ctrl+shift+o")
    s.wait_for(lambda: focused(s, combo), "back in the procedure list")
    assert m.exit() == 0


def test_tab_rules(s: DesktopSession):
    m = Main(s, values={"Pattern": "1"}, folder=library_with_module(s))
    m.select(MODULE_NAME)
    editor = m.editor()
    s.wait_for(lambda: "Verbinden" in s.text(editor), "the module is shown")
    description = editor.description
    assert "Tab rückt" in description and "Strg+Tab" in description, description
    s.click(editor)
    s.key("ctrl+Home", *["Down"] * 13, "Home")
    s.wait_for(lambda: caret_line(s, editor) == 13, "the cursor on line 14")
    before = s.text(editor)
    # In code, Tab indents and one Strg+Z takes it back.
    s.key("Tab")
    s.wait_for(lambda: line_text(s, editor, 13) == "        Server = mServer", "Tab indents the line")
    s.key("shift+Tab")
    s.wait_for(lambda: line_text(s, editor, 13) == "    Server = mServer", "Umschalt+Tab outdents it")
    s.key("shift+Down", "shift+Down", "Tab")
    s.wait_for(lambda: line_text(s, editor, 14).startswith("    End Property"), "Tab indents the selected lines")
    s.key("ctrl+z")
    s.wait_for(lambda: line_text(s, editor, 14) == "End Property", "one Strg+Z takes the indent back")
    # Return keeps the indentation of the line above.
    s.key("Escape", "ctrl+Home", *["Down"] * 13, "End", "Return")
    s.wait_for(lambda: line_text(s, editor, 14) == "    ", "Return keeps the indentation")
    s.key("ctrl+z")
    s.wait_for(lambda: s.text(editor) == before, "the text is as before")
    # Strg+Tab leaves the editor without touching the text.
    s.key("ctrl+Tab")
    s.wait_for(lambda: not focused(s, editor), "Strg+Tab leaves the editor")
    assert s.text(editor) == before
    s.click(editor)
    s.wait_for(lambda: focused(s, editor), "back in the editor")
    s.key("ctrl+shift+Tab")
    s.wait_for(lambda: not focused(s, editor), "Strg+Umschalt+Tab leaves the editor")
    assert s.text(editor) == before

    # Help documents: a plain text field, Tab moves the focus on.
    s.key("ctrl+F1")
    # The edits above (taken back) still count as changes.
    alert = s.wait_find(m.app, role="alert")
    s.click(s.wait_find(alert, role="push button", name="Nein", showing=True))
    s.wait_for(lambda: procedure_box(s, m) is None, "no procedure list for help documents")
    m.select("Dateizugriff")
    help_text = s.text(m.editor())
    s.click(m.editor())
    s.wait_for(lambda: focused(s, m.editor()), "the help document's editor has the focus")
    s.key("Tab")
    s.wait_for(lambda: not focused(s, m.editor()), "Tab leaves the help document")
    assert s.text(m.editor()) == help_text
    assert m.exit() == 0


if __name__ == "__main__":
    main(test_procedure_list_and_go_to_line, test_tab_rules)
