' A script client of Cls_Conversion and Cls_Traduction: numbers in words with the script's
' variables, the typed-number cleaning, OEM to ANSI, and a window's texts saved and loaded with
' a window object made by the script (its controls in a dictionary, enumerated as a collection).
' usage: cscript //nologo text_client.vbs FOLDER
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

' A control: Index fails outside an indexed group, as it does on a real one.
Class Control
    Public Name
    Public Caption
    Public Text
    Public mIndex
    Public Property Get Index
        If IsEmpty(mIndex) Then Err.Raise 343
        Index = mIndex
    End Property
End Class

Class Window
    Public Name
    Public Caption
    Public Controls
End Class

Function NewControl(name, caption, text, index)
    Dim c
    Set c = New Control
    c.Name = name
    c.Caption = caption
    c.Text = text
    c.mIndex = index
    Set NewControl = c
End Function

Dim conversion, number, amount, words
Set conversion = CreateObject("BRASKEDLL.Cls_Conversion")
conversion.IntituleMonnaie = "euro"
conversion.IntitulePetiteMonnaie = "centime"
Check "the currency name reads back", conversion.IntituleMonnaie = "euro"
Check "the sub-unit name reads back", conversion.IntitulePetiteMonnaie = "centime"
number = 1.5
amount = True
words = conversion.ConvertirNombreEnLettre(number, amount)
WScript.Echo "1.5: [" & words & "]"
Check "an amount in words", words = "un euro et cinquante centimes"
Check "the number keeps its value", number = 1.5
number = 71
amount = False
Check "71 in words", conversion.ConvertirNombreEnLettre(number, amount) = "soixante et onze"
number = 1001000
Check "the double blank", conversion.ConvertirNombreEnLettre(number, amount) = "un million  mille"
number = -3
On Error Resume Next
words = conversion.ConvertirNombreEnLettre(number, amount)
Check "a negative number is a run-time error", Err.Number = 5
On Error GoTo 0

Dim typed, oem, target, result
typed = " 1 234,50 "
Check "a typed number cleaned", conversion.Ctrl_SaiseNombre(typed) = "1234,50"
Check "the typed text stays", typed = " 1 234,50 "
oem = "caf" & Chr(130)
target = "xxxxxx"
result = conversion.ConvertirOemAnsi(oem, target)
WScript.Echo "OEM to ANSI: " & result & " [" & Left(target, 4) & "]"
Check "OEM to ANSI succeeds", result = 1
Check "the OEM text converted", Left(target, 4) = "caf" & Chr(233)
Check "a NUL after it", Mid(target, 5, 1) = Chr(0)

Dim traduction, files, folder, file, form, controls, ok, info, reply
Set traduction = CreateObject("BRASKEDLL.Cls_Traduction")
Set files = CreateObject("Scripting.FileSystemObject")
folder = WScript.Arguments(0)
file = folder & "\lang\fr.ini"
Set form = New Window
form.Name = "frmMain"
form.Caption = "Principal"
Set controls = CreateObject("Scripting.Dictionary")
Set ok = NewControl("cmdOk", "OK", Empty, Empty)
Set info = NewControl("lblInfo", "Information", Empty, 1)
controls.Add ok, 0
controls.Add info, 0
Set form.Controls = controls
reply = traduction.Sauver_LangueFeuille(form, file)
Check "saving answers an empty text", reply = ""
Check "the file was written", files.FileExists(file)
ok.Caption = "changed"
form.Caption = "changed"
info.Caption = "changed"
reply = traduction.Charger_LangueFeuille(form, file)
Check "loading answers an empty text", reply = ""
Check "the window's title comes back", form.Caption = "Principal"
Check "a control's caption comes back", ok.Caption = "OK"
Check "an indexed control's caption comes back", info.Caption = "Information"
reply = traduction.Charger_LangueFeuille(form, folder & "\absent.ini")
Check "a missing file is told", reply = "Fichier inexistant."
reply = traduction.Sauver_LangueFeuille(form, folder & "\a\b\lang.ini")
Check "two missing folders are told", reply = "Trop de r" & Chr(233) & "pertoire " & Chr(224) & " cr" & Chr(233) & "er."

Dim messages, loaded, msgFile, numero
messages = Array("", "Bonjour", "Au revoir")
msgFile = folder & "\messages.ini"
traduction.Sauver_TousLesMessages messages, msgFile
numero = 2
Check "one message by number", traduction.Charger_LeMessage(msgFile, numero) = "Au revoir"
traduction.Charger_TousLesMessages msgFile, loaded
Check "all messages load", UBound(loaded) = 3
Check "... in order", loaded(1) = "Bonjour" And loaded(2) = "Au revoir"

WScript.Echo passed & " passed, " & failed & " failed"
