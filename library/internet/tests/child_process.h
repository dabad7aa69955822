// For tests that need a process of their own, started with settings that only a process start
// takes: a program copied into a fresh folder beside the files it should find there (the
// program's folder is searched first for libraries), run, for the time it runs, with the Windows
// version that the Wine registry gives its program name. Wine takes the libraries it has built
// in from such a folder only where the test's environment says so (WINEDLLOVERRIDES, which a
// process takes from its parent's environment, not from the block it is given).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/win32/unique_handle.h"

namespace korvel_test {

struct ChildProgram {
    std::wstring folder;                                        // made by the caller
    std::wstring program;                                       // the file to copy there
    std::wstring name;                                          // its name there
    std::vector<std::pair<std::wstring, std::wstring>> besides;  // files to copy: source, name there
    std::wstring windowsVersion;                                // "win98"... or empty
};

// The Wine registry key of a program's own settings.
inline std::wstring programDefaultsKey(const std::wstring& name) {
    return L"Software\\Wine\\AppDefaults\\" + name;
}

// Copies, runs with `arguments` and waits (two minutes at most). The version setting is removed
// again afterwards (the names are the tests' own, so there is nothing else to restore). The
// exit code, or a negative number when the program could not be started or did not end.
inline long runChildProgram(const ChildProgram& child, const std::wstring& arguments) {
    const std::wstring path = child.folder + L"\\" + child.name;
    if (!CopyFileW(child.program.c_str(), path.c_str(), FALSE)) return -1;
    for (const auto& [source, name] : child.besides)
        if (!CopyFileW(source.c_str(), (child.folder + L"\\" + name).c_str(), FALSE)) return -2;
    if (!child.windowsVersion.empty()) {
        tolvare::unique_hkey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, programDefaultsKey(child.name).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(child.windowsVersion.c_str()),
                           DWORD((child.windowsVersion.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
            return -3;
    }
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    long exitCode = -4;
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, child.folder.c_str(), &startup, &process)) {
        tolvare::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code))
            exitCode = long(code);
        else
            TerminateProcess(process.hProcess, 1);
    }
    if (!child.windowsVersion.empty()) RegDeleteTreeW(HKEY_CURRENT_USER, programDefaultsKey(child.name).c_str());
    return exitCode;
}

}  // namespace korvel_test
