#include "library/windows/shell_folders.h"

#include <shlobj.h>

#include <cstring>
#include <string_view>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/errors.h"
#include "library/frame/late_bound.h"

namespace korvel::shell {

std::optional<std::wstring> specialFolderPath(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return std::nullopt;
    tolvare::unique_cotaskmem owner(list);
    char buffer[kShellPathSize];
    std::memset(buffer, ' ', sizeof buffer);
    if (!SHGetPathFromIDListA(list, buffer)) return std::nullopt;
    const void* end = std::memchr(buffer, '\0', sizeof buffer);
    std::string_view path(buffer, end ? size_t(static_cast<const char*>(end) - buffer) : sizeof buffer);
    // Wine names some virtual folders (printers, network) by their shell parsing name instead
    // of refusing them as Windows does; such a name is no place on disk either.
    if (path.substr(0, 2) == "::") return std::nullopt;
    return fromAnsi(path);
}

std::wstring folderFromBuffer(const char* buffer, UINT bufferSize, UINT count) {
    if (count == 0 || count >= bufferSize) return {};
    return fromAnsi(std::string_view(buffer, count));
}

void makeCurrentFolderOfItsDrive(const std::wstring& folder) {
    wchar_t current[MAX_PATH * 4] = {};
    DWORD length = GetCurrentDirectoryW(DWORD(std::size(current)), current);
    // Drive letters are ASCII: one bit tells their cases apart.
    bool sameDrive = length >= 2 && folder.size() >= 2 && folder[1] == L':' && current[1] == L':' &&
                     (folder[0] | 0x20) == (current[0] | 0x20);
    if (sameDrive || folder.size() < 2 || folder[1] != L':') {
        if (!SetCurrentDirectoryW(folder.c_str())) throw RuntimeError(kPathNotFound);
        return;
    }
    std::wstring variable = L"=" + folder.substr(0, 2);
    SetEnvironmentVariableW(variable.c_str(), folder.c_str());
}

LONG ownerWindowOf(IDispatch* form) {
    if (!form) throw RuntimeError(kObjectVariableNotSet);
    tolvare::unique_variant owner;
    HRESULT hr = LateBound(form).property(L"hwnd", owner.get());
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) throw RuntimeError(kPropertyOrMethodNotSupported);
    if (FAILED(hr)) throw RuntimeError(hr);
    hr = VariantChangeType(owner.get(), owner.get(), 0, VT_I4);
    if (hr == DISP_E_OVERFLOW) throw RuntimeError(kOverflow);
    if (FAILED(hr)) throw RuntimeError(kTypeMismatch);
    return V_I4(owner.get());
}

std::wstring pickFolder(HWND owner, BSTR* title) {
    if (owner && !IsWindow(owner)) return {};
    // Nobody would choose: the answer of a picker cancelled, as a box unattended goes on as after OK.
    if (unattended()) return {};
    AnsiArgument ansiTitle(title);
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = nullptr;
    browse.lpszTitle = ansiTitle.get();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return {};
    tolvare::unique_cotaskmem owned(chosen);
    char folder[512];
    std::memset(folder, ' ', sizeof folder);
    if (!SHGetPathFromIDListA(chosen, folder)) return {};
    const void* end = std::memchr(folder, '\0', sizeof folder);
    return fromAnsi(std::string_view(folder, end ? size_t(static_cast<const char*>(end) - folder) : sizeof folder));
}

}  // namespace korvel::shell
