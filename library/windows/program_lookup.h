// The shell's lookup of the program a document opens with.
#pragma once

#include <windows.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "library/windows/shell_folders.h"

namespace korvel::shell {

// A result buffer of blanks for the shell's executable lookup, terminated after them.
struct LookupBuffer {
    LookupBuffer() {
        std::memset(text, ' ', kShellPathSize);
        text[kShellPathSize] = '\0';
    }
    // The text up to its first NUL among the blanks; nothing when the lookup wrote none.
    std::optional<std::string_view> written() const {
        const void* end = std::memchr(text, '\0', kShellPathSize);
        if (!end) return std::nullopt;
        return std::string_view(text, size_t(static_cast<const char*>(end) - text));
    }
    char text[kShellPathSize + 1];
};

// The shell's executable lookup of `file` in `folder` (null: the current folder). A name or
// folder longer than an ANSI path can be names no file the lookup could find, and the
// platform's lookup does not survive some of them: such a file is not found.
INT_PTR findExecutable(std::string_view file, const char* folder, LookupBuffer& program);

// Results of the shell's executable lookup: ExecuteFichier takes 32 (the highest failure code)
// as a success, TrouveExecutable as a failure.
inline constexpr INT_PTR kHighestLookupFailure = 32;

}  // namespace korvel::shell
