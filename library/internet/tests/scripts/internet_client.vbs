' A script client of Cls_Internet: every member called late-bound with the script's own
' variables, its arrays of variants and an object of its own as the Notes session.
' usage: cscript //nologo internet_client.vbs FOLDER
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

' A Notes session of the script's own: it records the calls made on its objects.
Dim notesCalls
notesCalls = ""
Class NotesItem
    Public Property Get Type
        notesCalls = notesCalls & "Type;"
        Type = 1
    End Property
    Public Sub EMBEDOBJECT(kind, className, file)
        notesCalls = notesCalls & "EMBEDOBJECT " & kind & " " & className & " " & file & ";"
    End Sub
End Class
Class NotesDocument
    Public Sub REPLACEITEMVALUE(name, value)
        notesCalls = notesCalls & name & "=" & value & ";"
    End Sub
    Public Function CREATERICHTEXTITEM(name)
        notesCalls = notesCalls & "item " & name & ";"
        Set CREATERICHTEXTITEM = New NotesItem
    End Function
    Public Sub SEND(attachForm)
        notesCalls = notesCalls & "SEND " & attachForm & ";"
    End Sub
End Class
Class NotesDatabase
    Public Sub OPENMAIL()
        notesCalls = notesCalls & "OPENMAIL;"
    End Sub
    Public Function CREATEDOCUMENT()
        Set CREATEDOCUMENT = New NotesDocument
    End Function
End Class
Class NotesSession
    Public Function GETDATABASE(server, file)
        notesCalls = notesCalls & "GETDATABASE [" & server & "] " & file & ";"
        Set GETDATABASE = New NotesDatabase
    End Function
End Class

Dim net, shell
Set net = CreateObject("BRASKEDLL.Cls_Internet")
Set shell = CreateObject("WScript.Shell")

Dim hostName, address
hostName = net.GetIPHostName()
address = net.GetIPAddress()
WScript.Echo "GetIPHostName: " & hostName & ", GetIPAddress: " & address
Check "the host has a name", Len(hostName) > 0
Check "its address is the address of its name", net.GetIPFromHostName(hostName) = address
Check "localhost is 127.0.0.1", net.GetIPFromHostName("localhost") = "127.0.0.1"
Check "the loopback has a name", Len(net.GetHostNameFromIP("127.0.0.1")) > 0
Check "the hardware address is six pairs", Len(net.GetMACAddress()) = 17
Check "the user is the session's", LCase(net.GetUserName()) = LCase(shell.ExpandEnvironmentStrings("%USERNAME%"))

Dim current, servers, count
current = ""
servers = Array("old", "values", "dropped")
count = net.GetDNSServers(current, servers)
WScript.Echo "GetDNSServers: " & count & " [" & current & "] upper bound " & UBound(servers)
Check "the count is a Long", TypeName(count) = "Long"
If count > 0 Then
    Check "the array holds the servers", UBound(servers) = count - 1
    Check "element 0 repeats the current server", servers(0) = current
Else
    Check "no server leaves one empty element", UBound(servers) = 0
End If
Check "the array stays the script's array", IsArray(servers)
Dim fresh
count = net.GetDNSServers(current, fresh)
Check "a variable without an array receives one", IsArray(fresh)
Dim wrong
wrong = Array("1.1.1.1", 42)
On Error Resume Next
net.GetDNSServers current, wrong
Check "a number among the texts is a type mismatch", Err.Number = 13
Err.Clear
On Error GoTo 0

Check "an unreachable download is false", net.TelechargeFichier("http://127.0.0.1:1/liste.txt", WScript.Arguments(0) & "\liste.txt") = False

Dim result
result = net.PartageRep("", WScript.Arguments(0), "KORVELSCRIPT", "", "")
WScript.Echo "PartageRep: " & result
Check "PartageRep answers the platform's status", TypeName(result) = "Long"

On Error Resume Next
net.ShareFolder9x "PLENAR1", WScript.Arguments(0), "PLENAR1"
WScript.Echo "ShareFolder9x: " & Err.Number & " " & Err.Description
Check "ShareFolder9x on an NT-family system: missing library", Err.Number = 53
Err.Clear
net.ShareFolder9x "THIRTEEN_CHAR", WScript.Arguments(0), "x"
Check "a 13-character share name is out of range", Err.Number = 9
Err.Clear
On Error GoTo 0

Dim session
Set session = New NotesSession
Set net.NSession = session
Check "NSession keeps the script's session", net.NSession Is session
net.EcrireEmail_LotusNotes "dest@site.fr", "Sujet", "Texte", "C:\piece.txt", False
WScript.Echo "Notes: " & notesCalls
Check "the Notes calls in order", notesCalls = "GETDATABASE [] Mail\user.nsf;OPENMAIL;Subject=Sujet;Body=Texte;SendTo=dest@site.fr;item Attach;Type;EMBEDOBJECT 1454  C:\piece.txt;SEND False;"

Dim sent
sent = net.EcrireEmail_OutlookExpress("moi@ici.fr", "", "", "", "Objet", 3, "Texte")
Check "no recipient: not sent", sent = False
Check "... as a Boolean", TypeName(sent) = "Boolean"

Dim url
url = WScript.Arguments(0) & "\absent.kvnone"
net.ExecuterURL url, 0
Check "ExecuterURL keeps the address", url = WScript.Arguments(0) & "\absent.kvnone"

WScript.Echo passed & " passed, " & failed & " failed"
