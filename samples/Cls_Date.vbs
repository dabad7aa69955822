' Cls_Date: Easter, French and US date texts, clock texts, durations and working days.
' usage: cscript //nologo Cls_Date.vbs [FOLDER]   (writes no file)
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

Dim dates
Set dates = CreateObject("BRASKEDLL.Cls_Date")

' Easter Sunday of a year, as a date; Easter Monday and Ascension follow from it.
Check "Easter 2024 is 31 March", dates.Paques(2024) = DateSerial(2024, 3, 31)
Check "Ascension 2025 is 29 May", dates.Paques(2025) + 39 = DateSerial(2025, 5, 29)

' Date texts between the French day/month/year and the US month/day/year orders: characters 1-2
' and 4-5 change places and no date is checked, so write 01/07/2024, never 1/7/2024.
Check "French to US", dates.DateFRtoUS("14/07/2024") = "07/14/2024"
Check "US to French", dates.DateUStoFR("07/14/2024") = "14/07/2024"

' Seconds and clock texts: a duration shown as HH:MM:SS, a time of day counted in seconds.
Check "3725 seconds", dates.SecondeEnHeure(3725) = "01:02:05"
Check "the time of a date in seconds", dates.HeureEnSeconde(DateSerial(2024, 7, 14) + TimeSerial(1, 2, 5)) = 3725
' Chrono: from one time of day to another, in seconds; an end before the start is the next day's.
Check "22:30 to 01:15", dates.Chrono(22 * 3600 + 30 * 60, 1 * 3600 + 15 * 60) = 2 * 3600 + 45 * 60

' Working days are Monday to Friday: public holidays are counted as working days.
Check "working days of July 2024", dates.NBJoursOuvrablesParMois(2024, 7) = 23
Check "Monday 23 to Friday 27 December 2024, Christmas counted", _
    dates.NBJoursOuvrables(DateSerial(2024, 12, 23), DateSerial(2024, 12, 27)) = 5

' A year that is no number is refused with run-time error 13, as VBScript's own functions do.
On Error Resume Next
dates.Paques "l'an prochain"
Check "error 13 for a year that is no number", Err.Number = 13
On Error GoTo 0

WScript.Echo passed & " passed, " & failed & " failed"
