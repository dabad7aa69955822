#include "library/initreg/tests/reg_query.h"

#include <windows.h>

#include <sstream>

#include "common/win32/unique_handle.h"

namespace korvel_test {

namespace {

struct ToolRun {
    DWORD exitCode = DWORD(-1);
    std::string output;
};

// The 64-bit reg.exe, also for a 32-bit program (through the folder that shows it the native
// system folder): where 32-bit programs are emulated each of their starts costs a minute, and
// the keys read here (under HKCU\Software) are the same in both views.
ToolRun runReg(const std::wstring& arguments) {
    ToolRun run;
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::wstring command = L"\"" + std::wstring(windows) + (wow64 ? L"\\sysnative" : L"\\system32") + L"\\reg.exe\" " +
                           arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    tolvare::unique_handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return run;
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        return run;
    }
    tolvare::unique_handle processHandle(process.hProcess), thread(process.hThread);
    writeEnd.reset();
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) run.output.append(chunk, read);
    WaitForSingleObject(processHandle.get(), 60000);
    GetExitCodeProcess(processHandle.get(), &run.exitCode);
    return run;
}

}  // namespace

bool regKeyExists(const std::wstring& key) { return runReg(L"query \"" + key + L"\"").exitCode == 0; }

std::optional<RegValue> regQueryValue(const std::wstring& key, const std::wstring& value) {
    ToolRun run = runReg(L"query \"" + key + L"\" /v \"" + value + L"\"");
    if (run.exitCode != 0) return std::nullopt;
    // A value line: four blanks, the name, four blanks, the type, four blanks, the data.
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t type = line.find("    REG_");
        if (type == std::string::npos) continue;
        RegValue found;
        size_t typeEnd = line.find(' ', type + 4);
        found.type = line.substr(type + 4, typeEnd == std::string::npos ? std::string::npos : typeEnd - type - 4);
        if (typeEnd != std::string::npos) {
            size_t data = line.find_first_not_of(' ', typeEnd);
            if (data != std::string::npos) found.data = line.substr(data);
        }
        return found;
    }
    return std::nullopt;
}

}  // namespace korvel_test
