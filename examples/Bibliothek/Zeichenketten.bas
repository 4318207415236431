Attribute VB_Name = "Zeichenketten"
Option Explicit

' Sucht von hinten nach einem Zeichen und gibt seine Position zurück (0 = nicht gefunden).
Public Function InstrRev(ByVal Text As String, ByVal Zeichen As String) As Long
    Dim i As Long
    For i = Len(Text) To 1 Step -1
        If Mid$(Text, i, 1) = Zeichen Then
            InstrRev = i
            Exit Function
        End If
    Next i
End Function

' Ersetzt Umlaute für Dateinamen: ä, ö, ü, ß
Public Function OhneUmlaute(ByVal Text As String) As String
    Text = Replace(Text, "ä", "ae")
    Text = Replace(Text, "ö", "oe")
    Text = Replace(Text, "ü", "ue")
    OhneUmlaute = Replace(Text, "ß", "ss")
End Function
