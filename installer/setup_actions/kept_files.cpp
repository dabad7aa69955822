// Custom actions of the PLENAR packages: the files the user owns in the program folder
// (param.ini and lstplenar.txt, PLENAR's settings and action list) survive an uninstallation
// when they were changed since they were installed, and go with the rest when they were not.
//
// Windows Installer removes every file of a component it uninstalls, changed or not; it has
// no table that can say "unless changed". The package marks those components never-overwrite
// (so an installation or an upgrade leaves an existing file alone) and these actions keep a
// changed one through RemoveFiles: PlanKeptFiles compares each such file with the hash the
// package recorded for it (MsiFileHash), HoldKeptFiles moves the changed ones aside just
// before RemoveFiles and ReturnKeptFiles puts them back just after it (and, as a rollback
// action, when the uninstallation fails in between).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "common/win32/unique_handle.h"

namespace {

using tolvare::unique_any;
using tolvare::null_is_invalid;

void closeMsiHandle(MSIHANDLE handle) noexcept { MsiCloseHandle(handle); }
using unique_msihandle = unique_any<null_is_invalid<MSIHANDLE, closeMsiHandle>>;

// Never-overwrite components hold the user's files (msidbComponentAttributesNeverOverwrite).
constexpr int kNeverOverwrite = 128;
// Paths never contain this character, so it separates them in the deferred actions' data.
constexpr wchar_t kSeparator = L'|';
constexpr wchar_t kAsideSuffix[] = L".plenar-kept";

// A text from an installer call that first answers ERROR_MORE_DATA with the length it needs.
template <typename Get>
std::wstring installerText(Get get) {
    DWORD size = 0;
    wchar_t empty[1] = L"";
    if (get(empty, &size) != ERROR_MORE_DATA) return {};
    std::wstring value(++size, L'\0');
    if (get(value.data(), &size) != ERROR_SUCCESS) return {};
    value.resize(size);
    return value;
}

std::wstring property(MSIHANDLE install, const wchar_t* name) {
    return installerText([&](wchar_t* buffer, DWORD* size) { return MsiGetPropertyW(install, name, buffer, size); });
}

std::wstring recordString(MSIHANDLE record, UINT field) {
    return installerText(
        [&](wchar_t* buffer, DWORD* size) { return MsiRecordGetStringW(record, field, buffer, size); });
}

// A line in the installation log (msiexec /l*v).
void log(MSIHANDLE install, const std::wstring& text) {
    unique_msihandle record(MsiCreateRecord(1));
    if (!record) return;
    MsiRecordSetStringW(record.get(), 0, L"PLENAR: [1]");
    MsiRecordSetStringW(record.get(), 1, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

std::vector<std::wstring> split(const std::wstring& list) {
    std::vector<std::wstring> paths;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(kSeparator, start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start) paths.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// True when the file differs from what the package installed. A file the package has no
// hash for cannot be judged and counts as changed: keeping it loses nothing.
bool changedSinceInstalled(MSIHANDLE database, const std::wstring& fileKey, const std::wstring& path) {
    // An empty file has nothing to hash (Wine's hash service fails on it): it is unchanged when
    // the package installed an empty file too.
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return true;
    if (attributes.nFileSizeHigh == 0 && attributes.nFileSizeLow == 0) {
        unique_msihandle view, parameters(MsiCreateRecord(1)), row;
        if (!parameters ||
            MsiDatabaseOpenViewW(database, L"SELECT `FileSize` FROM `File` WHERE `File` = ?", view.put()) !=
                ERROR_SUCCESS)
            return true;
        MsiRecordSetStringW(parameters.get(), 1, fileKey.c_str());
        if (MsiViewExecute(view.get(), parameters.get()) != ERROR_SUCCESS ||
            MsiViewFetch(view.get(), row.put()) != ERROR_SUCCESS)
            return true;
        return MsiRecordGetInteger(row.get(), 1) != 0;
    }

    MSIFILEHASHINFO actual{};
    actual.dwFileHashInfoSize = sizeof actual;
    if (MsiGetFileHashW(path.c_str(), 0, &actual) != ERROR_SUCCESS) return true;

    unique_msihandle view, parameters(MsiCreateRecord(1)), row;
    if (!parameters ||
        MsiDatabaseOpenViewW(database,
                             L"SELECT `HashPart1`, `HashPart2`, `HashPart3`, `HashPart4` FROM `MsiFileHash` "
                             L"WHERE `File_` = ?",
                             view.put()) != ERROR_SUCCESS)
        return true;
    MsiRecordSetStringW(parameters.get(), 1, fileKey.c_str());
    if (MsiViewExecute(view.get(), parameters.get()) != ERROR_SUCCESS ||
        MsiViewFetch(view.get(), row.put()) != ERROR_SUCCESS)
        return true;
    for (UINT i = 0; i < 4; ++i) {
        if (static_cast<ULONG>(MsiRecordGetInteger(row.get(), i + 1)) != actual.dwData[i]) return true;
    }
    return false;
}

// Moves each listed file aside (to its name with kAsideSuffix) or back; a file that is not
// there is nothing to do.
bool moveEach(MSIHANDLE install, const std::vector<std::wstring>& paths, bool aside) {
    bool allMoved = true;
    for (const std::wstring& path : paths) {
        const std::wstring held = path + kAsideSuffix;
        const std::wstring& from = aside ? path : held;
        const std::wstring& to = aside ? held : path;
        if (!exists(from)) continue;
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            log(install, (aside ? L"holding " : L"returning ") + path);
        } else {
            log(install, L"could not move " + from + L" (error " + std::to_wstring(GetLastError()) + L")");
            allMoved = false;
        }
    }
    return allMoved;
}

}  // namespace

extern "C" {

// Immediate action, on a complete uninstallation: lists the user's files that are being
// removed and were changed, for the deferred actions.
UINT __stdcall PlanKeptFiles(MSIHANDLE install) try {
    unique_msihandle database(MsiGetActiveDatabase(install)), view, row;
    if (!database) return ERROR_INSTALL_FAILURE;
    if (MsiDatabaseOpenViewW(database.get(),
                             L"SELECT `File`.`File`, `Component`.`Component`, `Component`.`ComponentId`, "
                             L"`Component`.`Attributes` FROM `File`, `Component` "
                             L"WHERE `File`.`Component_` = `Component`.`Component`",
                             view.put()) != ERROR_SUCCESS ||
        MsiViewExecute(view.get(), 0) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;

    const std::wstring product = property(install, L"ProductCode");
    std::wstring kept;
    while (MsiViewFetch(view.get(), row.put()) == ERROR_SUCCESS) {
        if ((MsiRecordGetInteger(row.get(), 4) & kNeverOverwrite) == 0) continue;
        const std::wstring fileKey = recordString(row.get(), 1), component = recordString(row.get(), 2);
        INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
        if (MsiGetComponentStateW(install, component.c_str(), &installed, &action) != ERROR_SUCCESS ||
            action != INSTALLSTATE_ABSENT)
            continue;
        // The component's key path is the file, where this product installed it.
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = ARRAYSIZE(path);
        if (MsiGetComponentPathW(product.c_str(), recordString(row.get(), 3).c_str(), path, &size) !=
                INSTALLSTATE_LOCAL ||
            !exists(path))
            continue;
        if (changedSinceInstalled(database.get(), fileKey, path)) {
            log(install, std::wstring(L"keeping the changed ") + path);
            kept += path;
            kept += kSeparator;
        } else {
            log(install, std::wstring(L"removing the unchanged ") + path);
        }
    }
    // Each deferred action reads the property of its own name as CustomActionData.
    for (const wchar_t* action : {L"HoldKeptFiles", L"ReturnKeptFiles", L"UndoHoldKeptFiles"})
        MsiSetPropertyW(install, action, kept.c_str());
    return ERROR_SUCCESS;
} catch (...) {
    return ERROR_INSTALL_FAILURE;
}

// Deferred, just before RemoveFiles. A file that cannot be moved aside would be lost: the
// uninstallation fails (and rolls back) instead.
UINT __stdcall HoldKeptFiles(MSIHANDLE install) try {
    return moveEach(install, split(property(install, L"CustomActionData")), true) ? ERROR_SUCCESS
                                                                                   : ERROR_INSTALL_FAILURE;
} catch (...) {
    return ERROR_INSTALL_FAILURE;
}

// Deferred, just after RemoveFiles; also the rollback of HoldKeptFiles.
UINT __stdcall ReturnKeptFiles(MSIHANDLE install) try {
    return moveEach(install, split(property(install, L"CustomActionData")), false) ? ERROR_SUCCESS
                                                                                    : ERROR_INSTALL_FAILURE;
} catch (...) {
    return ERROR_INSTALL_FAILURE;
}

}  // extern "C"
