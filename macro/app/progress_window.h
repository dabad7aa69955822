// frmBarResult: the small borderless, always-on-top window that shows a replay's progress. Its
// only control is the progress bar barResult (0..100). It never takes the activation, so the
// replayed keys keep going to the window the user was in.
#pragma once

#include <windows.h>

namespace tolvare::macro {

class ProgressWindow {
public:
    explicit ProgressWindow(HINSTANCE instance);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Creates the window at its first use and places it, topmost, shown when `visible`
    // (without activation) and hidden otherwise. False when it could not be created.
    bool create(bool visible);
    // Shown topmost without activation, or hidden. Nothing when it was not created.
    void show(bool visible);
    void setValue(int value);
    int value() const;
    void destroy();

    HWND window() const { return window_; }
    HWND bar() const { return bar_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The size of the bar and the window, and the window's place, at the window's DPI.
    void place(bool visible, const RECT* suggested = nullptr);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
};

}  // namespace tolvare::macro
