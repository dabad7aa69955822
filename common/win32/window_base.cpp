#include "common/win32/window_base.h"

#include "common/win32/window_metrics.h"

namespace tolvare {

WindowBase::~WindowBase() {
    // A window outliving its object would reach freed memory at its next message.
    if (window_) {
        SetWindowLongPtrW(window_, dialog_ ? DWLP_USER : GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool WindowBase::registerClass(HINSTANCE instance, const wchar_t* name, HICON icon) {
    return registerWindowClass(instance, name, windowProcedure, icon);
}

bool WindowBase::registerDialogClass(HINSTANCE instance, const wchar_t* name) {
    return registerWindowClass(instance, name, DefDlgProcW, nullptr, DLGWINDOWEXTRA);
}

HWND WindowBase::createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                              HWND owner, HMENU menu, HINSTANCE instance) {
    dialog_ = false;
    CreateWindowExW(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner, menu, instance,
                    this);
    return window_;
}

HWND WindowBase::createDialog(HINSTANCE instance, const DLGTEMPLATE* layout, HWND owner) {
    dialog_ = true;
    CreateDialogIndirectParamW(instance, layout, owner, dialogProcedure, reinterpret_cast<LPARAM>(this));
    return window_;
}

INT_PTR WindowBase::runDialog(HINSTANCE instance, const DLGTEMPLATE* layout, HWND owner) {
    dialog_ = true;
    return DialogBoxIndirectParamW(instance, layout, owner, dialogProcedure, reinterpret_cast<LPARAM>(this));
}

LRESULT WindowBase::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog_ || !window_) return FALSE;
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK WindowBase::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after the object let go of its window.
    if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->dispatch(window, message, wParam, lParam);
}

INT_PTR CALLBACK WindowBase::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<WindowBase*>(lParam);
        self->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self || self->window_ != window) return FALSE;
    return static_cast<INT_PTR>(self->dispatch(window, message, wParam, lParam));
}

LRESULT WindowBase::dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    try {
        result = handle(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's code that called the procedure: the step the
        // message asked for is dropped, as a failed step of a pass is, and the platform does
        // what it does with an unhandled message.
        result = dialog_ ? FALSE : DefWindowProcW(window, message, wParam, lParam);
    }
    // A window's last message is WM_NCDESTROY; a dialog's last one its dialog procedure is sure
    // to see is WM_DESTROY (the dialog manager does not always pass WM_NCDESTROY on). From
    // then on the window is gone for its object, which may be shown anew.
    if (message == (dialog_ ? WM_DESTROY : WM_NCDESTROY) && window_ == window) {
        SetWindowLongPtrW(window, dialog_ ? DWLP_USER : GWLP_USERDATA, 0);
        window_ = nullptr;
    }
    return result;
}

}  // namespace tolvare
