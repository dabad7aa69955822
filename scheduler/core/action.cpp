#include "scheduler/core/action.h"

#include <array>
#include <utility>

namespace tolvare::scheduler {

namespace {

constexpr std::size_t kPrefixLength = 6;

constexpr std::array<std::pair<std::string_view, ActionKind>, 3> kPrefixes{{
    {"MACRO=", ActionKind::Macro},
    {"SHARE=", ActionKind::Share},
    {"IEURL=", ActionKind::Address},
}};

// ASCII folding is enough: no ANSI character outside ASCII upper-cases to a letter of the
// prefixes, so this matches an upper-casing of the whole prefix.
bool equalsUpper(std::string_view text, std::string_view upperPrefix) {
    for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upperPrefix[i]) return false;
    }
    return true;
}

}  // namespace

ActionCommand classifyAction(std::string_view action) {
    if (action.size() >= kPrefixLength) {
        for (const auto& [prefix, kind] : kPrefixes) {
            if (equalsUpper(action, prefix)) return {kind, action.substr(kPrefixLength)};
        }
    }
    return {ActionKind::Program, action};
}

std::string addressCommandLine(std::string_view url) {
    std::string line = "start.exe ";
    line.append(url);
    return line;
}

}  // namespace tolvare::scheduler
