' Cls_Conversion: numbers and amounts in French words, typed numbers cleaned, DOS text.
' usage: cscript //nologo Cls_Conversion.vbs [FOLDER]   (writes no file)
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

Dim conv, dos, converted
Set conv = CreateObject("BRASKEDLL.Cls_Conversion")

' Amounts in words, for a cheque or an invoice (True): the currency's names are the object's,
' given in the singular.
conv.IntituleMonnaie = "euro"
conv.IntitulePetiteMonnaie = "centime"
Check "an amount", conv.ConvertirNombreEnLettre(1250.8, True) = "mille deux cent cinquante euros et quatre-vingts centimes"
Check "a number (False)", conv.ConvertirNombreEnLettre(71, False) = "soixante et onze"
' A negative number is refused with run-time error 5.
On Error Resume Next
conv.ConvertirNombreEnLettre -3, False
Check "error 5 for a negative number", Err.Number = 5
On Error GoTo 0

' What a user typed, cleaned: blanks go; digits, "," and "." stay, and "-" in front. Anything
' else gives an empty text (and a message box to the user, unless unattended).
Check "blanks removed", conv.Ctrl_SaiseNombre(" 1 234,50 ") = "1234,50"
Check "letters refused", conv.Ctrl_SaiseNombre("12 kg") = ""

' Text written by a DOS program (the OEM code page) made Windows text; the result comes back in
' the second variable. On a Western Windows (ANSI code page 1252), DOS's 130 is an e acute.
If CreateObject("WScript.Shell").RegRead("HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage\ACP") = "1252" Then
    dos = "caf" & Chr(130)
    converted = ""
    Check "ConvertirOemAnsi answers 1", conv.ConvertirOemAnsi(dos, converted) = 1
    Check "cafe with its accent", converted = "caf" & Chr(233)
End If

WScript.Echo passed & " passed, " & failed & " failed"
