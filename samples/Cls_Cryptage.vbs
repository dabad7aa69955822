' Cls_Cryptage: texts encrypted with a password, and signed with the user's own key.
' usage: cscript //nologo Cls_Cryptage.vbs [FOLDER]   (writes no file)
' 40-bit RC4 keyed from the password's MD5: for exchanging files with earlier versions, not for
' keeping a secret from anyone who tries.
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

Dim crypt, checker, text, cipher, signature
' A new object prepares the user's key container (made, with its keys, when missing) and says
' how that went in a message box, unless unattended.
Set crypt = CreateObject("BRASKEDLL.Cls_Cryptage")
text = "Rendez-vous a 8 heures"

' Encrypt and Decrypt read InBuffer and Password, leave the result in OutBuffer and tell how it
' went in Status: 1 done, 3 failed (OutBuffer then empty).
crypt.Password = "mot de passe"
crypt.InBuffer = text
crypt.Encrypt
cipher = crypt.OutBuffer
Check "Encrypt done (Status " & crypt.Status & ")", crypt.Status = 1
Check "the cipher text is as long as the text, and differs from it", Len(cipher) = Len(text) And cipher <> text
crypt.InBuffer = cipher
crypt.Decrypt
Check "the same password decrypts it", crypt.OutBuffer = text
crypt.Password = "autre mot de passe"
crypt.Decrypt
Check "another password gives something else", crypt.OutBuffer <> text

' Sign signs InBuffer with the user's signature key into Signature; Validate checks a signature
' against the same user's key (so on the account that signed): Status 2 confirmed, 1 not.
crypt.InBuffer = text
crypt.Sign
signature = crypt.Signature
Check "Sign done", crypt.Status = 1 And Len(signature) > 0
Set checker = CreateObject("BRASKEDLL.Cls_Cryptage")
checker.InBuffer = text
checker.Signature = signature
checker.Validate
Check "the signature is confirmed (Status 2)", checker.Status = 2
checker.InBuffer = text & "!"
checker.Validate
Check "a text changed after signing is not (Status 1)", checker.Status = 1

WScript.Echo passed & " passed, " & failed & " failed"
