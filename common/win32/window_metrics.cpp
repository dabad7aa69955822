#include "common/win32/window_metrics.h"

namespace tolvare {

bool registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                         int extraBytes) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // A window opened again (the main window from the icon, the recorder after it closed)
    // finds its class there.
    if (GetClassInfoExW(instance, name, &windowClass)) return true;
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = extraBytes;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

int windowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 on; older systems run at the system DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = user32Entry<GetDpiForWindowFn>("GetDpiForWindow");
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
    // Windows 10 gives the metrics for any DPI; older systems give them for the system DPI,
    // which is then scaled.
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = user32Entry<ForDpiFn>("SystemParametersInfoForDpi");
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

SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, int dpi) {
    RECT frame{0, 0, client.cx, client.cy};
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Entry<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&frame, style, hasMenu, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, hasMenu, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}  // namespace tolvare
