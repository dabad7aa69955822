' Cls_Internet: this machine's name, user and adapter, name lookups, downloads, mail messages.
' usage: cscript //nologo Cls_Internet.vbs [FOLDER]   (files go to FOLDER, or to the temp folder)
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

Dim files, folder, net, target
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetSpecialFolder(2).Path
If WScript.Arguments.Count > 0 Then folder = WScript.Arguments(0)
Set net = CreateObject("BRASKEDLL.Cls_Internet")

' Who and where: the machine's name, the user's name, the network adapter's hardware address.
WScript.Echo "host " & net.GetIPHostName() & ", user " & net.GetUserName() & ", adapter " & net.GetMACAddress()
Check "the machine has a name", Len(net.GetIPHostName()) > 0
Check "the user is the one this script runs as", _
    LCase(net.GetUserName()) = LCase(CreateObject("WScript.Network").UserName)
Check "the hardware address is six pairs", Len(net.GetMACAddress()) = 17

' Name lookups, here of this machine's own names only: a name gives its address and back.
Check "localhost is 127.0.0.1", net.GetIPFromHostName("localhost") = "127.0.0.1"
Check "127.0.0.1 has a name", Len(net.GetHostNameFromIP("127.0.0.1")) > 0

' A download replaces its target only when the whole file arrived; nothing answers on port 1.
target = folder & "\korvel-liste.txt"
Check "a failed download answers False", net.TelechargeFichier("http://127.0.0.1:1/liste.txt", target) = False
Check "... and leaves no file", Not files.FileExists(target)

' A message for the user's mail program (priority 1 high, 3 normal, 5 low): with a recipient it
' is written as an unsent .eml file that the mail program opens, ready to send; without one,
' nothing is written or opened.
Check "no recipient: no message", net.EcrireEmail_OutlookExpress("moi@exemple.fr", "", "", "", "Objet", 3, "Texte") = False

WScript.Echo passed & " passed, " & failed & " failed"
