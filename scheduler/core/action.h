// What an action text asks for. The first six characters choose the kind, compared without
// regard to case; the text after the prefix keeps its case.
#pragma once

#include <string>
#include <string_view>

namespace tolvare::scheduler {

enum class ActionKind {
    Program,  // the whole text is a command line, started in a normal window with focus
    Address,  // "IEURL=" + a web address, opened minimised with focus
    Macro,    // "MACRO=" + a macro file name in the program's folder
    Share,    // "SHARE=" + the full path of a folder to share
};

struct ActionCommand {
    ActionKind kind = ActionKind::Program;
    // Program: the whole action text; the other kinds: the text after the prefix.
    // A view into the text given to classifyAction.
    std::string_view argument;
};

ActionCommand classifyAction(std::string_view action);

// The command line that opens an address: the platform's document starter and the address.
std::string addressCommandLine(std::string_view url);

}  // namespace tolvare::scheduler
