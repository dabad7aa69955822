// Macro files read and written as bytes: whole or not at all.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvare::macro {

// The bytes of a file; nothing when it cannot be read whole or is larger than `maxBytes`
// (then it is not read at all, and GetLastError says ERROR_FILE_TOO_LARGE).
std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes);
// Replaces the file with `bytes`, written beside it and moved over it, so that a failure leaves
// the old file whole; false (GetLastError says why) when it could not be written whole.
bool writeFileBytes(const std::wstring& path, std::string_view bytes);

}  // namespace tolvare::macro
