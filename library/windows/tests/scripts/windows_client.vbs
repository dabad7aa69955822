' A script client of Cls_Windows: Wait with the script's variables, the program associated with
' a document, the development mode, each printed and checked.
' usage: cscript //nologo windows_client.vbs FOLDER
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

' Seconds since the first reading, across midnight too.
Function SecondsSince(start)
    Dim now
    now = Timer
    If now < start Then now = now + 86400
    SecondsSince = now - start
End Function

Dim windows, start, seconds, waited
Set windows = CreateObject("BRASKEDLL.Cls_Windows")

seconds = 1
start = Timer
windows.Wait seconds
waited = SecondsSince(start)
WScript.Echo "Wait 1: " & FormatNumber(waited, 2) & " s"
' The script's clock may read one step of the system clock short of the timer's second.
Check "Wait 1 does not return before its second", waited >= 0.98
Check "the count keeps its value", seconds = 1
start = Timer
windows.Wait 0
WScript.Echo "Wait 0: " & FormatNumber(SecondsSince(start), 2) & " s"
windows.Wait -5
Check "Wait with a negative count returns", True

Dim files, document, host, found
Set files = CreateObject("Scripting.FileSystemObject")
document = WScript.Arguments(0) & "\lettre sans programme.kvsans"
files.CreateTextFile(document, True).Close
found = windows.TrouveExecutable(document)
WScript.Echo "TrouveExecutable(document): [" & found & "]"
Check "a document without an associated program names none", found = ""
Check "the document variable keeps its text", document = WScript.Arguments(0) & "\lettre sans programme.kvsans"
' A program is its own program.
host = WScript.FullName
found = windows.TrouveExecutable(host)
WScript.Echo "TrouveExecutable(" & host & "): [" & found & "]"
Check "a program is found as itself", LCase(found) = LCase(host)
found = windows.ExecuteFichier(document)
WScript.Echo "ExecuteFichier(document): [" & found & "]"
Check "ExecuteFichier names the missing association", found = "no association"
Check "... as text", TypeName(found) = "String"

Dim mode
mode = windows.ModeDeveloppement()
WScript.Echo "ModeDeveloppement: " & mode
Check "the delivered library is not in the development environment", mode = False
Check "... as a Boolean", TypeName(mode) = "Boolean"

Dim started
started = windows.LancerActiverApplication("Aucune fenetre de ce titre KORVEL")
WScript.Echo "LancerActiverApplication(no window, no program): " & started
Check "no window and no program give 0", started = 0

WScript.Echo passed & " passed, " & failed & " failed"
