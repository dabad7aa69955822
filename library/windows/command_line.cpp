#include "library/windows/command_line.h"

#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/errors.h"

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

}  // namespace korvel
