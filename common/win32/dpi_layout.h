// The layout of the programs' windows: every place and size is given in one design unit,
// pixels at 96 DPI (a twip of the original forms is 1/15 of one), and the window's DPI is
// applied here alone, to the places, the message font and the window's size, at creation and
// on every WM_DPICHANGED.
#pragma once

#include <windows.h>

#include <vector>

#include "common/win32/unique_handle.h"

namespace tolvare {

class DpiLayout {
public:
    // The design unit at `dpi`.
    static int scale(int design, int dpi) { return MulDiv(design, dpi, 96); }

    int dpi() const { return dpi_; }
    int scale(int design) const { return scale(design, dpi_); }
    RECT scale(const RECT& design) const;
    HFONT font() const { return static_cast<HFONT>(font_.get()); }

    // Takes the DPI of `window`, whose controls are laid out from here on, and the message
    // font for it.
    void start(HWND window);
    // A child control of the window at its design place, in the layout's font; it is placed
    // again whenever the DPI changes.
    HWND addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, const RECT& design,
                    DWORD exStyle = 0);
    // A control made otherwise, placed again with the others.
    void keep(HWND control, const RECT& design);
    // Places every control at the layout's DPI, in its font.
    void placeControls() const;
    // WM_DPICHANGED: the new DPI and font, every control placed again, the window drawn anew.
    // False (nothing done) for the DPI the layout already has.
    bool changeDpi(int dpi);
    // The window's size around a client area of `design` size, its place kept (or moved to the
    // place the system suggested on a change of DPI).
    void sizeWindow(SIZE design, const RECT* suggested = nullptr) const;
    // Forgets the controls (the window is gone).
    void clear() { controls_.clear(); }

    // Design rectangles from a left, top, width and height.
    static constexpr RECT at(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }

private:
    struct Control {
        HWND window;
        RECT design;
    };

    HWND window_ = nullptr;
    int dpi_ = 96;
    unique_gdiobj font_;
    std::vector<Control> controls_;
};

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

// Places `window` over the middle of `owner` (or of the work area of the owner's monitor when
// `overOwner` is false), within that work area.
void centreInWorkArea(HWND window, HWND owner, bool overOwner = false);

// Windows 10 rescales dialogs made from templates on a change of DPI by itself; a dialog laid out
// by a DpiLayout turns that off.
void keepDialogDpiLayoutOwn(HWND dialog);

}  // namespace tolvare
