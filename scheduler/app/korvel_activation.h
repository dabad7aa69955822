// Where KORVEL's classes come from. KORVEL.dll lying in the program folder is the one used,
// registered or not, so that a copied folder runs as it is: creation then happens inside an
// activation context made from the manifest PLENAR.exe embeds (PLENAR_KORVEL_MANIFEST), which
// names every KORVEL class. Without KORVEL.dll in the program folder, the registration decides.
#pragma once

#include <windows.h>

namespace tolvare::plenar {

// CoCreateInstance of an in-process KORVEL class, from the library that lies in the program
// folder when there is one. `object` is null unless the result is a success.
HRESULT createKorvelObject(const CLSID& clsid, const IID& iid, void** object);

}  // namespace tolvare::plenar
