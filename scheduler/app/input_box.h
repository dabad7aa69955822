// A modal input box: a prompt, a title, a proposed text, OK and Cancel.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tolvare::plenar {

// The text typed, or nothing when the user cancelled.
std::optional<std::wstring> inputBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                                     const std::wstring& proposal);

}  // namespace tolvare::plenar
