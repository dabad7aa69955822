// The KORVEL classes the scheduler uses, created by class identifier and called by vtable
// position. One object per instance of these types: a step creates what it needs and releases
// it when it ends, so no library object outlives the step that made it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"

namespace tolvare::plenar {

// Whether the classes the scheduler uses can be created: S_OK, or the first failure.
HRESULT korvelClassesStatus();

// At the first call of the process only: when the classes cannot be created, says so in a modal
// message box owned by `owner` (the settings will not be saved, the list not downloaded) and
// what to do about it. Later calls, from a window opened again, say nothing.
void reportMissingKorvelOnce(HWND owner);

// Cls_InitREG: the settings file.
class InitRegObject {
public:
    InitRegObject();
    HRESULT status() const { return status_; }

    // The value of the key, or `fallback` when it is missing or the call fails.
    std::wstring iniRead(std::wstring_view section, std::wstring_view key, std::wstring_view fallback,
                         std::wstring_view file);
    HRESULT iniWrite(std::wstring_view section, std::wstring_view key, std::wstring_view value,
                     std::wstring_view file);

private:
    com_ptr<_Cls_InitREG> object_;
    HRESULT status_;
};

// Cls_Windows: waiting with the window messages processed, special folders and the parts of a
// file name.
class WindowsObject {
public:
    WindowsObject();
    HRESULT status() const { return status_; }

    // Returns after `seconds` while this thread's messages keep being dispatched.
    HRESULT wait(long seconds);

    HRESULT specialFolder(long csidl, std::wstring& path);
    // Which 4: the name without extension; which 8: the extension from its first "." in upper case.
    HRESULT fileNamePart(std::wstring_view name, short which, std::wstring& result);

private:
    com_ptr<_Cls_Windows> object_;
    HRESULT status_;
};

// Cls_Internet: the download of a resource into a file, and folder shares.
class InternetObject {
public:
    InternetObject();
    HRESULT status() const { return status_; }

    // S_OK and `succeeded` as the library reports it; a failed call leaves `succeeded` false.
    HRESULT downloadFile(std::wstring_view url, std::wstring_view localFile, bool& succeeded);

    // ShareFolder9x: the Windows 95/98 share service; a refusal is the call's failure.
    HRESULT shareFolder9x(std::wstring_view shareName, std::wstring_view fullPath, std::wstring_view description);
    // PartageRep: the NT-family share service; `status` is the platform's answer (0: shared).
    HRESULT shareFolderNt(std::wstring_view server, std::wstring_view path, std::wstring_view shareName,
                          std::wstring_view remark, LONG& status);

private:
    com_ptr<_Cls_Internet> object_;
    HRESULT status_;
};

}  // namespace tolvare::plenar
