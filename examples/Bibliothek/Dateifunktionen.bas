Attribute VB_Name = "Dateifunktionen"
Option Explicit

' Prüft, ob eine Datei oder ein Ordner vorhanden ist.
Public Function Dateiexistenz(ByVal Pfad As String) As Boolean
    On Error Resume Next
    Dateiexistenz = (Len(Dir$(Pfad, vbDirectory Or vbHidden)) > 0)
End Function

' Liest eine Textdatei vollständig ein.
Public Function DateiLesen(ByVal Pfad As String) As String
    Dim Nummer As Integer
    Nummer = FreeFile
    Open Pfad For Binary Access Read As #Nummer
    DateiLesen = Input$(LOF(Nummer), Nummer)
    Close #Nummer
End Function
