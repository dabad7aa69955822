// The recorder window frmMacro and its progress window frmBarResult, hosted in this program as
// PLENAR hosts them: real windows, the real cursor moved, real clicks and keys injected and read
// back by test windows, real file dialogs answered from a watcher thread.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/testing/message_box_watcher.h"
#include "common/win32/testing/top_level_windows.h"
#include "macro/app/recorder_ids.h"
#include "macro/app/recorder_window.h"
#include "common/win32/window_metrics.h"
#include "macro/core/capture.h"
#include "macro/core/macro.h"

namespace {

using namespace tolvare::macro;
using tolvare::windowDpi;

// ---- Messages and waiting ----

RecorderWindow* gHost = nullptr;  // the recorder whose dialog keys the loop routes

void pumpOnce() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (gHost && gHost->translateDialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Runs this thread's messages (the recorder's timers tick in them) until `done` or the time-out.
bool waitFor(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        pumpOnce();
        if (done()) return true;
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void pumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    waitFor([&] { return GetTickCount64() >= end; }, ms + 1000);
}

// ---- Input as a user gives it ----

int screenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int screenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void injectMouse(DWORD flags, POINT at = {-1, -1}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (at.x >= 0) {
        input.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        // The middle of the pixel's range of absolute coordinates lands on it.
        input.mi.dx = static_cast<LONG>((2LL * at.x + 1) * 65536 / (2LL * screenWidth()));
        input.mi.dy = static_cast<LONG>((2LL * at.y + 1) * 65536 / (2LL * screenHeight()));
    }
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

void injectKey(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

bool buttonDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

POINT cursor() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

bool closeTo(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

POINT centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// ---- A test window on a thread of its own: another program's window, as far as the recorder
// can tell. It records the mouse it receives and holds a multi-line edit to type into. ----

class TargetWindow {
public:
    struct Seen {
        UINT message;
        POINT at;  // screen pixels
    };

    explicit TargetWindow(RECT bounds) : thread_([this, bounds] { run(bounds); }) {
        while (!ready_) Sleep(5);
    }
    ~TargetWindow() {
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }

    HWND window() const { return window_; }
    HWND edit() const { return edit_; }

    // Brings the window to the front with the keyboard in its edit, emptied.
    void focusEdit() {
        SendMessageW(window_, kFocusEdit, 0, 0);
        waitFor([&] { return GetForegroundWindow() == window_; }, 5000);
    }
    std::wstring text() const {
        wchar_t buffer[512] = {};
        SendMessageW(edit_, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    std::vector<Seen> seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }
    std::vector<Seen> clicks() {
        std::vector<Seen> out;
        for (const Seen& s : seen())
            if (s.message != WM_MOUSEMOVE) out.push_back(s);
        return out;
    }
    // A point of its client area above the edit, in screen pixels.
    POINT clientPoint(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(window_, &p);
        return p;
    }

private:
    static constexpr UINT kFocusEdit = WM_APP + 7;

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TargetWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            self = static_cast<TargetWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        switch (message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &at);
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->seen_.push_back({message, at});
            return 0;
        }
        case WM_ACTIVATE:
            // Like any program with a text field, it gives the keyboard back to its field when it
            // is activated again (the replayed click re-activates it when another window took
            // the activation meanwhile).
            if (LOWORD(wParam) != WA_INACTIVE && self && self->edit_) {
                SetFocus(self->edit_);
                return 0;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        case kFocusEdit:
            SetForegroundWindow(window);
            SetActiveWindow(window);
            SetFocus(self->edit_);
            SetWindowTextW(self->edit_, L"");
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    void run(RECT bounds) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = L"RecorderTestTarget";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"RecorderTestTarget", L"Cible", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                  bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                  nullptr, nullptr, windowClass.hInstance, this);
        RECT client{};
        GetClientRect(window_, &client);
        edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN,
                                10, client.bottom / 2, client.right - 20, client.bottom / 2 - 10, window_, nullptr,
                                windowClass.hInstance, nullptr);
        ready_ = true;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        window_ = nullptr;
    }

    std::atomic<bool> ready_{false};
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
    std::mutex mutex_;
    std::vector<Seen> seen_;
    std::thread thread_;
};

// ---- Macro files ----

struct Event {
    int button = 0;
    POINT at{};
    int key = 0;
    int alt = 0;
    int ctrl = 0;
    int shift = 0;
};

// The file of `events` at ticks 0.., with T one past the last tick, as a capture saves it.
std::string macroFile(const std::vector<Event>& events) {
    std::string text = std::to_string(events.size()) + "," + std::to_string(events.size() + 1) + "\r\n";
    int tick = 0;
    for (const Event& e : events) {
        char line[128];
        std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%d,%d,%d\r\n", e.button, tick++,
                      scaleToAbsolute(e.at.x, screenWidth()), scaleToAbsolute(e.at.y, screenHeight()), e.key,
                      e.alt, e.ctrl, e.shift);
        text += line;
    }
    return text;
}

// The test's own folder, emptied: Wine gives its processes small identifiers again from one run
// to the next, and a file an earlier process left (a saved macro) would make the save dialog ask
// whether to replace it, a question no case answers.
std::wstring tempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"recorder_test_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return folder;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ---- The common file dialog, answered as a user does ----

struct SeenDialog {
    std::wstring fileName;   // what the name field proposed
    std::wstring fileType;   // the type selected
    bool answered = false;
};

// Watches for this process's file dialog, reads it, types `path` in (empty: cancels) and
// confirms.
class FileDialogWatcher {
public:
    explicit FileDialogWatcher(std::wstring path) : thread_([this, path] { watch(path); }) {}
    ~FileDialogWatcher() { thread_.join(); }
    SeenDialog wait() {
        thread_.join();
        thread_ = std::thread([] {});
        return seen_;
    }

private:
    static std::wstring itemText(HWND box, int id) {
        HWND item = GetDlgItem(box, id);
        if (!item) return {};
        wchar_t text[1024] = {};
        SendMessageW(item, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
        return text;
    }
    void watch(const std::wstring& path) {
        const ULONGLONG end = GetTickCount64() + 20000;
        while (GetTickCount64() < end) {
            HWND box = tolvare::testing::findTopLevel(GetCurrentProcessId(), L"#32770", {}, nullptr, true);
            // The name field: the combo box of the explorer-style dialog (cmb13), or its edit.
            const int nameId = GetDlgItem(box, 1148) ? 1148 : 1152;
            if (box && GetDlgItem(box, nameId) && GetDlgItem(box, IDOK)) {
                Sleep(200);  // let the dialog finish filling its fields
                seen_.fileName = itemText(box, nameId);
                HWND types = GetDlgItem(box, 1136);  // cmb1, the file types
                if (types) {
                    const LRESULT index = SendMessageW(types, CB_GETCURSEL, 0, 0);
                    wchar_t text[256] = {};
                    if (index >= 0) SendMessageW(types, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
                    seen_.fileType = text;
                }
                if (path.empty()) {
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                } else {
                    SendMessageW(GetDlgItem(box, nameId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
                }
                seen_.answered = true;
                return;
            }
            Sleep(50);
        }
    }

    SeenDialog seen_;
    std::thread thread_;
};

// ---- The fixture: a recorder hosted in this program, a target window beside it ----

class RecorderWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = tempFolder();
        recorder_ = std::make_unique<RecorderWindow>(GetModuleHandleW(nullptr), folder_);
        gHost = recorder_.get();
        // Both off the progress window's corner (bottom right) and off each other.
        target_ = std::make_unique<TargetWindow>(RECT{520, 60, 920, 400});
        // Nothing held from a test before.
        for (int key : {VK_LBUTTON, VK_RBUTTON, VK_SHIFT})
            if (buttonDown(key)) {
                if (key == VK_LBUTTON) injectMouse(MOUSEEVENTF_LEFTUP);
                else if (key == VK_RBUTTON) injectMouse(MOUSEEVENTF_RIGHTUP);
                else injectKey(VK_SHIFT, true);
            }
    }
    void TearDown() override {
        recorder_.reset();
        gHost = nullptr;
        target_.reset();
        pumpOnce();
    }

    HWND recorderWindow() const { return recorder_->window(); }
    HWND item(int id) const { return GetDlgItem(recorder_->window(), id); }
    std::wstring text(int id) const { return tolvare::testing::windowText(item(id)); }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    // Capturer, Exécuter, Arrêter.
    std::string buttons() const {
        std::string s;
        for (int id : {kCmdCapture, kCmdResult, kCmdStop}) s += enabled(id) ? '1' : '0';
        return s;
    }
    std::wstring file(const wchar_t* name) const { return folder_ + L"\\" + name; }
    void setTimeBase(const wchar_t* text) { SetWindowTextW(item(kBaseTemps), text); }
    void tick(int id, bool on) { SendMessageW(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    bool replayEnds(DWORD timeoutMs = 20000) {
        return waitFor([&] { return !recorder_->replaying(); }, timeoutMs);
    }

    std::wstring folder_;
    std::unique_ptr<RecorderWindow> recorder_;
    std::unique_ptr<TargetWindow> target_;
};

// ---- The window as it opens ----

TEST_F(RecorderWindowTest, OpensWithItsCaptionControlsMenuAndTheScreensSize) {
    EXPECT_EQ(recorderWindow(), nullptr) << "nothing before the first show";
    recorder_->show();
    HWND window = recorderWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
    EXPECT_EQ(tolvare::testing::windowText(window), L"Enregistreur de Macros");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << "fixed size, no minimise or maximise";
    EXPECT_TRUE(style & WS_SYSMENU);

    // The client area and the controls' places: twips / 15 at 96 DPI.
    const int dpi = windowDpi(window);
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, px(4605));
    EXPECT_EQ(client.bottom, px(3750));
    const auto placeOf = [&](int id) {
        RECT r{};
        GetWindowRect(item(id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    struct Expected {
        int id;
        const wchar_t* caption;
        int left, top, width, height;
    };
    const Expected controls[] = {
        {kFrame1, L"Informations", 720, 120, 2895, 1695},
        {kSamplingCaption, L"Echantillonnage :", 840, 480, 1575, 255},
        {kLblMouvement, L"", 2520, 480, 975, 255},
        {kResolutionCaption, L"Résolution :", 840, 840, 1575, 255},
        {kLblX, nullptr, 2520, 840, 975, 255},
        {kLblY, nullptr, 2520, 1080, 975, 255},
        {kTimeBaseCaption, L"Base de temps [ms] :", 840, 1320, 1575, 255},
        {kBaseTemps, L"10", 2520, 1320, 975, 285},
        {kChkCapture, L"Nouvelle capture à chaque fois", 720, 1920, 2895, 375},
        {kChkBarResult, L"Afficher la barre de progression", 720, 2280, 2895, 255},
        {kCmdCapture, L"&Capturer", 480, 2760, 975, 375},
        {kCmdResult, L"&Exécuter", 1680, 2760, 975, 375},
        {kCmdStop, L"&Arrêter", 2880, 2760, 975, 375},
    };
    for (const Expected& c : controls) {
        SCOPED_TRACE(c.id);
        ASSERT_NE(item(c.id), nullptr);
        if (c.caption) {
            EXPECT_EQ(text(c.id), c.caption);
        }
        const RECT r = placeOf(c.id);
        EXPECT_EQ(r.left, px(c.left));
        EXPECT_EQ(r.top, px(c.top));
        // Captions may be widened to fit today's fonts, never narrowed.
        const bool caption = c.id == kSamplingCaption || c.id == kResolutionCaption || c.id == kTimeBaseCaption ||
                             c.id == kChkCapture || c.id == kChkBarResult;
        if (caption) {
            EXPECT_GE(r.right - r.left, px(c.width));
            EXPECT_GE(r.bottom - r.top, px(c.height));
        } else {
            EXPECT_EQ(r.right - r.left, px(c.width));
        }
        if (!caption) {
            EXPECT_EQ(r.bottom - r.top, px(c.height));
        }
    }
    EXPECT_EQ(text(kLblX), std::to_wstring(screenWidth()));
    EXPECT_EQ(text(kLblY), std::to_wstring(screenHeight()));
    EXPECT_EQ(IsDlgButtonChecked(window, kChkCapture), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(window, kChkBarResult), BST_CHECKED);
    EXPECT_EQ(buttons(), "100") << "only Capturer (and the menu) usable at first";

    // The menu.
    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    wchar_t caption[64] = {};
    GetMenuStringW(bar, 0, caption, 64, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"&Fichier");
    HMENU fileMenu = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(fileMenu), 4);
    const wchar_t* items[] = {L"&Charger une macro", L"&Sauver une macro", nullptr, L"&Quitter"};
    for (int i = 0; i < 4; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoW(fileMenu, i, TRUE, &info);
        if (!items[i]) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR);
            continue;
        }
        GetMenuStringW(fileMenu, i, caption, 64, MF_BYPOSITION);
        EXPECT_STREQ(caption, items[i]);
        EXPECT_FALSE(info.fState & MFS_DISABLED) << i;
    }

    // Tab order: the time base, the two boxes, the buttons that are usable.
    std::vector<int> order;
    HWND at = item(kBaseTemps);
    for (int i = 0; i < 5; ++i) {
        order.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(window, at, FALSE);
    }
    EXPECT_EQ(order, (std::vector<int>{kBaseTemps, kChkCapture, kChkBarResult, kCmdCapture, kBaseTemps}));

    // "&Quitter" closes it; it comes back fresh.
    SendMessageW(window, WM_COMMAND, kMenuExit, 0);
    EXPECT_EQ(recorderWindow(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    recorder_->show();
    EXPECT_NE(recorderWindow(), nullptr);
    EXPECT_EQ(buttons(), "100");
}

// ---- Replay ----

TEST_F(RecorderWindowTest, ReplayMovesTheCursorClicksAndTypesIntoAnotherWindow) {
    const POINT a = target_->clientPoint(40, 30), b = target_->clientPoint(200, 60), c = target_->clientPoint(300, 90);
    // Three places, a left click at b, then keys: Shift+H, I, I again after a release (typed
    // twice), Enter, é (no key for it on the layout: sent as a character), 1 held over two events
    // (typed once).
    std::vector<Event> events = {{0, a}, {0, b}, {1, b}, {1, b}, {0, c}};
    const auto key = [&](int code, int shift = 0) {
        Event e{0, c, code};
        e.shift = shift;
        events.push_back(e);
    };
    key(72, 16), key(73), key(0), key(73), key(13), key(233), key(49), key(49), key(0);
    writeFile(file(L"replay.txt"), macroFile(events));

    recorder_->show();
    target_->focusEdit();
    setTimeBase(L"30");
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", L"replay.txt"));
    EXPECT_TRUE(recorder_->replaying());
    // The cursor visits the recorded places in order.
    std::vector<POINT> visited;
    const auto sawVisit = [&](POINT p) {
        return waitFor([&] {
            if (closeTo(cursor(), p)) visited.push_back(p);
            return !visited.empty() && closeTo(visited.back(), p);
        });
    };
    EXPECT_TRUE(sawVisit(a));
    EXPECT_TRUE(sawVisit(b));
    EXPECT_TRUE(sawVisit(c));
    ASSERT_TRUE(replayEnds());
    EXPECT_TRUE(closeTo(cursor(), c));

    // One press and one release, at b, seen by the window under it.
    const auto clicks = target_->clicks();
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(clicks[1].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_TRUE(closeTo(clicks[0].at, b));
    EXPECT_FALSE(buttonDown(VK_LBUTTON));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(0, &gui);
    EXPECT_EQ(target_->text(), L"HII\r\n\u00e91") << "focus " << gui.hwndFocus << " active " << gui.hwndActive << " edit " << target_->edit() << " target " << target_->window() << " fg " << GetForegroundWindow();
    // The end puts the buttons back at rest.
    EXPECT_EQ(buttons(), "110");
}

TEST_F(RecorderWindowTest, TypesIntoItsOwnFieldWhenItHasTheKeyboard) {
    // The keys go to this very thread: the replay takes them in itself before its next event.
    writeFile(file(L"own.txt"), macroFile({{0, {5, 5}, 50}, {0, {5, 5}, 0}, {0, {5, 5}, 53}}));
    recorder_->show();
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == recorderWindow(); }));
    SetFocus(item(kBaseTemps));
    SendMessageW(item(kBaseTemps), EM_SETSEL, 0, -1);
    ASSERT_TRUE(recorder_->loadMacro(L"passif", L"own.txt"));
    ASSERT_TRUE(replayEnds());
    EXPECT_EQ(text(kBaseTemps), L"25");
}

TEST_F(RecorderWindowTest, ACutOffReplayLetsGoOfTheButtonsItPressed) {
    // A right button held over many events, then a left one pressed on top of it (a change
    // from one button straight to another leaves the first held).
    const POINT p = target_->clientPoint(100, 40);
    std::vector<Event> events(3, Event{2, p});
    for (int i = 0; i < 400; ++i) events.push_back({1, p});
    writeFile(file(L"held.txt"), macroFile(events));
    recorder_->show();

    const auto pressBoth = [&] {
        return waitFor([&] { return buttonDown(VK_LBUTTON) && buttonDown(VK_RBUTTON); });
    };
    // Cut off by closing the window.
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", file(L"held.txt")));
    ASSERT_TRUE(pressBoth());
    recorder_->close();
    EXPECT_FALSE(buttonDown(VK_LBUTTON));
    EXPECT_FALSE(buttonDown(VK_RBUTTON));
    EXPECT_EQ(recorder_->progressWindow(), nullptr) << "the progress window goes with the recorder";

    // Cut off by a restart, then by a capture.
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", file(L"held.txt")));
    ASSERT_TRUE(pressBoth());
    recorder_->cmdResult_Click();
    EXPECT_FALSE(buttonDown(VK_LBUTTON));
    EXPECT_FALSE(buttonDown(VK_RBUTTON));
    ASSERT_TRUE(pressBoth()) << "the restart presses them again";
    recorder_->cmdCapture_Click();
    EXPECT_FALSE(recorder_->replaying());
    EXPECT_FALSE(buttonDown(VK_LBUTTON));
    EXPECT_FALSE(buttonDown(VK_RBUTTON));
    EXPECT_FALSE(IsWindowVisible(recorder_->progressWindow()));
    recorder_->cmdStop_Click();

    // And at its end, a macro whose last event holds a button.
    events.resize(6);
    writeFile(file(L"held.txt"), macroFile(events));
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", file(L"held.txt")));
    ASSERT_TRUE(replayEnds());
    EXPECT_FALSE(buttonDown(VK_LBUTTON));
    EXPECT_FALSE(buttonDown(VK_RBUTTON));
}

TEST_F(RecorderWindowTest, TheProgressWindowIsTopmostNeverActivatedAndEndsHiddenAt100) {
    std::vector<Event> events(40, Event{0, target_->clientPoint(20, 20)});
    writeFile(file(L"bar.txt"), macroFile(events));
    recorder_->show();
    target_->focusEdit();

    // Ticked: shown on top of everything, the keyboard left where it was.
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", file(L"bar.txt")));
    HWND bar = recorder_->progressWindow();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(GetWindowLongW(bar, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongW(bar, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) << "borderless";
    EXPECT_EQ(GetForegroundWindow(), target_->window());
    HWND progress = GetDlgItem(bar, kBarResult);
    ASSERT_NE(progress, nullptr);
    RECT window{}, barRect{};
    GetClientRect(bar, &window);
    GetWindowRect(progress, &barRect);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&barRect), 2);
    const int dpi = windowDpi(bar);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.top, 0);
    EXPECT_EQ(barRect.right, MulDiv(2895, dpi, 1440));
    EXPECT_EQ(barRect.bottom, MulDiv(255, dpi, 1440));
    EXPECT_EQ(window.right, barRect.right) << "the window is the bar";
    EXPECT_EQ(window.bottom, barRect.bottom);
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 100);
    ASSERT_TRUE(replayEnds());
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100) << "T = S + 0: the last tick reaches 100";
    EXPECT_EQ(GetForegroundWindow(), target_->window());

    // Unticked: the window stays hidden while its bar advances.
    tick(kChkBarResult, false);
    setTimeBase(L"25");
    recorder_->cmdResult_Click();
    EXPECT_EQ(recorder_->progressWindow(), bar) << "made once";
    int seenMidway = 0;
    ASSERT_TRUE(waitFor([&] {
        const int pos = static_cast<int>(SendMessageW(progress, PBM_GETPOS, 0, 0));
        if (pos > 0 && pos < 100) seenMidway = pos;
        EXPECT_FALSE(IsWindowVisible(bar));
        return !recorder_->replaying();
    }));
    EXPECT_GT(seenMidway, 0);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100);
    EXPECT_FALSE(IsWindowVisible(bar));
}

TEST_F(RecorderWindowTest, AMacroWithoutEventsEndsWithoutPlaying) {
    writeFile(file(L"empty.txt"), "0,0\r\n");
    recorder_->show();
    const POINT before = cursor();
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", L"empty.txt"));
    EXPECT_EQ(recorder_->macro().slotCount(), 1);
    ASSERT_TRUE(replayEnds(5000));
    EXPECT_TRUE(closeTo(cursor(), before)) << "not even a move to the corner";
    EXPECT_EQ(buttons(), "110");
    // A window never captured replays the same way (S = 0).
    recorder_->close();
    recorder_->cmdResult_Click();
    ASSERT_TRUE(replayEnds(5000));
    EXPECT_TRUE(closeTo(cursor(), before));
}

// ---- Capture ----

TEST_F(RecorderWindowTest, CaptureRecordsTheMouseAndKeysAndLeavesOutTheStopClick) {
    recorder_->show();
    const POINT p1 = target_->clientPoint(50, 40), p2 = target_->clientPoint(250, 80);
    // A button already held when the capture starts: the first tick leaves it out.
    injectMouse(0, p1);
    target_->focusEdit();
    injectMouse(MOUSEEVENTF_LEFTDOWN);
    recorder_->cmdCapture_Click();
    EXPECT_EQ(buttons(), "001");
    EXPECT_TRUE(recorder_->capturing());
    const auto samples = [&] { return recorder_->macro().slotCount(); };
    ASSERT_TRUE(waitFor([&] { return samples() >= 4; }));
    injectMouse(MOUSEEVENTF_LEFTUP);
    injectMouse(0, p2);
    ASSERT_TRUE(waitFor([&, n = samples()] { return samples() >= n + 3; }));
    // Shift+A held over a few ticks, the keys going to the target's edit.
    injectKey(VK_SHIFT, false);
    injectKey('A', false);
    ASSERT_TRUE(waitFor([&, n = samples()] { return samples() >= n + 3; }));
    injectKey('A', true);
    injectKey(VK_SHIFT, true);
    ASSERT_TRUE(waitFor([&, n = samples()] { return samples() >= n + 3; }));
    // The label follows the count a few times a second while the capture runs.
    EXPECT_TRUE(waitFor([&] {
        const int shown = _wtoi(text(kLblMouvement).c_str());
        return shown > 10 && shown <= samples();
    })) << "the label counts the samples";

    // The user clicks "&Arrêter", holding the button over a few ticks.
    const POINT stop = centre(item(kCmdStop));
    injectMouse(0, stop);
    injectMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(waitFor([&, n = samples()] { return samples() >= n + 4; }));
    injectMouse(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(waitFor([&] { return !recorder_->capturing(); }));
    EXPECT_EQ(buttons(), "110");

    const Macro& macro = recorder_->macro();
    const std::int32_t events = macro.eventCount();
    ASSERT_GE(events, 8);
    EXPECT_EQ(text(kLblMouvement), std::to_wstring(macro.slotCount()));
    // Slot 1: at p1, the button held since before the capture left out.
    EXPECT_EQ(macro.mouse(1).x, scaleToAbsolute(p1.x, screenWidth()));
    EXPECT_EQ(macro.mouse(1).y, scaleToAbsolute(p1.y, screenHeight()));
    EXPECT_EQ(macro.mouse(1).button, 0);
    EXPECT_EQ(macro.mouse(1).tick, 0);
    EXPECT_EQ(macro.mouse(2).button, 1);
    bool sawKey = false, sawP2 = false;
    for (std::int32_t slot = 1; slot <= events; ++slot) {
        const MouseSample m = macro.mouse(slot);
        const KeySample k = macro.keys(slot);
        EXPECT_EQ(m.tick, slot - 1);
        if (m.x == scaleToAbsolute(p2.x, screenWidth()) && m.y == scaleToAbsolute(p2.y, screenHeight())) sawP2 = true;
        if (k.key == 'A') {
            sawKey = true;
            EXPECT_EQ(k.shift, 16);
            EXPECT_EQ(k.ctrl, 0);
            EXPECT_EQ(k.alt, 0);
        }
        // No replayed event holds a button over the recorder: the stop click is left out.
        RECT recorder{};
        GetWindowRect(recorderWindow(), &recorder);
        const POINT at{MulDiv(m.x, screenWidth(), 65535), MulDiv(m.y, screenHeight(), 65535)};
        if (m.button) {
            EXPECT_FALSE(PtInRect(&recorder, at)) << "slot " << slot;
        }
    }
    EXPECT_TRUE(sawP2);
    EXPECT_TRUE(sawKey);
    // The events end where the cursor went to click: the move to the button is kept.
    EXPECT_EQ(macro.mouse(macro.slotCount()).button, 1) << "the first sample of the click is the unplayed last one";
}

TEST_F(RecorderWindowTest, AppendingAfterALoadContinuesRightAfterTheLoadedEvents) {
    writeFile(file(L"three.txt"), macroFile({{0, {10, 10}}, {0, {20, 20}}, {0, {30, 30}}}));
    recorder_->show();
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", L"three.txt"));
    ASSERT_TRUE(replayEnds());
    tick(kChkCapture, false);
    injectMouse(0, target_->clientPoint(60, 60));
    recorder_->cmdCapture_Click();
    ASSERT_TRUE(waitFor([&] { return recorder_->macro().slotCount() >= 6; }));
    recorder_->cmdStop_Click();
    const Macro& macro = recorder_->macro();
    EXPECT_EQ(macro.mouse(3).x, scaleToAbsolute(30, screenWidth())) << "the loaded events stay";
    // Slot 4 is the first sample taken, not an empty slot that would replay as a jump to the
    // screen's corner; the tick numbers go on from the file's T.
    EXPECT_EQ(macro.mouse(4).x, scaleToAbsolute(target_->clientPoint(60, 60).x, screenWidth()));
    EXPECT_EQ(macro.mouse(4).tick, 4);
    EXPECT_EQ(macro.mouse(5).tick, 5);
}

// ---- Files ----

TEST_F(RecorderWindowTest, LoadsAndSavesThroughTheFileDialogs) {
    const std::string original = "3,7\r\n0,0,100,200,0,0,0,0\r\n1,1,30000,40000,65,18,17,16\r\n0,2,65535,65535,13,0,0,0\r\n";
    writeFile(file(L"original.txt"), original);
    recorder_->show();

    // "&Charger une macro": the open dialog, text files first; the file loads, no replay starts.
    FileDialogWatcher openAnswer(file(L"original.txt"));
    SendMessageW(recorderWindow(), WM_COMMAND, kMenuLoad, 0);
    const SeenDialog opened = openAnswer.wait();
    ASSERT_TRUE(opened.answered);
    EXPECT_EQ(opened.fileType, L"Fichiers texte (*.txt)");
    EXPECT_EQ(recorder_->macro().eventCount(), 3);
    EXPECT_FALSE(recorder_->replaying());
    EXPECT_EQ(recorder_->progressWindow(), nullptr);
    EXPECT_EQ(buttons(), "110") << "a load makes Exécuter usable and touches nothing else";

    // "&Sauver une macro": Macro_01.txt proposed, text files first; the same file comes out.
    FileDialogWatcher saveAnswer(file(L"copy.txt"));
    SendMessageW(recorderWindow(), WM_COMMAND, kMenuSave, 0);
    const SeenDialog saved = saveAnswer.wait();
    ASSERT_TRUE(saved.answered);
    EXPECT_EQ(saved.fileName, L"Macro_01.txt");
    EXPECT_EQ(saved.fileType, L"Fichiers texte (*.txt)");
    EXPECT_EQ(readFile(file(L"copy.txt")), original);

    // Always Macro_01.txt, whatever was saved before; a name without extension gets ".txt".
    FileDialogWatcher plainName(file(L"sansext"));
    SendMessageW(recorderWindow(), WM_COMMAND, kMenuSave, 0);
    EXPECT_EQ(plainName.wait().fileName, L"Macro_01.txt");
    EXPECT_EQ(readFile(file(L"sansext.txt")), original);

    // Cancelled: nothing written; a cancelled open (any letter case of ACTIF) loads nothing.
    DeleteFileW(file(L"copy.txt").c_str());
    FileDialogWatcher cancelSave(L"");
    SendMessageW(recorderWindow(), WM_COMMAND, kMenuSave, 0);
    EXPECT_TRUE(cancelSave.wait().answered);
    EXPECT_FALSE(fileExists(file(L"copy.txt")));
    FileDialogWatcher cancelOpen(L"");
    EXPECT_FALSE(recorder_->loadMacro(L"aCtIf", L"original.txt"));
    EXPECT_TRUE(cancelOpen.wait().answered) << "the open dialog came up, the file name was not used";
    EXPECT_EQ(recorder_->macro().eventCount(), 3);
}

BOOL CALLBACK addVisibleDialog(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t kind[16] = {};
    GetClassNameW(window, kind, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(kind) == L"#32770")
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The dialogs of this process now on screen: the file dialog, and the question it asks.
std::vector<HWND> visibleDialogs() {
    std::vector<HWND> found;
    EnumWindows(&addVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Saving over an existing macro asks first: refused, the file stays as it was; accepted, the
// new macro replaces it whole.
TEST_F(RecorderWindowTest, SavingOverAnExistingFileAsksFirst) {
    const std::string macroText = "3,7\r\n0,0,100,200,0,0,0,0\r\n1,1,30000,40000,65,18,17,16\r\n0,2,65535,65535,13,0,0,0\r\n";
    writeFile(file(L"macro.txt"), macroText);
    writeFile(file(L"existing.txt"), "ancien");
    recorder_->show();
    FileDialogWatcher openAnswer(file(L"macro.txt"));
    SendMessageW(recorderWindow(), WM_COMMAND, kMenuLoad, 0);
    ASSERT_TRUE(openAnswer.wait().answered);
    ASSERT_EQ(recorder_->macro().eventCount(), 3);
    for (const int answer : {IDNO, IDYES}) {
        std::atomic<bool> asked{false};
        std::thread user([&] {
            enum class Step { Name, Question, Cancel, Done } step = Step::Name;
            const ULONGLONG end = GetTickCount64() + 20000;
            while (step != Step::Done && GetTickCount64() < end) {
                Sleep(100);
                for (HWND box : visibleDialogs()) {
                    const bool question = GetDlgItem(box, IDNO) != nullptr;
                    const int nameId = GetDlgItem(box, 1148) ? 1148 : 1152;
                    if (step == Step::Question && question) {
                        asked = true;
                        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
                        step = answer == IDNO ? Step::Cancel : Step::Done;
                        Sleep(300);
                        break;
                    }
                    if (question || !GetDlgItem(box, nameId)) continue;
                    if (step == Step::Name) {
                        Sleep(200);
                        SendMessageW(GetDlgItem(box, nameId), WM_SETTEXT, 0,
                                     reinterpret_cast<LPARAM>(file(L"existing.txt").c_str()));
                        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                        step = Step::Question;
                        Sleep(300);
                        break;
                    }
                    if (step == Step::Cancel) {
                        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                        step = Step::Done;
                        break;
                    }
                }
            }
        });
        SendMessageW(recorderWindow(), WM_COMMAND, kMenuSave, 0);
        user.join();
        EXPECT_TRUE(asked) << answer;
        EXPECT_EQ(readFile(file(L"existing.txt")), answer == IDNO ? std::string("ancien") : macroText) << answer;
    }
}

TEST_F(RecorderWindowTest, AFailedLoadKeepsTheMacroInMemoryAndSaysNothing) {
    writeFile(file(L"good.txt"), macroFile({{0, target_->clientPoint(10, 10)}, {1, target_->clientPoint(20, 20)},
                                            {0, target_->clientPoint(30, 30)}}));
    writeFile(file(L"short.txt"), "5,6\r\n0,0,1,1,0,0,0,0\r\n0,1,1,1,0,0,0,0\r\n");
    writeFile(file(L"badfield.txt"), "2,3\r\n0,0,1,1,0,0,0,0\r\n0,1,1,x,0,0,0,0\r\n");
    writeFile(file(L"nocomma.txt"), "2 3\r\n");
    // A file past the size limit is refused unread (a sparse file: nothing to write).
    {
        HANDLE big = CreateFileW(file(L"huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(big, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(kMaxMacroFileBytes) + 1;
        SetFilePointerEx(big, size, nullptr, FILE_BEGIN);
        SetEndOfFile(big);
        CloseHandle(big);
    }
    recorder_->show();
    ASSERT_TRUE(recorder_->loadMacro(L"PASSIF", L"good.txt"));
    ASSERT_TRUE(replayEnds());
    const Macro before = recorder_->macro();
    const std::string state = buttons();
    for (const wchar_t* name : {L"missing.txt", L"short.txt", L"badfield.txt", L"nocomma.txt", L"huge.txt", L""}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        tolvare::testing::MessageBoxWatcher noBox(L"", IDOK, 300);
        EXPECT_FALSE(recorder_->loadMacro(L"PASSIF", name));
        EXPECT_FALSE(noBox.wait()) << "no message";
        EXPECT_FALSE(recorder_->replaying());
        EXPECT_TRUE(recorder_->macro() == before);
        EXPECT_EQ(recorder_->macro().slotCount(), before.slotCount());
        EXPECT_EQ(buttons(), state);
    }
    DeleteFileW(file(L"huge.txt").c_str());
}

TEST_F(RecorderWindowTest, ATimeBaseOutsideOneTo65535IsRefusedAndTheLastGoodOneComesBack) {
    recorder_->show();
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == recorderWindow(); }));
    const auto leaveField = [&](const wchar_t* typed) {
        SetFocus(item(kBaseTemps));
        setTimeBase(typed);
        tolvare::testing::MessageBoxWatcher box(L"ERREUR", IDOK, 3000);
        SetFocus(item(kChkCapture));
        pumpFor(100);
        const bool shown = box.wait();
        return std::make_pair(shown, box.seen().text);
    };
    for (const wchar_t* bad : {L"0", L"abc", L"65536", L"", L"-5", L"1.5"}) {
        SCOPED_TRACE(std::string(bad, bad + wcslen(bad)));
        const auto [shown, message] = leaveField(bad);
        EXPECT_TRUE(shown);
        EXPECT_NE(message.find(L"65535"), std::wstring::npos) << "the message says what is accepted";
        EXPECT_EQ(text(kBaseTemps), L"10");
    }
    EXPECT_FALSE(leaveField(L" 20 ").first) << "a good value is taken silently";
    EXPECT_FALSE(leaveField(L"65535").first);
    EXPECT_TRUE(leaveField(L"0").first);
    EXPECT_EQ(text(kBaseTemps), L"65535") << "the last good value, not the first";
}

// ---- At another DPI: a process of its own, started once the DPI setting is changed ----

constexpr wchar_t kDpiChildVariable[] = L"RECORDER_DPI_CHILD";

std::wstring programPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(RecorderDpi, At144DpiTheWindowScalesAndTheCursorLandsWhereItWasCaptured) {
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0, size = sizeof old, type = 0;
    const bool hadOld = RegQueryValueExW(desktop, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old),
                                         &size) == ERROR_SUCCESS;
    const DWORD dpi = 144;
    ASSERT_EQ(RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
              ERROR_SUCCESS);
    SetEnvironmentVariableW(kDpiChildVariable, L"144");
    std::wstring command = L"\"" + programPath() + L"\" --gtest_also_run_disabled_tests --gtest_filter=RecorderDpiChild.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableW(kDpiChildVariable, nullptr);
    DWORD exitCode = 1;
    if (started) {
        // Long enough for a cold 32-bit start under emulation.
        WaitForSingleObject(process.hProcess, 300000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (hadOld && type == REG_DWORD)
        RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    else
        RegDeleteValueW(desktop, L"LogPixels");
    RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the 144 DPI checks failed (their output is above)";
}

// Run only by the test above, in a process of its own.
TEST(RecorderDpiChild, DISABLED_CapturesAndReplaysInTheScreensPixels) {
    if (!GetEnvironmentVariableW(kDpiChildVariable, nullptr, 0)) GTEST_SKIP() << "run by RecorderDpi";
    RecorderWindow recorder(GetModuleHandleW(nullptr), tempFolder());
    gHost = &recorder;
    recorder.show();
    HWND window = recorder.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowDpi(window), 144);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(4605, 144, 1440));
    EXPECT_EQ(client.bottom, MulDiv(3750, 144, 1440));
    RECT button{};
    GetWindowRect(GetDlgItem(window, kCmdCapture), &button);
    EXPECT_EQ(button.right - button.left, MulDiv(975, 144, 1440));
    // The labels show the screen in its real pixels.
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(tolvare::testing::windowText(GetDlgItem(window, kLblX)), std::to_wstring(mode.dmPelsWidth));
    EXPECT_EQ(tolvare::testing::windowText(GetDlgItem(window, kLblY)), std::to_wstring(mode.dmPelsHeight));

    // Captured at a point far from the top-left corner, replayed from elsewhere: it lands there.
    const POINT spot{static_cast<LONG>(mode.dmPelsWidth * 3 / 4), static_cast<LONG>(mode.dmPelsHeight * 2 / 3)};
    injectMouse(0, spot);
    ASSERT_TRUE(waitFor([&] { return closeTo(cursor(), spot); }));
    recorder.cmdCapture_Click();
    ASSERT_TRUE(waitFor([&] { return recorder.macro().slotCount() >= 3; }));
    recorder.cmdStop_Click();
    injectMouse(0, POINT{10, 10});
    ASSERT_TRUE(waitFor([&] { return closeTo(cursor(), POINT{10, 10}); }));
    recorder.cmdResult_Click();
    ASSERT_TRUE(waitFor([&] { return !recorder.replaying(); }));
    EXPECT_TRUE(closeTo(cursor(), spot)) << cursor().x << "," << cursor().y << " instead of " << spot.x << "," << spot.y;
    recorder.close();
    gHost = nullptr;
}

// For a look at the windows: shows the recorder and the progress window and holds them on
// screen for RECORDER_HOLD_MS milliseconds, 10 s by default (run by hand, with
// --gtest_also_run_disabled_tests).
TEST(RecorderScreens, DISABLED_HoldForALook) {
    wchar_t hold[32] = {};
    if (!GetEnvironmentVariableW(L"RECORDER_HOLD_MS", hold, 32)) wcscpy(hold, L"10000");
    RecorderWindow recorder(GetModuleHandleW(nullptr), tempFolder());
    gHost = &recorder;
    recorder.show();
    recorder.cmdCapture_Click();
    pumpFor(500);
    recorder.cmdStop_Click();
    SetWindowTextW(GetDlgItem(recorder.window(), kBaseTemps), L"50");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(_wtoi(hold));
    while (GetTickCount64() < end) {
        if (!recorder.replaying()) recorder.cmdResult_Click();
        pumpFor(50);
    }
    gHost = nullptr;
}

}  // namespace
