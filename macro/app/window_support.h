// What the recorder's two windows share besides the common window metrics: twips to pixels,
// per-monitor DPI awareness, and files read and written as bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/unique_handle.h"
#include "common/win32/window_metrics.h"

namespace tolvare::macro {

// Twips (1440 to the inch) at `dpi`: 15 twips a pixel at 96 DPI.
inline int twipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

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

// The bytes of a file; nothing when it cannot be read whole or is larger than `maxBytes`
// (then it is not read at all, and GetLastError says ERROR_FILE_TOO_LARGE).
std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes);
// Replaces the file with `bytes`, written beside it and moved over it, so that a failure leaves
// the old file whole; false (GetLastError says why) when it could not be written whole.
bool writeFileBytes(const std::wstring& path, std::string_view bytes);

}  // namespace tolvare::macro
