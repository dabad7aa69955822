' A script client of the installed KORVEL: the class is found through the registration the
' package wrote (in the registry view of this cscript's bitness), and it works.
' usage: cscript //nologo installed_client.vbs FOLDER EXPECTED_LIBRARY
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

Dim shell, classId, server
Set shell = CreateObject("WScript.Shell")
classId = shell.RegRead("HKCR\BRASKEDLL.Cls_InitREG\CLSID\")
server = shell.RegRead("HKCR\CLSID\" & classId & "\InprocServer32\")
WScript.Echo "BRASKEDLL.Cls_InitREG is " & classId & " in " & server
Check "the class is served by the installed library", LCase(server) = LCase(WScript.Arguments(1))
Check "... apartment-threaded", shell.RegRead("HKCR\CLSID\" & classId & "\InprocServer32\ThreadingModel") = "Apartment"

Dim ini, file
Set ini = CreateObject("BRASKEDLL.Cls_InitREG")
file = WScript.Arguments(0) & "\installed.ini"
Check "a missing file gives the default", ini.IniLire("PARAM", "DELAI", "30", file) = "30"
Check "a write succeeds", ini.IniEcrire("PARAM", "DELAI", "45", file) <> 0
Check "the value reads back", ini.IniLire("PARAM", "DELAI", "30", file) = "45"

WScript.Echo passed & " passed, " & failed & " failed"
