// Whole files of bounded size, read in one place for both programs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tolvare {

// Who else may have the file open for writing while it is read.
enum class WritersWhileReading { refused, allowed };

// The whole of a file of at most `maxBytes`; nothing when it cannot be read (GetLastError says
// why; ERROR_FILE_TOO_LARGE for a larger file, which is not read at all). A file that shrinks
// meanwhile gives what there is. With writers refused, a file another program is writing is
// locked and is not read half-way.
std::optional<std::string> readWholeFile(const std::wstring& path, std::uint64_t maxBytes, WritersWhileReading writers);

}  // namespace tolvare
