#include "macro/app/window_support.h"

#include <algorithm>

namespace tolvare::macro {

namespace {

// Entry points of later systems, looked up so that the program still starts on Windows 7.
template <typename Fn>
Fn user32Function(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, as the headers of later
// SDKs define them.
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitor = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

}  // namespace

int windowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpi && window ? getDpi(window) : 0;
    if (dpi) return static_cast<int>(dpi);
    int systemDpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return systemDpi > 0 ? systemDpi : 96;
}

unique_gdiobj messageFont(int dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = user32Function<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return unique_gdiobj(CreateFontIndirectW(&metrics.lfMessageFont));
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
    int systemDpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (systemDpi > 0 && systemDpi != dpi)
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return unique_gdiobj(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE windowSizeForClient(HWND window, int clientWidth, int clientHeight, int dpi, bool hasMenu) {
    RECT frame{0, 0, clientWidth, clientHeight};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&frame, style, hasMenu, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, hasMenu, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

PerMonitorDpiScope::PerMonitorDpiScope() {
    using SetContextFn = void*(WINAPI*)(void*);
    static const auto setContext = user32Function<SetContextFn>("SetThreadDpiAwarenessContext");
    if (!setContext) return;
    previous_ = setContext(kPerMonitorV2);
    if (!previous_) previous_ = setContext(kPerMonitor);
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    using SetContextFn = void*(WINAPI*)(void*);
    static const auto setContext = user32Function<SetContextFn>("SetThreadDpiAwarenessContext");
    if (setContext && previous_) setContext(previous_);
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes) {
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return std::nullopt;
        if (read == 0) break;  // the file shrank meanwhile: what is there is the file
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool isAbsolutePath(std::wstring_view path) {
    const auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && slash(path[2]))
        return true;
    return path.size() >= 2 && slash(path[0]) && slash(path[1]);
}

}  // namespace tolvare::macro
