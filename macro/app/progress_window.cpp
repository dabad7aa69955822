#include "macro/app/progress_window.h"

#include <commctrl.h>

#include "macro/app/recorder_ids.h"
#include "macro/app/window_support.h"

namespace tolvare::macro {

namespace {

// The bar's size in twips; the window is exactly the bar.
constexpr int kBarWidthTwips = 2895;
constexpr int kBarHeightTwips = 255;
// Its distance from the bottom-right corner of the work area, in pixels at 96 DPI: out of the
// way of the windows a macro usually works in.
constexpr int kMargin = 8;

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance) : instance_(instance) {}

ProgressWindow::~ProgressWindow() { destroy(); }

void ProgressWindow::destroy() {
    if (HWND window = window_) {
        window_ = nullptr;
        bar_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

bool ProgressWindow::create(bool visible) {
    if (window_) return true;
    if (!registerWindowClass(instance_, kProgressWindowClass, windowProc)) return false;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    PerMonitorDpiScope dpiScope;
    // A tool window stays out of the taskbar and the task switcher.
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kProgressWindowClass,
                                  L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 1, 1, nullptr, nullptr, instance_,
                                  this);
    if (!window) return false;
    window_ = window;
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
    const int width = twipsToPixels(kBarWidthTwips, dpi);
    const int height = twipsToPixels(kBarHeightTwips, dpi);
    SetWindowPos(bar_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT origin;
    if (suggested) {
        origin = {suggested->left, suggested->top};
    } else {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int margin = MulDiv(kMargin, dpi, 96);
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

LRESULT CALLBACK ProgressWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ProgressWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DPICHANGED:
        if (self && self->window_ == window)
            self->place(IsWindowVisible(window) != FALSE, reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_NCDESTROY:
        if (self && self->window_ == window) {
            self->window_ = nullptr;
            self->bar_ = nullptr;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tolvare::macro
