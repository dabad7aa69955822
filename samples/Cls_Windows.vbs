' Cls_Windows: waiting, path names, a journal file, special folders, shortcuts and windows.
' usage: cscript //nologo Cls_Windows.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
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

Dim files, folder, win, start, waited, journal, appData, place
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set win = CreateObject("BRASKEDLL.Cls_Windows")

' Wait lets the calling program's windows and events go on while it waits.
start = Timer
win.Wait 1
waited = Timer - start
If waited < 0 Then waited = waited + 86400   ' past midnight
Check "Wait 1 waits a second (" & FormatNumber(waited, 2) & " s)", waited >= 0.9 And waited < 30

' Path names by their text alone (nothing is looked for on disk). GET_NomFichier's parts:
' 1 drive, 2 folder, 4 name, 8 extension (in capitals); add up the ones you want.
Check "name and extension", win.GET_NomFichier("C:\Rapports\2024\juin.txt", 4 + 8) = "juin.TXT"
Check "drive and folder", win.GET_NomFichier("C:\Rapports\2024\juin.txt", 1 + 2) = "C:\Rapports\2024\"
Check "the file name", win.GetNomFichier_DuChemin("C:\Rapports\juin.txt") = "juin.txt"
Check "the extension", win.GET_ExtentionFichier("rapport.2024.pdf") = "pdf"

' A journal: each call appends one line, and makes the file when it is missing.
journal = folder & "\korvel-journal.txt"
win.EcritAjoutDansFichier journal, "debut"
win.EcritAjoutDansFichier journal, "fin"
Check "two lines appended", files.OpenTextFile(journal).ReadAll() = "debut" & vbCrLf & "fin" & vbCrLf
files.DeleteFile journal

' Special folders by their CSIDL number, ended by a backslash (26: the user's application data,
' where a program keeps its settings). GET_DossierWindows and GET_DossierSysteme give the others.
appData = win.GET_DossierSpecial(26)
Check "the application data folder exists: " & appData, Right(appData, 1) = "\" And files.FolderExists(appData)

' A shortcut to this script host, made in the folder given, whose path comes back with its
' backslash (without one it goes to the user's Startup folder: started at each logon).
place = folder
win.CreationRaccourci "Exemple KORVEL", WScript.FullName, "", place
Check "the shortcut is made", files.FileExists(place & "Exemple KORVEL.lnk") And place = folder & "\"
If files.FileExists(place & "Exemple KORVEL.lnk") Then files.DeleteFile place & "Exemple KORVEL.lnk"

' Nothing started: TrouveExecutable names the program that opens a document (a program is its
' own); with no window of that title and no program given, LancerActiverApplication answers 0.
Check "TrouveExecutable of a program", LCase(win.TrouveExecutable(WScript.FullName)) = LCase(WScript.FullName)
Check "no such window", win.LancerActiverApplication("Aucune fenetre ne porte ce titre") = 0

WScript.Echo passed & " passed, " & failed & " failed"
