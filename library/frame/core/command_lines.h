// Command lines the library builds for the platform's parser, whichever class starts the
// program (platform-free).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// `text` as one argument of a command line, quoted so that the platform's parser reads it back
// whole (blanks and all; backslashes before the closing quote doubled); none when it holds a
// quote, which no quoting carries through every program's parser.
std::optional<std::string> quotedArgument(std::string_view text);

// A launcher's command line with its program (the first word, ".exe" added when it has no
// extension) named by its full path in `folder` and quoted, so that no copy of it in the
// caller's folders runs instead.
std::string inFolder(std::string_view commandLine, std::string_view folder);

}  // namespace korvel
