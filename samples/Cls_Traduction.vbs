' Cls_Traduction: a program's texts in language files, for its windows and its messages.
' usage: cscript //nologo Cls_Traduction.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
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

Dim files, folder, tr, file, loaded, form, button
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set tr = CreateObject("BRASKEDLL.Cls_Traduction")

' Numbered messages: elements 1, 2... of an array become MSG1, MSG2... of the section [MSG]
' (element 0 is not written). A translator makes one such file per language.
file = folder & "\korvel-messages-fr.ini"
tr.Sauver_TousLesMessages Array("", "Bonjour", "Fichier introuvable"), file
Check "one message by its number", tr.Charger_LeMessage(file, 2) = "Fichier introuvable"
tr.Charger_TousLesMessages file, loaded
Check "all of them, from element 1, then an empty one", _
    UBound(loaded) = 3 And loaded(1) = "Bonjour" And loaded(2) = "Fichier introuvable" And loaded(3) = ""
files.DeleteFile file

' A window's texts: the window is any object with Name, Caption and Controls (a collection of
' controls with Name and Caption), such as a form; here classes of the script's own.
Class Controle
    Public Name
    Public Caption
End Class
Class Fenetre
    Public Name
    Public Caption
    Public Controls
End Class
Set button = New Controle : button.Name = "cmdOk" : button.Caption = "Valider"
Set form = New Fenetre : form.Name = "frmMain" : form.Caption = "Principal"
Set form.Controls = CreateObject("Scripting.Dictionary")   ' enumerated, it gives the controls
form.Controls.Add button, Empty
file = folder & "\korvel-langue-fr.ini"
Check "saving the window's texts answers an empty text", tr.Sauver_LangueFeuille(form, file) = ""
button.Caption = "OK" : form.Caption = "Main"
Check "loading them back answers an empty text", tr.Charger_LangueFeuille(form, file) = ""
Check "the texts are the file's again", form.Caption = "Principal" And button.Caption = "Valider"
files.DeleteFile file
Check "a missing file is said", tr.Charger_LangueFeuille(form, file) = "Fichier inexistant."

WScript.Echo passed & " passed, " & failed & " failed"
