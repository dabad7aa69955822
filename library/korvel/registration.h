// Registration of the library: the type library, the eleven class identifiers with their
// in-process server and apartment threading, the programmatic names, and the interfaces with
// the automation marshaler. Written under a classes root: the machine's
// (HKLM\Software\Classes) or, for a user who cannot write the machine hive, the current
// user's (HKCU\Software\Classes).
#pragma once

#include <windows.h>

#include <string>

namespace korvel {

HRESULT registerServer(HKEY classesRoot, const std::wstring& libraryPath);
// Removes exactly what registerServer wrote; nothing there is not a failure.
HRESULT unregisterServer(HKEY classesRoot);

}  // namespace korvel
