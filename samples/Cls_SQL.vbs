' Cls_SQL: texts made safe for SQL statements, and Access files as ODBC data sources.
' usage: cscript //nologo Cls_SQL.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
Option Explicit
Dim passed, failed, environment : passed = 0 : failed = 0
Sub Check(what, ok)
    If ok Then passed = passed + 1 Else failed = failed + 1
    If ok Then WScript.Echo "ok - " & what Else WScript.Echo "FAILED - " & what
End Sub
' No message box may wait for a click nobody gives: the library shows none while this is 1.
' (Wine's script host cannot set it: there, set KORVEL_SANS_MESSAGES=1 before starting cscript.)
Set environment = CreateObject("WScript.Shell").Environment("PROCESS")
On Error Resume Next
environment("KORVEL_SANS_MESSAGES") = "1"
On Error GoTo 0

Dim files, folder, sql, town, query, base
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set sql = CreateObject("BRASKEDLL.Cls_SQL")

' A text put between quotes in an SQL statement has its apostrophes doubled: without that, the
' first one would end the text (and the rest would be read as SQL).
town = "L'Isle-d'Abeau"
query = "SELECT * FROM Villes WHERE Nom = '" & sql.RepAPOS(town) & "'"
WScript.Echo query
Check "apostrophes doubled", query = "SELECT * FROM Villes WHERE Nom = 'L''Isle-d''Abeau'"
Check "the variable keeps its text", town = "L'Isle-d'Abeau"

' Creer_ODBC_Access makes an Access file a data source of the user's, under
' HKEY_CURRENT_USER\Software\ODBC, and answers "Creation OK"; a name already taken, or a machine
' without the Access driver, gets a text saying so. Here only the refusals, which write nothing.
base = folder & "\korvel-exemple.mdb"
Check "a missing file", sql.Creer_ODBC_Access(base, "Exemple KORVEL") = "Fichier inexistant."
files.CreateTextFile(base, True).Close
Check "a name no data source can have", sql.Creer_ODBC_Access(base, "Ventes=2024") = "Lien ODBC incorrect."
files.DeleteFile base

WScript.Echo passed & " passed, " & failed & " failed"
