#include "macro/app/recorder_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/win32/window_metrics.h"
#include "macro/app/input_sender.h"
#include "macro/app/macro_files.h"
#include "macro/app/recorder_ids.h"
#include "macro/core/capture.h"
#include "macro/core/macro_path.h"

namespace tolvare::macro {

namespace {

// The places of the form, drawn in twips, in the design unit (15 twips each).
constexpr SIZE kClientSize{307, 250};
// Frame1's place and height: the controls inside it are given relative to it.
constexpr int kFrameLeft = 48;
constexpr int kFrameTop = 8;
constexpr int kFrameHeight = 113;

constexpr wchar_t kFileFilter[] = L"Tous les fichiers (*.*)\0*.*\0Fichiers texte (*.txt)\0*.txt\0";
constexpr wchar_t kProposedFileName[] = L"Macro_01.txt";
constexpr wchar_t kTimeBaseRefused[] =
    L"La base de temps doit être un nombre entier de millisecondes, de 1 à 65535.";

// The longest a replay tick waits for its keys to be taken in: a hung or very slow target
// delays the replay by this much at most for each key event.
constexpr DWORD kKeyWaitLimitMs = 1000;

// Posted when BaseTemps lost the focus: its text is checked once the focus has settled.
constexpr UINT kCheckTimeBaseMessage = WM_APP + 1;

class AsyncKeyState final : public KeyStateSource {
public:
    std::int16_t asyncKeyState(int virtualKey) override { return GetAsyncKeyState(virtualKey); }
};

constexpr std::int64_t kCountShownEveryMicros = 100'000;

std::int64_t nowMicros() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? f.QuadPart : 1;
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::int64_t>(static_cast<long double>(counter.QuadPart) * 1'000'000 / frequency);
}

bool isActiveMode(std::wstring_view mode) {
    return CompareStringOrdinal(mode.data(), static_cast<int>(mode.size()), L"ACTIF", 5, TRUE) == CSTR_EQUAL;
}

std::string asciiText(const std::wstring& text) {
    // Only digits and blanks make a time base; anything else stays something it cannot parse.
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace

RecorderWindow::RecorderWindow(HINSTANCE instance, std::wstring programFolder)
    : instance_(instance), programFolder_(std::move(programFolder)), progress_(instance) {}

RecorderWindow::~RecorderWindow() { close(); }

void RecorderWindow::show() {
    if (!ensureLoaded()) return;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void RecorderWindow::close() {
    if (window_) DestroyWindow(window_);
}

bool RecorderWindow::translateDialogMessage(MSG& message) {
    if (!window_ || !message.hwnd || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
    return IsDialogMessageW(window_, &message) != FALSE;
}

// ---- The window and its controls ----

bool RecorderWindow::ensureLoaded() { return window_ || createWindow(); }

bool RecorderWindow::createWindow() {
    if (!registerClass(instance_, kRecorderWindowClass, LoadIconW(instance_, MAKEINTRESOURCEW(1)))) return false;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    unique_hmenu menuBar(CreateMenu());
    HMENU fileMenu = CreatePopupMenu();
    if (!menuBar || !fileMenu || !AppendMenuW(menuBar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu),
                                              L"&Fichier")) {
        if (fileMenu) DestroyMenu(fileMenu);
        return false;
    }
    AppendMenuW(fileMenu, MF_STRING, kMenuLoad, L"&Charger une macro");
    AppendMenuW(fileMenu, MF_STRING, kMenuSave, L"&Sauver une macro");
    AppendMenuW(fileMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(fileMenu, MF_STRING, kMenuExit, L"&Quitter");

    PerMonitorDpiScope dpiScope;
    // Fixed size, no minimise or maximise button.
    // Not clipping its children: the frame paints no inside, the window paints it.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    if (!WindowBase::createWindow(WS_EX_CONTROLPARENT, kRecorderWindowClass, kRecorderCaption, style, nullptr,
                                  menuBar.get(), instance_))
        return false;
    menuBar.release();  // the window's from here on
    layout_.start(window_);

    // The window's load: an empty macro, and the screen's size in pixels.
    macro_.clear();
    replay_ = Replay();
    createControls();
    SetWindowTextW(GetDlgItem(window_, kLblX), std::to_wstring(GetSystemMetrics(SM_CXSCREEN)).c_str());
    SetWindowTextW(GetDlgItem(window_, kLblY), std::to_wstring(GetSystemMetrics(SM_CYSCREEN)).c_str());
    goodPeriodMs_ = 10;
    layOut();
    return true;
}

void RecorderWindow::createControls() {
    const auto add = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id, RECT design,
                         DWORD exStyle = 0) {
        return layout_.addControl(className, text, WS_VISIBLE | style, id, design, exStyle);
    };
    const auto inFrame = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id, int left, int top,
                             int width, int height, DWORD exStyle = 0) {
        return add(className, text, style, id, DpiLayout::at(kFrameLeft + left, kFrameTop + top, width, height), exStyle);
    };
    // Creation order is the tab order: the time base, the two boxes, then the three buttons.
    add(WC_BUTTONW, L"Informations", BS_GROUPBOX, kFrame1, DpiLayout::at(kFrameLeft, kFrameTop, 193, kFrameHeight));
    inFrame(WC_STATICW, L"Echantillonnage :", SS_LEFT, kSamplingCaption, 8, 24, 105, 17);
    inFrame(WC_STATICW, L"", SS_LEFT, kLblMouvement, 120, 24, 65, 17);
    inFrame(WC_STATICW, L"Résolution :", SS_LEFT, kResolutionCaption, 8, 48, 105, 17);
    inFrame(WC_STATICW, L"", SS_LEFT, kLblX, 120, 48, 65, 17);
    inFrame(WC_STATICW, L"", SS_LEFT, kLblY, 120, 64, 65, 17);
    inFrame(WC_STATICW, L"Base de temps [ms] :", SS_LEFT, kTimeBaseCaption, 8, 80, 105, 17);
    inFrame(WC_EDITW, L"10", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kBaseTemps, 120, 80, 65, 19, WS_EX_CLIENTEDGE);
    HWND newCapture = add(WC_BUTTONW, L"Nouvelle capture à chaque fois", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX,
                          kChkCapture, DpiLayout::at(48, 128, 193, 25));
    HWND showBar = add(WC_BUTTONW, L"Afficher la barre de progression", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX,
                       kChkBarResult, DpiLayout::at(48, 152, 193, 17));
    SendMessageW(newCapture, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(showBar, BM_SETCHECK, BST_CHECKED, 0);
    add(WC_BUTTONW, L"&Capturer", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, kCmdCapture, DpiLayout::at(32, 184, 65, 25));
    add(WC_BUTTONW, L"&Exécuter", WS_TABSTOP | WS_GROUP | WS_DISABLED | BS_PUSHBUTTON, kCmdResult,
        DpiLayout::at(112, 184, 65, 25));
    add(WC_BUTTONW, L"&Arrêter", WS_TABSTOP | WS_GROUP | WS_DISABLED | BS_PUSHBUTTON, kCmdStop,
        DpiLayout::at(192, 184, 65, 25));
    lastFocus_ = GetDlgItem(window_, kCmdCapture);
}

void RecorderWindow::layOut() {
    layout_.placeControls();
    fitCaptions();
    layout_.sizeWindow(kClientSize);
    // A menu bar that wraps at this width takes client height: the client area is what counts.
    RECT client{};
    RECT frame{};
    GetClientRect(window_, &client);
    GetWindowRect(window_, &frame);
    const int missing = layout_.scale(kClientSize.cy) - client.bottom;
    if (missing > 0)
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RecorderWindow::fitCaptions() {
    // The places were drawn for a narrower font than today's message fonts: a caption that
    // does not fit is widened rather than cut, up to what lies to its right (the frame's
    // fields, the client area's edge).
    HDC dc = GetDC(window_);
    if (!dc) return;
    HGDIOBJ oldFont = layout_.font() ? SelectObject(dc, layout_.font()) : nullptr;
    struct Fit {
        int id;
        int limit;  // the right-most x it may reach
        bool checkBox;
    };
    const int fieldLeft = kFrameLeft + 120 - 2;
    const Fit fits[] = {{kSamplingCaption, fieldLeft, false},
                        {kResolutionCaption, fieldLeft, false},
                        {kTimeBaseCaption, fieldLeft, false},
                        {kChkCapture, kClientSize.cx - 8, true},
                        {kChkBarResult, kClientSize.cx - 8, true}};
    for (const Fit& fit : fits) {
        HWND control = GetDlgItem(window_, fit.id);
        RECT place{};
        if (!control || !GetWindowRect(control, &place)) continue;
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
        const std::wstring caption = windowText(control);
        SIZE extent{};
        if (!GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent)) continue;
        // A check box's square and the gap after it.
        const int needed = extent.cx + layout_.scale(fit.checkBox ? 13 + 8 : 2);
        const int limit = layout_.scale(fit.limit) - place.left;
        const int width = std::min(std::max<int>(place.right - place.left, needed), limit);
        // A caption still too long wraps onto a second line below the first, inside the frame.
        const int frameInside = layout_.scale(kFrameTop + kFrameHeight) - layout_.scale(3) - place.top;
        const int height = !fit.checkBox && needed > limit
                               ? std::max<int>(place.bottom - place.top, std::min<int>((place.bottom - place.top) * 2, frameInside))
                               : place.bottom - place.top;
        if (width > place.right - place.left || height > place.bottom - place.top)
            SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (oldFont) SelectObject(dc, oldFont);
    ReleaseDC(window_, dc);
}

void RecorderWindow::onDpiChanged(int dpi, const RECT* suggested) {
    if (!layout_.changeDpi(dpi)) return;
    if (suggested)
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
}

void RecorderWindow::enable(int id, bool enabled) {
    HWND control = GetDlgItem(window_, id);
    if (!control) return;
    // A control that goes grey with the focus would leave the keyboard nowhere.
    if (!enabled && GetFocus() == control) {
        EnableWindow(control, FALSE);
        if (HWND next = GetNextDlgTabItem(window_, control, FALSE); next && next != control)
            SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        return;
    }
    EnableWindow(control, enabled);
}

bool RecorderWindow::checked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

// ---- Messages ----

LRESULT RecorderWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTimerCapture) onCaptureTick();
        else if (wParam == kTimerResult) onReplayTick();
        return 0;
    case kCheckTimeBaseMessage:
        checkTimeBase();
        return 0;
    case WM_ACTIVATE:
        // The keyboard comes back to the control that had it, as in a dialog.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wParam)) {
            HWND target = lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)
                              ? lastFocus_
                              : GetNextDlgTabItem(window_, nullptr, FALSE);
            if (target) SetFocus(target);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Labels, boxes and the frame lie on the window's own background.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
        close();
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_DISPLAYCHANGE:
        captureScreen_ = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        break;
    case WM_DPICHANGED:
        onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return defaultHandling(message, wParam, lParam);
}

void RecorderWindow::onCommand(int id, int code) {
    switch (id) {
    case kCmdCapture:
        if (code == BN_CLICKED) cmdCapture_Click();
        break;
    case kCmdResult:
        if (code == BN_CLICKED) cmdResult_Click();
        break;
    case kCmdStop:
        if (code == BN_CLICKED) cmdStop_Click();
        break;
    case kBaseTemps:
        // Checked once the focus has gone where it was going, not in the middle of the move.
        if (code == EN_KILLFOCUS && !timeBaseCheckPending_) {
            timeBaseCheckPending_ = true;
            PostMessageW(window_, kCheckTimeBaseMessage, 0, 0);
        }
        break;
    case kMenuLoad:
        loadMacro(L"ACTIF", L"");
        break;
    case kMenuSave:
        saveMacro();
        break;
    case kMenuExit:
        close();
        break;
    default:
        break;
    }
}

void RecorderWindow::onDestroy() {
    // The macro goes with the window; nothing it started may outlive it.
    stopCapture();
    stopReplay();
    progress_.destroy();
    useFineTimer(false);
    layout_.clear();
    lastFocus_ = nullptr;
    timeBaseCheckPending_ = false;
    macro_.clear();
}

// ---- The time base ----

std::uint32_t RecorderWindow::periodMs() {
    if (window_)
        if (const auto value = parseTimeBase(asciiText(windowText(GetDlgItem(window_, kBaseTemps)))))
            goodPeriodMs_ = *value;
    return goodPeriodMs_;
}

void RecorderWindow::checkTimeBase() {
    timeBaseCheckPending_ = false;
    if (!window_) return;
    HWND field = GetDlgItem(window_, kBaseTemps);
    if (parseTimeBase(asciiText(windowText(field)))) {
        periodMs();
        return;
    }
    // A period of 0 would never tick and one past 65535 would not be what was typed: the field
    // gets its last good value back.
    SetWindowTextW(field, std::to_wstring(goodPeriodMs_).c_str());
    MessageBoxW(window_, kTimeBaseRefused, L"ERREUR", MB_OK | MB_ICONEXCLAMATION);
    if (window_ && (field = GetDlgItem(window_, kBaseTemps))) {
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
    }
}

void RecorderWindow::armTimer(UINT_PTR id, std::uint32_t delayMs) {
    if (!window_) return;
    // The platform's timer runs on at its interval by itself, each tick due one interval after
    // the last one was due: left alone it keeps to the deadlines, while setting it again starts
    // the interval from now and loses the time the tick took (a quarter of a millisecond a tick
    // under Wine). So it is set again only when the next deadline is more than a millisecond
    // off the interval it runs at (the pacer rounds up). It never ticks sooner than
    // USER_TIMER_MINIMUM (10 ms): a shorter delay, which only a late tick asks for, could not be
    // had by setting it again.
    std::uint32_t& armed = id == kTimerCapture ? armedCaptureMs_ : armedReplayMs_;
    const std::uint32_t delay = std::max<std::uint32_t>(delayMs, USER_TIMER_MINIMUM);
    if (armed && delay >= armed && delay <= armed + 1) return;
    if (SetTimer(window_, id, delay, nullptr)) armed = delay;
}

void RecorderWindow::stopTimer(UINT_PTR id) {
    if (window_) KillTimer(window_, id);
    (id == kTimerCapture ? armedCaptureMs_ : armedReplayMs_) = 0;
}

void RecorderWindow::useFineTimer(bool on) {
    if (on == fineTimer_) return;
    if (on ? timeBeginPeriod(1) == TIMERR_NOERROR : timeEndPeriod(1) == TIMERR_NOERROR) fineTimer_ = on;
    else if (!on) fineTimer_ = false;
}

// ---- Capture ----

void RecorderWindow::cmdCapture_Click() {
    if (!ensureLoaded()) return;
    if (checked(kChkCapture)) macro_.clear();
    // "&Arrêter" first, so that the focus leaving "&Capturer" can go to it.
    enable(kCmdStop, true);
    enable(kCmdCapture, false);
    enable(kCmdResult, false);
    EnableMenuItem(GetMenu(window_), kMenuSave, MF_BYCOMMAND | MF_ENABLED);
    // A replay cut off here lets go of what it holds, and its progress window with it.
    if (replaying_) progress_.show(false);
    stopReplay();

    const std::uint32_t period = periodMs();
    capturing_ = true;
    captureFirstSlot_ = 0;
    captureScreen_ = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    countShownMicros_ = 0;
    useFineTimer(true);
    capturePacer_.start(nowMicros(), static_cast<std::int64_t>(period) * 1000);
    stopTimer(kTimerCapture);
    armTimer(kTimerCapture, period);
}

void RecorderWindow::stopCapture() {
    stopTimer(kTimerCapture);
    capturing_ = false;
    if (!replaying_) useFineTimer(false);
}

void RecorderWindow::onCaptureTick() {
    if (!capturing_) {
        stopTimer(kTimerCapture);
        return;
    }
    // No sample while a file dialog is up: the clicks in it are not the macro's.
    if (!inFileDialog_) {
        // Where the cursor cannot be read (a secure desktop), it stays where it was last seen.
        POINT cursor = lastCursor_;
        if (GetCursorPos(&cursor)) lastCursor_ = cursor;
        AsyncKeyState keys;
        const bool taken = captureTick(macro_, ScreenPoint{cursor.x, cursor.y}, captureScreen_, keys);
        if (taken && captureFirstSlot_ == 0) captureFirstSlot_ = macro_.slotCount();
        // The stop shows the final count.
        if (const std::int64_t now = nowMicros(); now - countShownMicros_ >= kCountShownEveryMicros) {
            countShownMicros_ = now;
            SetWindowTextW(GetDlgItem(window_, kLblMouvement), std::to_wstring(macro_.slotCount()).c_str());
        }
        if (!taken) {
            // The macro is full.
            cmdStop_Click();
            return;
        }
    }
    armTimer(kTimerCapture, capturePacer_.nextDelayMs(nowMicros()));
}

std::int32_t RecorderWindow::trailingClicksOnWindow() const {
    if (!window_ || captureFirstSlot_ <= 0) return 0;
    RECT bounds{};
    if (!GetWindowRect(window_, &bounds)) return 0;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    std::int32_t count = 0;
    for (std::int32_t slot = macro_.slotCount(); slot >= captureFirstSlot_; --slot) {
        const MouseSample sample = macro_.mouse(slot);
        // Back from 0..65535 to the pixel it was taken at.
        const POINT at{static_cast<LONG>(pixelForAbsolute(sample.x, width)),
                       static_cast<LONG>(pixelForAbsolute(sample.y, height))};
        if (sample.button == 0 || !PtInRect(&bounds, at)) break;
        ++count;
    }
    return count;
}

// ---- Replay ----

void RecorderWindow::cmdResult_Click() {
    if (!ensureLoaded()) return;
    const bool showBar = checked(kChkBarResult);
    progress_.create(showBar);
    progress_.show(showBar);
    enable(kCmdStop, false);
    stopCapture();
    // A restart lets go of what the run it cuts off holds.
    stopReplay();

    const std::uint32_t period = periodMs();
    replay_.start();
    replaying_ = true;
    ++replayGeneration_;
    useFineTimer(true);
    replayPacer_.start(nowMicros(), static_cast<std::int64_t>(period) * 1000);
    stopTimer(kTimerResult);
    armTimer(kTimerResult, period);
}

void RecorderWindow::stopReplay() {
    stopTimer(kTimerResult);
    if (replaying_) {
        replaying_ = false;
        ++replayGeneration_;
    }
    sendButtonEvents(replay_.releaseHeld());
    if (!capturing_) useFineTimer(false);
}

void RecorderWindow::play(const SlotPlay& slot) {
    sendMouse(slot.x, slot.y, slot.buttonEvent);
    // A text the keystroke syntax refuses is not typed, and the replay goes on.
    if (!slot.keystrokes.empty()) typeKeystrokes(slot.keystrokes, kKeyWaitLimitMs);
}

void RecorderWindow::onReplayTick() {
    if (!replaying_) {
        stopTimer(kTimerResult);
        return;
    }
    if (inFileDialog_) {
        armTimer(kTimerResult, replayPacer_.nextDelayMs(nowMicros()));
        return;
    }
    const unsigned generation = replayGeneration_;
    const Replay::Tick tick = replay_.tick(macro_);
    if (tick.play) play(*tick.play);
    // Waiting for the keys let messages through: the window may have closed, or the replay
    // been restarted or cut off by a capture meanwhile.
    if (!window_ || generation != replayGeneration_) return;
    if (tick.finished) {
        stopReplay();
        progress_.show(false);
        cmdStop_Click();
        progress_.setValue(tick.progress);
        return;
    }
    progress_.setValue(tick.progress);
    armTimer(kTimerResult, replayPacer_.nextDelayMs(nowMicros()));
}

void RecorderWindow::cmdStop_Click() {
    if (!ensureLoaded()) return;
    stopTimer(kTimerCapture);
    if (capturing_) {
        // The click on "&Arrêter" is no part of the macro. The last slot of a capture is never
        // played, so the first slot of the click can stay as that last slot.
        const std::int32_t clicks = trailingClicksOnWindow();
        if (clicks > 1) macro_.dropLastSlots(clicks - 1);
        SetWindowTextW(GetDlgItem(window_, kLblMouvement), std::to_wstring(macro_.slotCount()).c_str());
    }
    stopCapture();
    progress_.setValue(0);
    progress_.show(false);
    enable(kCmdCapture, true);
    enable(kCmdResult, true);
    enable(kCmdStop, false);
}

// ---- Files ----

bool RecorderWindow::chooseFile(bool save, std::wstring& path) {
    std::vector<wchar_t> buffer(32768, L'\0');
    if (save) lstrcpynW(buffer.data(), kProposedFileName, static_cast<int>(buffer.size()));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = kFileFilter;
    dialog.nFilterIndex = 2;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    // Saving over an existing macro asks first.
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (save) dialog.lpstrDefExt = L"txt";
    inFileDialog_ = true;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    inFileDialog_ = false;
    if (!chosen || !window_) return false;
    path = buffer.data();
    return !path.empty();
}

bool RecorderWindow::loadMacro(std::wstring_view mode, std::wstring_view fileName) {
    if (!ensureLoaded()) return false;
    const bool active = isActiveMode(mode);
    std::wstring path;
    if (active) {
        if (!chooseFile(false, path)) return false;
    } else {
        path = macroFilePath(programFolder_, fileName);
    }
    // Read whole and parsed before anything changes: a failed load leaves the macro as it was.
    const std::optional<std::string> bytes = readFileBytes(path, kMaxMacroFileBytes);
    if (!bytes) return false;
    std::optional<Macro> loaded = parseMacroFile(*bytes);
    if (!loaded || !window_) return false;

    // The replay in progress played the macro being replaced.
    if (replaying_) {
        stopReplay();
        cmdStop_Click();
    }
    macro_ = std::move(*loaded);
    // A capture running on appends after the loaded events.
    captureFirstSlot_ = 0;
    enable(kCmdResult, true);
    if (!active) cmdResult_Click();
    return true;
}

void RecorderWindow::saveMacro() {
    std::wstring path;
    if (!chooseFile(true, path)) return;
    if (writeFileBytes(path, macroFileText(macro_))) return;
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::wstring reason = text ? text : L"";
    if (text) LocalFree(text);
    MessageBoxW(window_,
                (L"La macro n'a pas pu être enregistrée dans " + path + L" (erreur " + std::to_wstring(error) +
                 L")\u00a0; le fichier qui s'y trouvait est resté tel quel.\n" + reason).c_str(),
                L"ERREUR", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tolvare::macro
