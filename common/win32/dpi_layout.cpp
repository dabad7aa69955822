#include "common/win32/dpi_layout.h"

#include <algorithm>
#include <utility>

#include "common/win32/window_metrics.h"

namespace tolvare {

RECT DpiLayout::scale(const RECT& design) const {
    // Width and height are scaled themselves, so that equal designs stay equal at any DPI.
    const int left = scale(design.left);
    const int top = scale(design.top);
    return {left, top, left + scale(design.right - design.left), top + scale(design.bottom - design.top)};
}

void DpiLayout::start(HWND window) {
    window_ = window;
    dpi_ = windowDpi(window);
    font_ = messageFont(dpi_);
    controls_.clear();
}

HWND DpiLayout::addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, const RECT& design,
                           DWORD exStyle) {
    const RECT place = scale(design);
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | style, place.left, place.top,
                                   place.right - place.left, place.bottom - place.top, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (!control) return nullptr;
    keep(control, design);
    if (font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
}

void DpiLayout::keep(HWND control, const RECT& design) {
    if (control) controls_.push_back({control, design});
}

void DpiLayout::placeControls() const {
    for (const Control& control : controls_) {
        const RECT place = scale(control.design);
        SetWindowPos(control.window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (font_) SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
}

bool DpiLayout::changeDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) return false;
    dpi_ = dpi;
    // The old font stays while no new one can be made (text in the wrong size beats no text),
    // and otherwise goes only once every control has taken the new one.
    unique_gdiobj font = messageFont(dpi_);
    if (font) std::swap(font_, font);
    placeControls();
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

void DpiLayout::sizeWindow(SIZE design, const RECT* suggested) const {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
    const bool hasMenu = !(style & WS_CHILD) && GetMenu(window_) != nullptr;
    const SIZE size = windowSizeForClient({scale(design.cx), scale(design.cy)}, style, exStyle, hasMenu, dpi_);
    if (suggested)
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, as the headers of later
// SDKs define them.
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitor = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

using SetContextFn = void*(WINAPI*)(void*);

SetContextFn setThreadDpiContext() {
    static const auto setContext = user32Entry<SetContextFn>("SetThreadDpiAwarenessContext");
    return setContext;
}

}  // namespace

PerMonitorDpiScope::PerMonitorDpiScope() {
    const SetContextFn setContext = setThreadDpiContext();
    if (!setContext) return;
    previous_ = setContext(kPerMonitorV2);
    if (!previous_) previous_ = setContext(kPerMonitor);
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    if (const SetContextFn setContext = setThreadDpiContext(); setContext && previous_) setContext(previous_);
}

void centreInWorkArea(HWND window, HWND owner, bool overOwner) {
    RECT frame;
    if (!GetWindowRect(window, &frame)) return;
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    RECT over = monitor.rcWork;
    if (overOwner && owner) GetWindowRect(owner, &over);
    LONG x = (over.left + over.right - width) / 2;
    LONG y = (over.top + over.bottom - height) / 2;
    x = std::max(monitor.rcWork.left, std::min(x, monitor.rcWork.right - width));
    y = std::max(monitor.rcWork.top, std::min(y, monitor.rcWork.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void keepDialogDpiLayoutOwn(HWND dialog) {
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = user32Entry<SetBehaviorFn>("SetDialogDpiChangeBehavior");
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (setBehavior) setBehavior(dialog, kDisableAll, kDisableAll);
}

}  // namespace tolvare
