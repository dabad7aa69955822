// Where an unattended load finds a macro file: a name is taken in the program's folder, and a
// full path (as the action assistant stores one after "MACRO=") as it stands.
#pragma once

#include <string>
#include <string_view>

namespace tolvare::macro {

// A drive path ("C:\x", "C:/x") or a UNC path ("\\server\share\x", "//server/share/x").
bool isFullPath(std::wstring_view name);

// `name` itself when it is a full path, else folder + "\" + name.
std::wstring macroFilePath(std::wstring_view programFolder, std::wstring_view name);

}  // namespace tolvare::macro
