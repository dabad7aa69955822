// What windows need to lay themselves out at any DPI: the window's DPI, the system's message
// font for it, the window size around a client area; and a window's text.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/unique_handle.h"

namespace tolvare {

// The DPI of a window: its monitor's for a per-monitor aware window, the system's where the
// system has no per-window DPI.
int windowDpi(HWND window);

// The message font of the system at `dpi`.
unique_gdiobj messageFont(int dpi);

// The size of a window of `style` and `exStyle` whose client area is `client` pixels at `dpi`.
SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, int dpi);

// The whole text of a window of this process.
std::wstring windowText(HWND window);

}  // namespace tolvare
