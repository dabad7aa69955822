' Cls_Multimedia: the screen's size, drives, WAV files and the sound card.
' usage: cscript //nologo Cls_Multimedia.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
' Left out: the CD door, playing sounds and MP3 files, and the volume control, which a user
' would see or hear.
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

Dim files, folder, media, drive, wav, stream
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set media = CreateObject("BRASKEDLL.Cls_Multimedia")

WScript.Echo "screen " & media.ResolutionEcranX() & " x " & media.ResolutionEcranY()
Check "the screen has a size", media.ResolutionEcranX() > 0 And media.ResolutionEcranY() > 0

' Drives by their letter alone; the serial number by the drive's root folder.
drive = Left(files.GetSpecialFolder(0).Path, 1)    ' the drive of the Windows folder
Check "the Windows drive " & drive & " is a hard disk (type 3)", media.TypePeripherique(drive) = 3 And media.EstDisqueDur(drive)
Check "... not a CD-ROM, network drive or floppy", Not (media.EstCDROM(drive) Or media.EstDisqueReseau(drive) Or media.EstDisquette(drive))
WScript.Echo "serial number of " & drive & ":\ " & Hex(media.NoSerieDisque(drive & ":\"))
Check "... and a serial number, a Long", TypeName(media.NoSerieDisque(drive & ":\")) = "Long"

' The sampling rate of a WAV file, from its header: here one of 11025 Hz, mono, 8 bits, without
' samples. (Rates over 32767 come out negative: add 65536.)
Function Le32(n)
    Le32 = Chr(n Mod 256) & Chr(n \ 256 Mod 256) & Chr(n \ 65536 Mod 256) & Chr(0)
End Function
wav = folder & "\korvel-exemple.wav"
Set stream = files.CreateTextFile(wav, True)
stream.Write "RIFF" & Le32(36) & "WAVEfmt " & Le32(16) & Chr(1) & Chr(0) & Chr(1) & Chr(0) & _
    Le32(11025) & Le32(11025) & Chr(1) & Chr(0) & Chr(8) & Chr(0) & "data" & Le32(0)
stream.Close
Check "the rate of the WAV file", media.FrequenceFichierWAV(wav) = 11025
files.DeleteFile wav

' Whether sound can be played at all: False without a sound card (or a driver for it).
WScript.Echo "sound card: " & media.CarteSonPresente()
Check "CarteSonPresente answers True or False", TypeName(media.CarteSonPresente()) = "Boolean"

WScript.Echo passed & " passed, " & failed & " failed"
