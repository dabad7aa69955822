// What the programs' windows share: their class registered once, their layout at any DPI (the
// window's DPI, the system's message font for it, the window size around a client area), and a
// window's text.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/unique_handle.h"

namespace tolvare {

// An entry point of user32 that later systems have, or null: looked up at run time so that the
// programs still start on Windows 7.
template <typename Function>
Function user32Entry(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// Registers the window class `name` of `instance` with the dialog background and the arrow
// cursor, unless it is registered already. `extraBytes` is the class's per-window extra bytes
// (DLGWINDOWEXTRA for a window run by the dialog procedure). False when it cannot be registered.
bool registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon = nullptr,
                         int extraBytes = 0);

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
