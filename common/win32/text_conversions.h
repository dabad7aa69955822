// Text between UTF-16, which every window and platform call takes, and the byte texts of files
// and older entry points (the ANSI code page, UTF-8): the one set of conversions of both programs.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tolvare {

// Empty for an empty text or one the code page cannot convert at all. Texts longer than
// INT_MAX units, which the platform cannot convert in one call, are cut there.
std::wstring widen(std::string_view text, UINT codePage);
std::string narrow(std::wstring_view text, UINT codePage);

}  // namespace tolvare
