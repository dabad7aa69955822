' A script client of Cls_Date and Cls_Math: every member with the script's variables, the
' principal measure written back into the script's variable.
' usage: cscript //nologo datemath_client.vbs FOLDER
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

Dim dates, year, text, seconds, n
Set dates = CreateObject("BRASKEDLL.Cls_Date")
year = 2004
Check "Easter 2004", dates.Paques(year) = DateSerial(2004, 4, 11)
year = 1954
Check "Easter 1954", dates.Paques(year) = DateSerial(1954, 4, 18)
text = "25/12/2002"
Check "FR to US", dates.DateFRtoUS(text) = "12/25/2002"
Check "the text stays", text = "25/12/2002"
text = "12/25/02"
Check "US to FR", dates.DateUStoFR(text) = "25/12/02"
Check "seconds to a clock", dates.SecondeEnHeure(3661) = "01:01:01"
Check "a negative second", dates.SecondeEnHeure(-1) = "0-1:59:59"
Check "a clock to seconds", dates.HeureEnSeconde(DateSerial(2002, 12, 25) + TimeSerial(1, 1, 1)) = 3661
Check "across midnight", dates.Chrono(82800, 3600) = 7200
Check "working days of February 2002", dates.NBJoursOuvrablesParMois(2002, 2) = 20
n = dates.NBJoursOuvrables(DateSerial(2002, 12, 23), DateSerial(2002, 12, 27))
Check "Monday to Friday", n = 5
Check "... as a 16-bit number", TypeName(n) = "Integer"
On Error Resume Next
n = dates.Chrono(2147483647, -2147483647)
Check "an overflowing span is run-time error 6", Err.Number = 6
Err.Clear
On Error GoTo 0

Dim math, angle, reduced, x, y
Set math = CreateObject("BRASKEDLL.Cls_Math")
angle = 7
reduced = math.MesurePrincipale(angle)
WScript.Echo "MesurePrincipale(7): " & reduced & ", variable " & angle
Check "the principal measure", Abs(reduced - 0.72) < 0.00001
Check "written back into the variable", Abs(angle - 0.72) < 0.000000001
Check "a single", TypeName(reduced) = "Single"
Check "the hypotenuse", math.Hypothenuse(0, 0, 3, 4) = 5
x = 0
Check "inverse cosine of 0", Abs(math.InverseCosinus(x) - 1.57) < 0.00001
x = -0.5
Check "inverse sine of -0.5", Abs(math.InverseSinus(x) - 3.67) < 0.01
x = 1
y = 1
Check "the angle of (1, 1)", Abs(math.AngleTrigo(x, y, 0, 0) - 0.785) < 0.001
x = 0
y = -1
Check "straight below", Abs(math.AngleTrigo(x, y, 0, 0) + 0.785) < 0.001
On Error Resume Next
n = math.AngleTrigo(1, 1, 1, 1)
Check "one point twice is a run-time error", Err.Number = 6
On Error GoTo 0

WScript.Echo passed & " passed, " & failed & " failed"
