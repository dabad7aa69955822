' A script client of Cls_InitREG's registry and file members, late-bound, with the script's
' own variables (the key-path variables come back rewritten), each printed and checked.
' usage: cscript //nologo registry_client.vbs FOLDER
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

Const OWN = "HKEY_CURRENT_USER\Software\KorvelScriptClient"

Dim ini, path, result, number
Set ini = CreateObject("BRASKEDLL.Cls_InitREG")

path = OWN & "\Engines\Jet"
ini.CreerREG_Cle path
Check "CreerREG_Cle leaves the subkey path in the variable", path = "Software\KorvelScriptClient\Engines\Jet"

path = OWN & "\Engines\Jet"
number = 2048
ini.EcrireREG_DWORD path, "MaxBufferSize", number
path = OWN & "\Engines\Jet"
result = ini.LireREG_DWORD(path, "MaxBufferSize")
WScript.Echo "LireREG_DWORD: " & result & " (" & TypeName(result) & ")"
Check "a number comes back as a Long", result = 2048 And TypeName(result) = "Long"
path = OWN & "\Engines\Jet"
result = ini.LireREG_DWORD(path, "absent")
Check "a missing number reads as Error", result = "Error"

path = OWN & "\Engines\Jet"
ini.EcrireREG_STRING path, "UserCommitSync", "Yes"
path = OWN & "\Engines\Jet"
result = ini.LireREG_STRING(path, "UserCommitSync")
WScript.Echo "LireREG_STRING: [" & result & "]"
Check "a text comes back", result = "Yes"

path = OWN & "\Engines\Jet"
ini.EcrireREG_BINARY path, "Bytes", Chr(1) & Chr(2) & Chr(255)
path = OWN & "\Engines\Jet"
result = ini.LireREG_BINARY(path, "Bytes")
Check "bytes come back one character each", Len(result) = 3 And Asc(Mid(result, 3, 1)) = 255

path = OWN & "\Engines\Jet"
ini.EffaceREG_CLE path
path = OWN & "\Engines\Jet"
result = ini.LireREG_STRING(path, "UserCommitSync")
Check "a deleted key reads as Error", result = "Error"

result = ini.EcritureREG_Software_RepInstall("KorvelScriptClient", "C:\Programmes\Korvel")
WScript.Echo "EcritureREG_Software_RepInstall: " & result
Check "the install folder's key is named", result = "Ecriture dans " & OWN
path = OWN
Check "the install folder is written", ini.LireREG_STRING(path, "RepInstall") = "C:\Programmes\Korvel"

Check "HKEY_CURRENT_USER is 0x80000001", ini.LireREG_ClePrincipale("HKEY_CURRENT_USER") = &H80000001
Check "ErrorMsg 1014", ini.ErrorMsg(1014) = "Code d'Erreur indefini:   1014"

Dim files, folder, file, moved
Set files = CreateObject("Scripting.FileSystemObject")
folder = WScript.Arguments(0)
file = folder & "\Un nom de fichier bien long.texte"
files.CreateTextFile(file, True).Close
Check "FichierExiste of a file", ini.FichierExiste(file) = True
Check "FichierExiste of a folder", ini.FichierExiste(folder) = False
Check "DossierExiste of a folder", ini.DossierExiste(folder) = True
Dim shortForm
shortForm = ini.GET_NomCourt(file)
WScript.Echo "GET_NomCourt: " & shortForm
Check "the short form is another name", shortForm <> file And Len(shortForm) > 0
Check "the long form of the short one", ini.GET_NomLong(shortForm) = file
moved = folder & "\renamed.texte"
Check "RenommerFichier moves the file", ini.RenommerFichier(file, moved) = True
Check "... and not again", ini.RenommerFichier(file, moved) = False

path = OWN & "\Engines"
ini.EffaceREG_CLE path
path = OWN
ini.EffaceREG_CLE path
Check "the script's key is gone", ini.LireREG_STRING("HKEY_CURRENT_USER\Software\KorvelScriptClient", "RepInstall") = "Error"

WScript.Echo passed & " passed, " & failed & " failed"
