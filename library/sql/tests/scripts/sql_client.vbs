' A script client of Cls_SQL, late-bound, with the script's own variables.
' usage: cscript //nologo sql_client.vbs FOLDER
Option Explicit

Dim passed, failed
passed = 0
failed = 0

Sub Check(name, condition)
    If condition Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAILED: " & name
    End If
End Sub

Dim sql, text, result, file, name
Set sql = CreateObject("BRASKEDLL.Cls_SQL")

text = "l'eau d'ici"
result = sql.RepAPOS(text)
WScript.Echo "RepAPOS: " & result
Check "apostrophes doubled", result = "l''eau d''ici"
Check "the variable keeps its text", text = "l'eau d'ici"

file = WScript.Arguments(0) & "\absente.mdb"
name = "KorvelScript"
result = sql.Creer_ODBC_Access(file, name)
WScript.Echo "Creer_ODBC_Access(missing file): " & result
Check "a missing file is said first", result = "Fichier inexistant."
Check "... as text", TypeName(result) = "String"

WScript.Echo passed & " passed, " & failed & " failed"
