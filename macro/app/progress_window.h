// frmBarResult: the small borderless, always-on-top window that shows a replay's progress. Its
// only control is the progress bar barResult (0..100). It never takes the activation, so the
// replayed keys keep going to the window the user was in.
#pragma once

#include <windows.h>

#include "common/win32/window_base.h"

namespace tolvare::macro {

class ProgressWindow final : public WindowBase {
public:
    explicit ProgressWindow(HINSTANCE instance);
    ~ProgressWindow();

    // Creates the window at its first use and places it, topmost, shown when `visible`
    // (without activation) and hidden otherwise. False when it could not be created.
    bool create(bool visible);
    // Shown topmost without activation, or hidden. Nothing when it was not created.
    void show(bool visible);
    void setValue(int value);
    int value() const;
    void destroy();

    HWND bar() const { return bar_; }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The size of the bar and the window, and the window's place, at the window's DPI.
    void place(bool visible, const RECT* suggested = nullptr);

    HINSTANCE instance_;
    HWND bar_ = nullptr;
};

}  // namespace tolvare::macro
