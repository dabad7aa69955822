// For tests that drive a program through its windows from outside, as a user would: finding
// its top-level windows, reading their texts and where their controls lie.
#pragma once

#include <windows.h>

#include <string>

namespace tolvare::testing {

// The text of a window as another program reads it (WM_GETTEXT, with a time limit so that a
// hung program cannot stop the test): "<no answer>" when it does not answer.
std::wstring windowText(HWND window);

std::wstring windowClass(HWND window);

// Where `control` lies in the client area of `parent`.
RECT clientRectIn(HWND parent, HWND control);

// The first top-level window of the process `processId` of the class `windowClass`, with the
// caption `caption` (empty: any caption), other than `except`; only visible ones when
// `visibleOnly`. Null when there is none.
HWND findTopLevel(DWORD processId, const std::wstring& windowClass, const std::wstring& caption = {},
                  HWND except = nullptr, bool visibleOnly = false);

}  // namespace tolvare::testing
