' A script client of Cls_Cryptage, late-bound: every property and operation, as a script that
' keeps a cipher text and a signature in its own variables uses them.
' usage: cscript //nologo cryptage_client.vbs
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

Dim crypt, text, cipher, signature
Set crypt = CreateObject("BRASKEDLL.Cls_Cryptage")
Check "Status is 0 before any operation", crypt.Status = 0

text = "Rendez-vous a 8 heures"
crypt.Password = "mot de passe"
crypt.InBuffer = text
Check "the properties read back", crypt.Password = "mot de passe" And crypt.InBuffer = text
crypt.Encrypt
cipher = crypt.OutBuffer
WScript.Echo "Encrypt: Status " & crypt.Status & ", " & Len(cipher) & " characters"
Check "Encrypt ends with Status 1", crypt.Status = 1
Check "one character per character", Len(cipher) = Len(text)
Check "the cipher text differs", cipher <> text

crypt.InBuffer = cipher
crypt.Decrypt
Check "Decrypt gives the text back", crypt.OutBuffer = text
Check "Decrypt ends with Status 1", crypt.Status = 1

crypt.InBuffer = text
crypt.Sign
signature = crypt.Signature
WScript.Echo "Sign: Status " & crypt.Status & ", " & Len(signature) & " characters"
Check "Sign makes a signature", Len(signature) > 0 And crypt.Status = 1

Dim checker
Set checker = CreateObject("BRASKEDLL.Cls_Cryptage")
checker.InBuffer = text
checker.Signature = signature
checker.Validate
WScript.Echo "Validate: Status " & checker.Status
Check "the signature is confirmed", checker.Status = 2
checker.InBuffer = text & "."
checker.Validate
Check "a changed text is not", checker.Status = 1

WScript.Echo passed & " passed, " & failed & " failed"
