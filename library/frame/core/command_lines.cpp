#include "library/frame/core/command_lines.h"

namespace korvel {

std::optional<std::string> quotedArgument(std::string_view text) {
    if (text.find('"') != std::string_view::npos) return std::nullopt;
    std::string quoted = "\"";
    quoted += text;
    // Backslashes just before the closing quote would escape it: each is doubled.
    std::size_t trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
    quoted.append(trailing, '\\');
    quoted += '"';
    return quoted;
}

std::string inFolder(std::string_view commandLine, std::string_view folder) {
    const std::size_t blank = commandLine.find(' ');
    std::string program(commandLine.substr(0, blank));
    if (program.find('.') == std::string::npos) program += ".exe";
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += program;
    const std::string_view rest = blank == std::string_view::npos ? std::string_view{} : commandLine.substr(blank);
    return quotedArgument(path).value_or(path) + std::string(rest);
}

}  // namespace korvel
