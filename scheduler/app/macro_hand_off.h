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

class MacroHandOff {
public:
    explicit MacroHandOff(macro::RecorderWindow& recorder) : recorder_(recorder) {}

    // A due "MACRO=" row: the recorder window shown, the file (ANSI bytes of the list) loaded
    // and replayed from its first event, 20 seconds of waiting, the window closed. A file that
    // cannot be loaded replays what the window holds (nothing, in a window just opened).
    void runMacroAction(std::string_view fileName);
    // The end of a pass: the library object made for its waits goes.
    void passEnded() { windows_.reset(); }

    // The macro named on the command line, replayed for `seconds`. False, after the message,
    // when the file does not exist: the program then starts as usual.
    bool runCommandLineMacro(HWND owner, const std::wstring& programFolder,
                             const std::wstring& commandLine, long seconds);

    macro::RecorderWindow& recorder() { return recorder_; }

private:
    void wait(long seconds);

    macro::RecorderWindow& recorder_;
    std::optional<WindowsObject> windows_;
};

// The command line's macro name: the text as given, without the blanks around it and without
// one pair of quotation marks around it (a path with blanks comes quoted from most callers).
std::wstring commandLineMacroName(std::wstring_view commandLine);

// Waits `seconds` while dispatching this thread's messages, as the library's Wait does: for
// when the library cannot be used. A quit message ends the wait at once and stays queued.
void waitWithMessages(long seconds);

}  // namespace tolvare::plenar
