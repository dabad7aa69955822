#include "library/windows/file_operations.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <iterator>

#include "common/win32/unique_handle.h"

namespace korvel::shell {

bool namesAFolderAboveOrARoot(const std::wstring& path) {
    size_t end = path.find_last_not_of(L"\\/");
    if (end == std::wstring::npos) return true;  // separators only: the root of a drive
    size_t start = path.find_last_of(L"\\/:", end);
    std::wstring_view last = std::wstring_view(path).substr(start == std::wstring::npos ? 0 : start + 1,
                                                            end - (start == std::wstring::npos ? 0 : start + 1) + 1);
    if (last.empty() || last.find_first_not_of(L". ") == std::wstring_view::npos) return true;
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(path.c_str(), DWORD(std::size(full)), full, nullptr);
    return length == 0 || length >= std::size(full) || PathIsRootW(full);
}

RuntimeError fileError(HRESULT status) {
    switch (status) {
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_INVALID_NAME):
    case HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME):
    case HRESULT_FROM_WIN32(ERROR_INVALID_DRIVE):
        return RuntimeError(kPathNotFound);
    case E_ACCESSDENIED:
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
    case HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT):
        return RuntimeError(kPathFileAccessError);
    default:
        return RuntimeError(status);
    }
}

void writeShortcut(const std::wstring& target, const std::wstring& linkPath) {
    tolvare::com_ptr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(hr) || !link) throw RuntimeError(kCannotCreateObject);
    if (FAILED(hr = link->SetPath(target.c_str()))) throw RuntimeError(hr);
    if (FAILED(hr = link->SetArguments(L""))) throw RuntimeError(hr);
    tolvare::com_ptr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.put_void())) || !file) throw RuntimeError(hr);
    if (FAILED(hr = file->Save(linkPath.c_str(), TRUE))) throw fileError(hr);
}

std::wstring failureMessage(const RuntimeError& error) {
    long number = error.number();
    // A status of the platform reads as the run-time error number it stands for, where it
    // stands for one.
    if ((static_cast<unsigned long>(number) & 0xFFFF0000UL) == 0x800A0000UL) number &= 0xFFFF;
    std::wstring description = error.description();
    if (description.empty()) description = std::wstring(runtimeErrorDescription(number));
    return std::to_wstring(number) + L"\r\n\r\n\r\n" + description;
}

}  // namespace korvel::shell
