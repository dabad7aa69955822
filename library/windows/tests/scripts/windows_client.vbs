' A script client of Cls_Windows: Wait with the script's variables, the program associated with
' a document, the development mode, the control-panel pages, windows, shortcuts, folders, the
' version and the path and file helpers, each printed and checked.
' usage: cscript //nologo windows_client.vbs FOLDER
' FOLDER holds this host and a stand-in rundll32.exe that records its command lines in
' rundll32.exe.log.
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


' The control-panel pages: each command line as the runner receives it.
Dim folder, runnerLog, pages, page, recorded, tab, systemFolder
folder = WScript.Arguments(0)
' The runner the library starts is the system folder's, by its full path: the stand-in is there.
systemFolder = files.GetSpecialFolder(1).Path
runnerLog = systemFolder & "\rundll32.exe.log"

' A page's command text as the runner receives it: its program named by its full path, quoted.
Function FromSystemFolder(commandText)
    Dim blank, program
    blank = InStr(commandText, " ")
    program = Left(commandText, blank - 1)
    If InStr(program, ".") = 0 Then program = program & ".exe"
    FromSystemFolder = """" & systemFolder & "\" & program & """" & Mid(commandText, blank)
End Function

' What the runner has recorded so far; "" while the runner holds its log (this host does not
' show run-time errors: it ends the script without a word, so none may escape).
Function RunnerLogText()
    Dim stream
    On Error Resume Next
    RunnerLogText = ""
    If Not files.FileExists(runnerLog) Then Exit Function
    ' (Reading an empty file is an error: the stand-in makes its log before writing it.)
    If files.GetFile(runnerLog).Size = 0 Then Exit Function
    Set stream = files.OpenTextFile(runnerLog, 1)
    If Err.Number <> 0 Then Exit Function
    RunnerLogText = stream.ReadAll()
    stream.Close
End Function

' The command line of the runner's run number `count` once it has recorded that many, or ""
' after a minute (the members do not wait for the program).
Function RecordedRun(count)
    Dim start, lines
    RecordedRun = ""
    start = Timer
    Do While SecondsSince(start) < 60
        lines = Split(RunnerLogText(), vbCrLf)
        If UBound(lines) >= count Then
            ' "flags show command line": the command line is what follows the second blank.
            RecordedRun = Mid(lines(count - 1), InStr(InStr(lines(count - 1), " ") + 1, lines(count - 1), " ") + 1)
            Exit Function
        End If
        ' (This host has no Sleep: Wait 0 lets one round of messages by.)
        windows.Wait 0
    Loop
End Function

' Each page called as a script writes it (this host has no Execute to build the calls).
Sub OpenPage(member, tab)
    Select Case member
        Case "GstAffichage": windows.GstAffichage tab
        Case "GstDivers": windows.GstDivers tab
        Case "GstProg": windows.GstProg tab
        Case "GstParamRegion": windows.GstParamRegion tab
        Case "GstJoystick": windows.GstJoystick tab
        Case "GstPrincipal": windows.GstPrincipal tab
        Case "GstMailFax": windows.GstMailFax
        Case "GstMultimedia": windows.GstMultimedia tab
        Case "GstSysteme": windows.GstSysteme tab
        Case "GstInternetExplorer": windows.GstInternetExplorer tab
        Case "GstAssistantNouveauMateriel": windows.GstAssistantNouveauMateriel
        Case "GstModem": windows.GstModem
        Case "GstReseau": windows.GstReseau
        Case "GstPassword": windows.GstPassword
        Case "GstDate": windows.GstDate
        Case "GstMSMail": windows.GstMSMail
        Case "GstFichierAssociation": windows.GstFichierAssociation tab
        Case "CopieD7": windows.CopieD7
        Case "CreationRaccourci_Fenetre": windows.CreationRaccourci_Fenetre tab
        Case "AssistantNouveauMateriel": windows.AssistantNouveauMateriel
        Case "AssistantNouvelleImprimante": windows.AssistantNouvelleImprimante
        Case "AssistantNouvelleConnexion": windows.AssistantNouvelleConnexion
        Case "OuvrirPortionDocument": windows.OuvrirPortionDocument tab
        Case "CreationPorteDocument": windows.CreationPorteDocument
        Case "GstImprimante": windows.GstImprimante
        Case "GstFontes": windows.GstFontes
        Case "GstHeure": windows.GstHeure
        Case "GstEnergie": windows.GstEnergie
    End Select
End Sub

pages = Array( _
    Array("GstAffichage", 3, "RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,3"), _
    Array("GstDivers", 1, "RUNDLL32 SHELL32.DLL,Control_RunDLL ACCESS.CPL,,1"), _
    Array("GstProg", -2, "RUNDLL32 SHELL32.DLL,Control_RunDLL APPWIZ.CPL,,-2"), _
    Array("GstParamRegion", 4, "RUNDLL32 SHELL32.DLL,Control_RunDLL INTL.CPL,,4"), _
    Array("GstJoystick", 0, "rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,0"), _
    Array("GstPrincipal", 2, "rundll32.exe shell32.dll,Control_RunDLL main.cpl @2"), _
    Array("GstMailFax", Empty, "rundll32.exe shell32.dll,Control_RunDLL mlcfg32.cpl"), _
    Array("GstMultimedia", 4, "RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,4"), _
    Array("GstSysteme", 0, "RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,0"), _
    Array("GstInternetExplorer", 1, "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,1"), _
    Array("GstAssistantNouveauMateriel", Empty, "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl @1"), _
    Array("GstModem", Empty, "rundll32.exe shell32.dll,Control_RunDLL modem.cpl"), _
    Array("GstReseau", Empty, "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl"), _
    Array("GstPassword", Empty, "rundll32.exe shell32.dll,Control_RunDLL password.cpl"), _
    Array("GstDate", Empty, "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl"), _
    Array("GstMSMail", Empty, "rundll32.exe shell32.dll,Control_RunDLL wgpocpl.cpl"), _
    Array("GstFichierAssociation", "C:\a b.xyz", "rundll32.exe shell32.dll,OpenAs_RunDLL C:\a b.xyz"), _
    Array("CopieD7", Empty, "rundll32 diskcopy.dll,DiskCopyRunDll"), _
    Array("CreationRaccourci_Fenetre", "", "rundll32.exe AppWiz.Cpl,NewLinkHere "), _
    Array("AssistantNouveauMateriel", Empty, "rundll32.exe sysdm.cpl, InstallDevice_RunDLL"), _
    Array("AssistantNouvelleImprimante", Empty, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL AddPrinter"), _
    Array("AssistantNouvelleConnexion", Empty, "rundll32.exe rnaui.dll, RnaWizard"), _
    Array("OuvrirPortionDocument", "C:\doc.shs", "rundll32.exe shscrap.dll,OpenScrap_RunDLL /r /x C:\doc.shs"), _
    Array("CreationPorteDocument", Empty, "rundll32.exe syncui.dll, Briefcase_Create"), _
    Array("GstImprimante", Empty, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL PrintersFolder"), _
    Array("GstFontes", Empty, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL FontsFolder"), _
    Array("GstHeure", Empty, "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl,,/f"), _
    Array("GstEnergie", Empty, "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl"))
recorded = 0
For Each page In pages
    ' Scripts pass their variables by reference: the member must leave them as they were.
    tab = page(1)
    OpenPage page(0), tab
    recorded = recorded + 1
    found = RecordedRun(recorded)
    Check page(0) & " starts [" & FromSystemFolder(page(2)) & "], not [" & found & "]", found = FromSystemFolder(page(2))
    Check page(0) & " keeps the variable", tab = page(1)
Next
WScript.Echo recorded & " pages started"

' Windows: this script has no window of its own; a handle that is no window has no title.
Dim active
active = windows.Get_ActiveWindow(True)
Check "Get_ActiveWindow gives a number", TypeName(active) = "Long"
Check "GetActiveWindowTitle gives a text", TypeName(windows.GetActiveWindowTitle(False)) = "String"
Check "the foreground window's title by handle", windows.Get_WindowTitle(active) = windows.GetActiveWindowTitle(True)
Check "no window, no title", windows.Get_WindowTitle(0) = ""
Check "a handle that is no window has no title", windows.Get_WindowTitle(2147418112) = ""
' Without a desktop of its own Wine's shell has no taskbar: both find nothing to do.
windows.Cacher_BarreDesTaches
windows.Montrer_BarreDesTaches
Check "the taskbar members return", True

' Folders and version.
Dim shell, windowsFolder
Set shell = CreateObject("WScript.Shell")
windowsFolder = windows.GET_DossierWindows()
Check "GET_DossierWindows is the system root [" & windowsFolder & "]", _
    LCase(windowsFolder) = LCase(shell.ExpandEnvironmentStrings("%SystemRoot%"))
Check "GET_DossierSysteme lies in it", _
    LCase(Left(windows.GET_DossierSysteme(), Len(windowsFolder) + 1)) = LCase(windowsFolder & "\")
Check "a later Windows has no name", windows.getWindowsVersion() = ""

' A form whose window handle is no window: the picker is not shown.
Class Formulaire
    Public hwnd
End Class
Dim form
Set form = New Formulaire
form.hwnd = 2147418112
Check "ParcourirDossier without a window gives nothing", windows.ParcourirDossier(form, "Choisir") = ""

' A shortcut in the script's folder; the place gets its final backslash.
Dim place
place = folder
windows.CreationRaccourci "Bloc-notes KORVEL", "C:\windows\notepad.exe", "", place
Check "the place gets its backslash", place = folder & "\"
Check "the shortcut is made", files.FileExists(folder & "\Bloc-notes KORVEL.lnk")

' Paths and files.
Check "GET_NomFichier", windows.GET_NomFichier("C:\dir\sub\file.txt", 4 + 8) = "file.TXT"
Check "GetNomFichier_DuChemin", windows.GetNomFichier_DuChemin("C:\dir\file.txt") = "file.txt"
Check "GetNomFichier_DuChemin with the extension asked", windows.GetNomFichier_DuChemin("C:\dir\file.txt", True) = "txt"
Check "GET_ExtentionFichier", windows.GET_ExtentionFichier("rapport.2024.pdf") = "pdf"
Dim journal, stream
journal = folder & "\journal.txt"
windows.EcritAjoutDansFichier journal, "a"
windows.EcritAjoutDansFichier journal, "b"
Set stream = files.OpenTextFile(journal, 1)
Check "two appended lines", stream.ReadAll() = "a" & vbCrLf & "b" & vbCrLf
stream.Close
Dim outcome
outcome = windows.Effacer_FichierDossier(folder & "\absent.txt")
Check "deleting what does not exist does nothing", IsEmpty(outcome)

WScript.Echo passed & " passed, " & failed & " failed"
