#include "library/frame/command_line.h"

#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/errors.h"
#include "library/frame/core/command_lines.h"

namespace korvel {

void startCommandLine(std::string_view ansiCommandLine, WORD showState) {
    // The platform may write into the command line it is given: a copy of our own, terminated.
    std::string commandLine(ansiCommandLine);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showState;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        throw RuntimeError(kFileNotFound);
    tolvare::unique_handle processHandle(process.hProcess);
    tolvare::unique_handle threadHandle(process.hThread);
}

void startSystemProgram(std::string_view ansiCommandLine, WORD showState) {
    std::string program(ansiCommandLine.substr(0, ansiCommandLine.find(' ')));
    if (program.find('.') == std::string::npos) program += ".exe";
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    std::string chosen = folder;
    if (GetFileAttributesA((chosen + "\\" + program).c_str()) == INVALID_FILE_ATTRIBUTES) {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        if (GetFileAttributesA((std::string(windows) + "\\" + program).c_str()) != INVALID_FILE_ATTRIBUTES)
            chosen = windows;
    }
    startCommandLine(inFolder(ansiCommandLine, chosen), showState);
}

}  // namespace korvel
