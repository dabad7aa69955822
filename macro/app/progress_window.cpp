#include "macro/app/progress_window.h"

#include <commctrl.h>

#include "common/win32/dpi_layout.h"
#include "common/win32/window_metrics.h"
#include "macro/app/recorder_ids.h"

namespace tolvare::macro {

namespace {

// The bar's size (2895 by 255 twips); the window is exactly the bar.
constexpr SIZE kBarSize{193, 17};
// Its distance from the bottom-right corner of the work area, in pixels at 96 DPI: out of the
// way of the windows a macro usually works in.
constexpr int kMargin = 8;

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance) : instance_(instance) {}

ProgressWindow::~ProgressWindow() { destroy(); }

void ProgressWindow::destroy() {
    if (window_) DestroyWindow(window_);
}

bool ProgressWindow::create(bool visible) {
    if (window_) return true;
    if (!registerClass(instance_, kProgressWindowClass)) return false;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    PerMonitorDpiScope dpiScope;
    // A tool window stays out of the taskbar and the task switcher.
    if (!createWindow(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kProgressWindowClass, L"",
                      WS_POPUP | WS_CLIPCHILDREN, nullptr, nullptr, instance_))
        return false;
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarResult)), instance_, nullptr);
    if (!bar_) {
        destroy();
        return false;
    }
    SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    place(visible);
    return true;
}

void ProgressWindow::place(bool visible, const RECT* suggested) {
    const int dpi = windowDpi(window_);
    const int width = DpiLayout::scale(kBarSize.cx, dpi);
    const int height = DpiLayout::scale(kBarSize.cy, dpi);
    SetWindowPos(bar_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT origin;
    if (suggested) {
        origin = {suggested->left, suggested->top};
    } else {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int margin = DpiLayout::scale(kMargin, dpi);
        origin = {work.right - width - margin, work.bottom - height - margin};
    }
    // Above every window that is not topmost, shown without taking the activation (0x0050).
    SetWindowPos(window_, HWND_TOPMOST, origin.x, origin.y, width, height,
                 SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : 0));
}

void ProgressWindow::show(bool visible) {
    if (!window_) return;
    if (visible)
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    else
        ShowWindow(window_, SW_HIDE);
}

void ProgressWindow::setValue(int value) {
    if (bar_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

int ProgressWindow::value() const {
    return bar_ ? static_cast<int>(SendMessageW(bar_, PBM_GETPOS, 0, 0)) : 0;
}

LRESULT ProgressWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DPICHANGED:
        place(IsWindowVisible(window_) != FALSE, reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_NCDESTROY:
        bar_ = nullptr;
        break;
    default:
        break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace tolvare::macro
