// The one way a window of the programs reaches its C++ object: one window procedure and one
// dialog procedure for every window, the object handed over at creation, forgotten when the
// window goes, and one rule for exceptions.
#pragma once

#include <windows.h>

namespace tolvare {

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window, or null before it is made and once it is gone.
    HWND window() const { return window_; }

protected:
    WindowBase() = default;
    // The window must be gone by now: a derived class destroys it in its own destructor, while
    // its handlers still exist.
    ~WindowBase();

    // Registers the window class `name` (unless it is registered) with the common window
    // procedure, the dialog background and the arrow cursor.
    static bool registerClass(HINSTANCE instance, const wchar_t* name, HICON icon = nullptr);
    // Registers `name` as a class of dialogs made from a template that names it (the dialog
    // manager then runs the dialog procedure given at creation).
    static bool registerDialogClass(HINSTANCE instance, const wchar_t* name);

    // A window of a class registered by registerClass, at the system's default place (its
    // layout sizes it); its messages reach handle() from WM_NCCREATE on. Null when it could
    // not be made.
    HWND createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner,
                      HMENU menu, HINSTANCE instance);
    // A modeless dialog from an in-memory template; its messages reach handle() from
    // WM_INITDIALOG on.
    HWND createDialog(HINSTANCE instance, const DLGTEMPLATE* layout, HWND owner);
    // A modal dialog from an in-memory template: runs until EndDialog, whose result it gives
    // (-1 when it could not be made).
    INT_PTR runDialog(HINSTANCE instance, const DLGTEMPLATE* layout, HWND owner);

    // Every message of the window. What a handler leaves goes to defaultHandling(). For a
    // dialog, the result is the dialog procedure's (TRUE for handled).
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // DefWindowProc for a window; FALSE for a dialog, whose dialog manager does the rest.
    LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // handle() under the one exception rule; the window forgotten after its last message.
    LRESULT dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool dialog_ = false;
};

}  // namespace tolvare
