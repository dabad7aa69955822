' Cls_SourisClv: the mouse pointer and buttons, and the keyboard's lock keys.
' usage: cscript //nologo Cls_SourisClv.vbs [FOLDER]   (writes no file)
' Left out: swapping the mouse buttons and hiding the pointer, which would stay so for the user
' if the script stopped half-way.
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

Dim mouse, x, y, movedX, movedY, numLock
Set mouse = CreateObject("BRASKEDLL.Cls_SourisClv")

' The pointer's position, in pixels, comes back in the two variables passed; the result is 0
' when there is no pointer to read (a session without a desktop).
If mouse.SourisPosition(x, y) <> 0 Then
    WScript.Echo "pointer at " & x & ", " & y
    ' Moved half-way towards the top left corner, read again and put back where it was (one
    ' pixel of margin: a screen scaled for its size may round).
    mouse.SourisPositionner x \ 2, y \ 2
    mouse.SourisPosition movedX, movedY
    mouse.SourisPositionner x, y
    Check "the pointer moved", Abs(movedX - x \ 2) <= 1 And Abs(movedY - y \ 2) <= 1
Else
    WScript.Echo "skipped - no pointer in this session"
End If

Check "the number of mouse buttons: " & mouse.SourisNbsBouton(), TypeName(mouse.SourisNbsBouton()) = "Integer"
Check "the double-click time, in milliseconds: " & mouse.SourisDelaiDoubleClique(), mouse.SourisDelaiDoubleClique() > 0

' The lock keys, as this program sees them. LireEtat_Shift tells whether Caps Lock is on.
WScript.Echo "Caps Lock " & mouse.LireEtat_Shift() & ", Num Lock " & mouse.LireEtat_NumLock()
' ChangerEtat_Touche flips a lock key (by its key code: 144 Num Lock, 20 Caps Lock, 145
' Scroll Lock) for this program only, not the keyboard's lights; here twice, to leave it as it was.
numLock = mouse.LireEtat_NumLock()
mouse.ChangerEtat_Touche 144
Check "Num Lock flipped", mouse.LireEtat_NumLock() <> numLock
mouse.ChangerEtat_Touche 144
Check "Num Lock back as it was", mouse.LireEtat_NumLock() = numLock

WScript.Echo passed & " passed, " & failed & " failed"
