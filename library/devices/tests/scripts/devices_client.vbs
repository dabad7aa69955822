' A script client of Cls_Multimedia and Cls_SourisClv: every member called by name, as scripts
' call them, each result printed and checked against what the platform says.
' usage: cscript //nologo devices_client.vbs FOLDER [emulated], run from FOLDER with sndvol32.exe there
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

Dim folder, files, emulated
folder = WScript.Arguments(0)
emulated = False
If WScript.Arguments.Count > 1 Then emulated = (WScript.Arguments(1) = "emulated")
Set files = CreateObject("Scripting.FileSystemObject")

Dim media
Set media = CreateObject("BRASKEDLL.Cls_Multimedia")

' A WAV file of 22050 Hz: its header written byte by byte (mono, 16 bits, no samples).
Function Le32(value)
    Dim i, s
    s = ""
    For i = 0 To 3
        s = s & Chr(value Mod 256)
        value = value \ 256
    Next
    Le32 = s
End Function
Dim wav, stream
wav = folder & "\son essai.wav"
Set stream = files.CreateTextFile(wav, True, False)
stream.Write "RIFF" & Le32(36) & "WAVEfmt " & Le32(16) & Chr(1) & Chr(0) & Chr(1) & Chr(0) & _
    Le32(22050) & Le32(44100) & Chr(2) & Chr(0) & Chr(16) & Chr(0) & "data" & Le32(0)
stream.Close
Dim rate
rate = media.FrequenceFichierWAV(wav)
WScript.Echo "FrequenceFichierWAV: " & rate
Check "the rate of a 22050 Hz file", rate = 22050
Check "... as a 16-bit integer", TypeName(rate) = "Integer"
Check "another extension gives 0", media.FrequenceFichierWAV(folder & "\absent.mp3") = 0
On Error Resume Next
rate = media.FrequenceFichierWAV(folder & "\absent.wav")
Check "a missing file is error 53", Err.Number = 53
Err.Clear
On Error GoTo 0
Check "... and it is not made", Not files.FileExists(folder & "\absent.wav")

Dim serial
serial = media.NoSerieDisque("C:\")
WScript.Echo "NoSerieDisque(C:\): " & Hex(serial)
Check "C: has a serial number", serial <> 0
Check "... as a 32-bit integer", TypeName(serial) = "Long"
Check "TypePeripherique(C) is fixed", media.TypePeripherique("C") = 3
Check "EstDisqueDur(c)", media.EstDisqueDur("c") = True
Check "EstCDROM(C) is false", media.EstCDROM("C") = False
Check "EstDisqueReseau(C) is false", media.EstDisqueReseau("C") = False
Check "EstDisquette(C) is false", media.EstDisquette("C") = False
Check "two characters are not a letter", media.TypePeripherique("C:") = 0
Check "a digit is not a letter", media.EstDisqueDur("4") = False

Dim x, y
x = media.ResolutionEcranX()
y = media.ResolutionEcranY()
WScript.Echo "ResolutionEcran: " & x & " x " & y
Check "the test display is 1024 x 768", x = 1024 And y = 768

Dim card
card = media.CarteSonPresente()
WScript.Echo "CarteSonPresente: " & card
Check "CarteSonPresente is a Boolean", TypeName(card) = "Boolean"

' Without media devices every command fails inside the media interface, silently. Where 32-bit
' programs are emulated, the media interface's threads do not come through the emulator's
' signals (the README says why): the members are not called there.
If emulated Then
    WScript.Echo "media members: not called where 32-bit programs are emulated"
Else
    media.FermerCD
    media.OuvrirCD
    media.OuvrirMP3 folder & "\absent.mp3", True
    media.PauseMP3
    media.JouerMP3
    media.StopMP3
    ' The executor shows its errors in a box nobody here would answer: a name that is refused
    ' before any command is sent.
    media.JouerUnWav "son.wav"" wait"
    Check "the media members return", True
End If

' The volume control: started from the system folder by its full path, where the stand-in that
' records how it was started stands for the run.
Dim log, line, volumeControl
volumeControl = files.GetSpecialFolder(1).Path & "\sndvol32.exe"
log = volumeControl & ".log"
media.ReglageVolume True
' The member does not wait for the program (and Wine's script host cannot sleep): the log is
' looked for until it holds its line, for at most a minute.
Dim start, waitedFor
start = Timer
line = "<not started>"
Do
    If files.FileExists(log) Then
        If files.GetFile(log).Size > 0 Then
            line = files.OpenTextFile(log).ReadLine
            Exit Do
        End If
    End If
    waitedFor = Timer - start
    If waitedFor < 0 Then waitedFor = waitedFor + 86400
Loop While waitedFor < 60
WScript.Echo "ReglageVolume True: " & line
Check "the full mixer, minimised with focus", line = "1 2 """ & volumeControl & """"

Dim mouse
Set mouse = CreateObject("BRASKEDLL.Cls_SourisClv")
mouse.SourisMasquer
mouse.SourisAfficher
mouse.SourisPositionner 10, 20
Dim px, py, found
px = -1
py = -1
found = mouse.SourisPosition(px, py)
WScript.Echo "SourisPosition: " & found & " (" & px & ", " & py & ")"
Check "the cursor is where it was put", px = 10 And py = 20 And found <> 0
mouse.SourisBoutonInverser
mouse.SourisBoutonOrigine
Check "the buttons come back", True
Dim buttons, delay
buttons = mouse.SourisNbsBouton()
delay = mouse.SourisDelaiDoubleClique()
WScript.Echo "SourisNbsBouton: " & buttons & ", SourisDelaiDoubleClique: " & delay
Check "some mouse buttons", buttons > 0 And TypeName(buttons) = "Integer"
Check "a double-click time", delay > 0 And TypeName(delay) = "Long"

' This thread's keyboard table: flipping Num Lock twice gives it back.
Dim numLock, capsLock
numLock = mouse.LireEtat_NumLock()
capsLock = mouse.LireEtat_Shift()
WScript.Echo "LireEtat_NumLock: " & numLock & ", LireEtat_Shift: " & capsLock
Check "LireEtat_Shift is a Boolean", TypeName(capsLock) = "Boolean"
mouse.ChangerEtat_Touche 144
If numLock Then
    Check "Num Lock flipped off", mouse.LireEtat_NumLock() = False
Else
    Check "Num Lock flipped on", mouse.LireEtat_NumLock() = True
End If
mouse.ChangerEtat_Touche 144
Check "Num Lock flipped back", mouse.LireEtat_NumLock() = numLock
On Error Resume Next
mouse.ChangerEtat_Touche 256
Check "256 is out of range (error 9)", Err.Number = 9
Err.Clear
On Error GoTo 0

WScript.Echo passed & " passed, " & failed & " failed"
