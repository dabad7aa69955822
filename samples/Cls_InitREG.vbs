' Cls_InitREG: a program's settings in an INI file or in the registry, the Windows folders, files.
' usage: cscript //nologo Cls_InitREG.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
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

Dim files, folder, ini, file, renamed, windows, key
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set ini = CreateObject("BRASKEDLL.Cls_InitREG")

' INI files: a missing file, section or key reads as the default given. Give a full path: a
' bare file name would be a file of the Windows folder.
file = folder & "\korvel-exemple.ini"
renamed = folder & "\korvel-exemple renomme.ini"
Check "a setting never written reads as its default", ini.IniLire("PARAM", "DELAI", "30", file) = "30"
Check "IniEcrire answers non-zero when it wrote", ini.IniEcrire("PARAM", "DELAI", "45", file) <> 0
Check "the setting reads back", ini.IniLire("PARAM", "DELAI", "30", file) = "45"
Check "RenommerFichier answers True", ini.RenommerFichier(file, renamed)
Check "FichierExiste sees the new name only", ini.FichierExiste(renamed) And Not ini.FichierExiste(file)
files.DeleteFile renamed

windows = ini.RetourneCheminWindows()
Check "the Windows folder exists: " & windows, ini.DossierExiste(windows)
Check "the system folder lies in it", InStr(1, ini.RetourneCheminSystem(), windows & "\", vbTextCompare) = 1

' The registry: a key path starts with the root's whole name. The writes change only keys that
' exist, so the key is made first (with the keys missing on its way).
Const EXEMPLES = "HKEY_CURRENT_USER\Software\TOLVARE\Exemples"
ini.CreerREG_Cle EXEMPLES
ini.EcrireREG_STRING EXEMPLES, "Langue", "fr"
ini.EcrireREG_DWORD EXEMPLES, "Delai", 45
Check "a text value reads back", ini.LireREG_STRING(EXEMPLES, "Langue") = "fr"
Check "a number reads back", ini.LireREG_DWORD(EXEMPLES, "Delai") = 45
Check "a missing value reads as the text Error", ini.LireREG_DWORD(EXEMPLES, "Absente") = "Error"
' A key path in a variable comes back holding the path below the root: pass a constant.
key = EXEMPLES
ini.LireREG_STRING key, "Langue"
Check "the variable now holds " & key, key = "Software\TOLVARE\Exemples"
' A program's installation folder, under HKEY_CURRENT_USER\Software\ and the program's name.
Check "EcritureREG_Software_RepInstall names its key", _
    ini.EcritureREG_Software_RepInstall("TOLVARE\Exemples\Demo", "C:\Demo") = "Ecriture dans " & EXEMPLES & "\Demo"
Check "the folder is written there", ini.LireREG_STRING(EXEMPLES & "\Demo", "RepInstall") = "C:\Demo"
' A key that still has subkeys is not deleted: the deepest first. (TOLVARE, where the library
' keeps its own settings, stays.)
ini.EffaceREG_CLE EXEMPLES & "\Demo"
ini.EffaceREG_CLE EXEMPLES
Check "the example key is gone", ini.LireREG_STRING(EXEMPLES, "Langue") = "Error"

WScript.Echo passed & " passed, " & failed & " failed"
