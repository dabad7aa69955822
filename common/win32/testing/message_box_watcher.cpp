#include "common/win32/testing/message_box_watcher.h"

#include "common/win32/testing/top_level_windows.h"

namespace tolvare::testing {

namespace {

struct Contents {
    std::wstring text;
    bool hasIcon = false;
};

BOOL CALLBACK readChild(HWND child, LPARAM parameter) {
    auto* contents = reinterpret_cast<Contents*>(parameter);
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (std::wstring(className) != L"Static") return TRUE;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        // Some platforms keep an icon control in every box and hide it when there is no icon.
        if (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0)) contents->hasIcon = true;
    } else {
        wchar_t text[4096] = {};
        GetWindowTextW(child, text, 4096);
        if (text[0]) contents->text = text;
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(std::wstring caption, int answer, DWORD timeoutMs, DWORD processId)
    : thread_(&MessageBoxWatcher::watch, this, std::move(caption), answer, timeoutMs,
              processId ? processId : GetCurrentProcessId()) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (thread_.joinable()) thread_.join();
}

bool MessageBoxWatcher::wait() {
    if (thread_.joinable()) thread_.join();
    return answered_;
}

void MessageBoxWatcher::watch(std::wstring caption, int answer, DWORD timeoutMs, DWORD processId) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        // Suites run side by side on one desktop: another program's box is not ours to answer.
        if (HWND box = findTopLevel(processId, L"#32770", caption, nullptr, true)) {
            // A box can be visible a moment before its text is set: read until there is one.
            Contents contents;
            for (int attempt = 0; attempt < 50 && contents.text.empty(); ++attempt) {
                if (attempt > 0) Sleep(10);
                contents = Contents{};
                EnumChildWindows(box, readChild, reinterpret_cast<LPARAM>(&contents));
            }
            seen_ = {caption, contents.text, contents.hasIcon};
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
            answered_ = true;
            return;
        }
        Sleep(20);
    }
}

MessageBoxAnswerer::MessageBoxAnswerer() : thread_(&MessageBoxAnswerer::answerUntilStopped, this) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void MessageBoxAnswerer::answerUntilStopped() {
    const DWORD self = GetCurrentProcessId();
    while (!stop_) {
        if (HWND box = findTopLevel(self, L"#32770", {}, nullptr, true)) {
            // DM_GETDEFID names the default button; a box that answers nothing gets Cancel,
            // which every box with a single button takes as well.
            LRESULT reply = SendMessageW(box, DM_GETDEFID, 0, 0);
            int button = HIWORD(reply) == DC_HASDEFID ? int(LOWORD(reply)) : IDCANCEL;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
            ++answered_;
            // Let the box go before looking again, so that one box is not counted twice.
            for (int i = 0; i < 50 && IsWindow(box) && !stop_; ++i) Sleep(10);
        }
        Sleep(20);
    }
}

}  // namespace tolvare::testing
