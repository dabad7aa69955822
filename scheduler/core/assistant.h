// The action assistant's decisions, apart from its window: the action text of the user's
// choice, the times it accepts, where the row it adds goes, and the folders its folder list
// shows. Texts are bytes: the action and the time in the list's ANSI code page (the prefixes
// are ASCII), paths and the time to check in UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scheduler/core/action_list.h"
#include "scheduler/core/clock.h"

namespace tolvare::scheduler {

// The option buttons OptAssist 0 to 3, in their order on screen.
enum class AssistantOption { Program = 0, Macro = 1, Share = 2, Address = 3 };

inline constexpr std::string_view kAssistantAddressDesign = "http://";

struct AssistantChoice {
    std::optional<AssistantOption> option;  // none selected: the address
    std::string fileName;                   // txtfilename: a program's command line or a macro file
    bool fileNameIsAFile = false;           // txtfilename names one existing file, as chosen
    std::string folder;                     // Dir1's current entry
    std::string address;                    // txtURL
};

// The action text of a choice in the list's syntax: the program as chosen, "MACRO=" + the
// macro file, "SHARE=" + the folder, or "IEURL=" + the address (also when nothing is selected).
// A program's file whose path holds a blank is quoted: the row is a command line, and unquoted
// the platform would first look for a program named by the path's first words (C:\Program.exe
// for C:\Program Files\...).
std::string assistantAction(const AssistantChoice& choice);

// The time the assistant proposes: the current minute as HH:MM, the form the scheduler
// compares with, whatever the user's time format.
std::string assistantTime(const LocalDateTime& now);

// Whether the time field may be written as it is: exactly five characters (code points of
// UTF-8 text). Nothing else is checked; 25:99 and ab:cd are taken as typed.
bool assistantTimeAccepted(std::string_view utf8Time);

// Adds the row for `time` and `action` to the table's data rows and keeps the table order:
// the row goes before all others (where the blank row stood), then the stable sort by key, so
// that it comes first among the rows of its key. Returns the row's index.
std::size_t addAssistantRow(std::vector<ActionLine>& rows, std::string time, std::string action);

// The folder list: the folders from the root of a full path down to the path itself (C:\a\b
// gives C:\, C:\a and C:\a\b; \\server\share\a gives \\server\share\ and \\server\share\a;
// the extended forms \\?\C:\ and \\?\UNC\server\share\ are roots too). A trailing backslash
// does not count; a path without a root of these forms gives itself alone.
std::vector<std::string> folderChain(std::string_view path);

// What the list shows for a folder: its last name, or a root as written.
std::string_view folderEntryName(std::string_view path);

// The full path of `name` in the folder `parent`.
std::string subfolderPath(std::string_view parent, std::string_view name);

}  // namespace tolvare::scheduler
