' A script client of KORVEL: creation by programmatic name, INI members with script variables
' passed by reference, left-out optional parameters and failures reaching Err.
' usage: cscript //nologo initreg_client.vbs FOLDER
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

Dim ini, file, section, key, fallback, value
Set ini = CreateObject("BRASKEDLL.Cls_InitREG")
file = WScript.Arguments(0) & "\script.ini"
section = "PARAM"
key = "DELAI"
fallback = "30"

Check "a missing file gives the default", ini.IniLire(section, key, fallback, file) = "30"
Check "an empty default gives empty text", ini.IniLire(section, key, "", file) = ""
Check "a write succeeds", ini.IniEcrire(section, key, "45", file) <> 0
Check "the value reads back", ini.IniLire(section, key, fallback, file) = "45"
Check "the variables keep their text", section = "PARAM" And key = "DELAI" And fallback = "30"

' A number in a variable crosses as text and comes back as text.
fallback = 12
Check "a number as default", ini.IniLire(section, "absent", fallback, file) = "12"
Check "the variable came back as text", TypeName(fallback) = "String"

Check "the Windows folder", LCase(ini.RetourneCheminWindows()) = "c:\windows"
Check "the system folder", LCase(ini.RetourneCheminSystem) = "c:\windows\system32"

Dim windows
Set windows = CreateObject("BRASKEDLL.Cls_Windows")
On Error Resume Next
' GET_NomFichier of a path with more than twenty backslashes: run-time error 9.
value = windows.GET_NomFichier("C:" & String(21, "\"), 4)
Check "a failure reaches Err with its number", Err.Number = 9
Check "... its source", Err.Source = "TOLVARE"
Check "... and its description", InStr(Err.Description, "L'indice") = 1
Err.Clear
value = windows.LancerActiverApplication("Bloc-notes")
Check "a left-out optional parameter reaches the member", Err.Number = 0 And value = 0
Err.Clear
value = windows.LancerActiverApplication()
Check "a missing required parameter is refused", Err.Number <> 0 And Err.Number <> &H80004001
Err.Clear
On Error GoTo 0

WScript.Echo passed & " passed, " & failed & " failed"
