// The scheduler's side of macro replay: it hands a macro file to the recorder window, lets the
// replay run while it waits with the window messages processed, and closes the window. The
// waiting goes through the library's Wait; without the library PLENAR waits the same way
// itself, so that a macro still plays.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "scheduler/app/korvel_client.h"

namespace tolvare::macro {
class RecorderWindow;
}

namespace tolvare::plenar {

// How long a macro action lets its replay run before the recorder window is closed.
inline constexpr long kMacroActionSeconds = 20;

// What became of a macro action.
struct MacroRun {
    bool replayed = false;
    std::wstring problem;  // why not: the file missing, unreadable or not a whole macro
};

// How the command-line run ended.
enum class CommandLineRun {
    Replayed,  // the macro played for its time: the program ends with exit code 0
    Refused,   // the file is missing or not a whole macro, said in a message: exit code 1
};

class MacroHandOff {
public:
    explicit MacroHandOff(macro::RecorderWindow& recorder) : recorder_(recorder) {}

    // A due "MACRO=" row: the recorder window shown, the file (ANSI bytes of the list) loaded
    // and replayed from its first event, 20 seconds of waiting, the window closed. A file that
    // cannot be loaded replays what the window holds (nothing, in a window just opened), and
    // is reported as not replayed.
    MacroRun runMacroAction(std::string_view fileName);
    // The end of a pass: the library object made for its waits goes.
    void passEnded() { windows_.reset(); }

    // The macro named on the command line, replayed for `seconds`. A file that is missing or
    // not a whole macro is said in a message (title "ERREUR") and refused.
    CommandLineRun runCommandLineMacro(HWND owner, const std::wstring& programFolder,
                                       const std::wstring& commandLine, long seconds);

    macro::RecorderWindow& recorder() { return recorder_; }

private:
    void wait(long seconds);

    macro::RecorderWindow& recorder_;
    std::optional<WindowsObject> windows_;
};

// Why the macro file at `path` cannot be replayed, as a message names it; "" when it can.
std::wstring macroFileProblem(const std::wstring& path);

// The command line's macro name: the text as given, without the blanks around it and without
// one pair of quotation marks around it (a path with blanks comes quoted from most callers).
std::wstring commandLineMacroName(std::wstring_view commandLine);

// Waits `seconds` while dispatching this thread's messages, as the library's Wait does: for
// when the library cannot be used. A quit message ends the wait at once and stays queued.
void waitWithMessages(long seconds);

}  // namespace tolvare::plenar
