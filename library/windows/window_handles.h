// Windows as automation callers name them: 32-bit handles, titles, the taskbar.
#pragma once

#include <windows.h>

#include <string>

namespace korvel::shell {

// A window handle as automation callers hold it: the platform keeps handles within 32 bits and
// widens them with their sign.
inline HWND windowFromHandle(LONG handle) noexcept { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle)); }
inline LONG handleOfWindow(HWND window) noexcept { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)); }

// The title of a window; empty for no window, a window without a title and a handle that names
// no window. Read in UTF-16, so that characters outside the ANSI code page arrive as they are.
std::wstring windowTitle(HWND window);

// The taskbar of the shell, found as every program finds it: its class and an empty title.
inline HWND taskbarWindow() noexcept { return FindWindowA("Shell_traywnd", ""); }

}  // namespace korvel::shell
