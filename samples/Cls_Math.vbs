' Cls_Math: angles, distances, inverse cosine and sine, the direction of a line.
' usage: cscript //nologo Cls_Math.vbs [FOLDER]   (writes no file)
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

Dim math, angle, reduced
Set math = CreateObject("BRASKEDLL.Cls_Math")
' The class takes pi as 3.14, as the files and programs of earlier versions do: its results are
' compared here within a small margin, never for equality.
Function Near(value, expected, margin)
    Near = Abs(value - expected) <= margin
End Function

' The principal measure of an angle in radians, between -3.14 and 3.14; it is also written back
' into the variable passed.
angle = 7
reduced = math.MesurePrincipale(angle)
Check "7 radians come to 0.72", Near(reduced, 0.72, 0.00001)
Check "the variable holds it too", Near(angle, 0.72, 0.00001)

' The distance between two points (x1, y1) and (x2, y2).
Check "from (0, 0) to (3, 4): 5", math.Hypothenuse(0, 0, 3, 4) = 5

' Inverse cosine and sine, between 0 and 6.28, found in steps of 0.0314.
Check "the angle whose cosine is 0", Near(math.InverseCosinus(0), 1.57, 0.02)
Check "the angle whose sine is 0.5", Near(math.InverseSinus(0.5), 0.52, 0.02)

' The direction from a centre (cx, cy) to a point (x, y), counted anticlockwise.
Check "(1, 1) seen from (0, 0): 45 degrees", Near(math.AngleTrigo(1, 1, 0, 0), 0.785, 0.001)
Check "(3, 1) seen from (2, 2): below the horizontal, negative", Near(math.AngleTrigo(3, 1, 2, 2), -0.785, 0.001)
' A point and the centre the same: no direction, run-time error 6.
On Error Resume Next
math.AngleTrigo 1, 1, 1, 1
Check "error 6 when the point is the centre", Err.Number = 6
On Error GoTo 0

WScript.Echo passed & " passed, " & failed & " failed"
