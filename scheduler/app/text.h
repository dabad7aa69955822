// Text crossings of the program: the list file is in the ANSI code page, the core's messages
// are UTF-8, and every window and library call takes UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win32/text_conversions.h"
#include "common/win32/window_metrics.h"
#include "scheduler/core/settings.h"

namespace tolvare::plenar {

inline std::wstring fromUtf8(std::string_view text) { return widen(text, CP_UTF8); }
inline std::string toUtf8(std::wstring_view text) { return narrow(text, CP_UTF8); }
inline std::wstring fromAnsi(std::string_view text) { return widen(text, CP_ACP); }
inline std::string toAnsi(std::wstring_view text) { return narrow(text, CP_ACP); }


// A settings text read as numbers by the platform's variant conversions in the user's locale,
// as every other program of the user reads numbers (separators, exponent, blanks, sign).
scheduler::NumberReading readNumber(const std::wstring& text);

// The full name of the running program's file.
std::wstring programPath();
// The folder of the running program, without a trailing backslash.
std::wstring programFolder();

// Upper case as the system's locale folds it (for file-name comparisons).
std::wstring upperCase(std::wstring_view text);

}  // namespace tolvare::plenar
