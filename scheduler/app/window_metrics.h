// What the program's windows need to lay themselves out at any DPI: the window's DPI, the
// system's message font for it, and the window size around a client area.
#pragma once

#include <windows.h>

#include "common/win32/unique_handle.h"

namespace tolvare::plenar {

// The DPI of a window; 96 where the system has no per-window DPI.
int windowDpi(HWND window);

// The message font of the system at `dpi`.
unique_gdiobj messageFont(int dpi);

// The size of a window of `style` and `exStyle` whose client area is `client` pixels at `dpi`.
SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, int dpi);

}  // namespace tolvare::plenar
