#include "macro/core/macro_path.h"

namespace tolvare::macro {

namespace {
bool separator(wchar_t c) { return c == L'\\' || c == L'/'; }
}  // namespace

bool isFullPath(std::wstring_view name) {
    if (name.size() >= 3 && name[1] == L':' && separator(name[2])) {
        const wchar_t drive = name[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return name.size() >= 3 && separator(name[0]) && separator(name[1]) && !separator(name[2]);
}

std::wstring macroFilePath(std::wstring_view programFolder, std::wstring_view name) {
    if (isFullPath(name)) return std::wstring(name);
    std::wstring path(programFolder);
    path += L'\\';
    path += name;
    return path;
}

}  // namespace tolvare::macro
