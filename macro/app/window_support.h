// What the recorder's two windows share: their DPI, the system's message font at that DPI,
// twips to pixels, the text of a window, and files read and written as bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/unique_handle.h"

namespace tolvare::macro {

// The DPI a window is laid out at: its monitor's for a per-monitor aware window, 96 where the
// system has no such notion.
int windowDpi(HWND window);

// Twips (1440 to the inch) at `dpi`: 15 twips a pixel at 96 DPI.
inline int twipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The message font of the system at `dpi`.
unique_gdiobj messageFont(int dpi);

// The window size whose client area is `clientWidth` x `clientHeight` pixels at `dpi`.
SIZE windowSizeForClient(HWND window, int clientWidth, int clientHeight, int dpi, bool hasMenu);

// While it lives, windows this thread creates are per-monitor DPI aware (where the platform
// knows the notion), whatever the process declared: capture and replay then deal in the
// screen's real pixels, so that a replayed cursor lands where it was captured on a screen
// scaled above 100 %.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    void* previous_ = nullptr;
};

std::wstring windowText(HWND window);

// The bytes of a file; nothing when it cannot be read whole or is larger than `maxBytes`
// (then it is not read at all).
std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes);
// Replaces the file with `bytes`; false when it could not be created or written whole.
bool writeFileBytes(const std::wstring& path, std::string_view bytes);

// A path that names its drive ("C:\...") or its server ("\\server\share\...").
bool isAbsolutePath(std::wstring_view path);

}  // namespace tolvare::macro
