' Uses KORVEL from a script: settings kept in an INI file, read back with their defaults.
' usage: cscript //nologo korvel-demo.vbs FOLDER
Dim ini, file, delay
Set ini = CreateObject("BRASKEDLL.Cls_InitREG")
file = WScript.Arguments(0) & "\param.ini"
WScript.Echo "Windows folder: " & ini.RetourneCheminWindows()
WScript.Echo "DELAI before any write (default 30): " & ini.IniLire("PARAM", "DELAI", "30", file)
ini.IniEcrire "PARAM", "DELAI", "45", file
delay = ini.IniLire("PARAM", "DELAI", "30", file)
WScript.Echo "DELAI after writing 45: " & delay
