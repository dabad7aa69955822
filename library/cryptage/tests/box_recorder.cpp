#include "library/cryptage/tests/box_recorder.h"

#include "common/win32/testing/top_level_windows.h"

namespace korvel_test {

namespace {

BOOL CALLBACK readStatic(HWND child, LPARAM parameter) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (std::wstring(className) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        wchar_t text[4096] = {};
        GetWindowTextW(child, text, 4096);
        if (text[0]) *reinterpret_cast<std::wstring*>(parameter) = text;
    }
    return TRUE;
}

}  // namespace

BoxRecorder::BoxRecorder(DWORD processId) : processId_(processId), thread_(&BoxRecorder::answerUntilStopped, this) {}

BoxRecorder::~BoxRecorder() {
    stop_ = true;
    thread_.join();
}

std::vector<std::wstring> BoxRecorder::texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void BoxRecorder::answerUntilStopped() {
    while (!stop_) {
        if (HWND box = tolvare::testing::findTopLevel(processId_, L"#32770", L"TOLVARE", nullptr, true)) {
            std::wstring text;
            EnumChildWindows(box, readStatic, reinterpret_cast<LPARAM>(&text));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            // The same box is never counted twice: wait until it is gone.
            for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
        }
        Sleep(10);
    }
}

}  // namespace korvel_test
