// PLENAR hands macros to its recorder window: a due "MACRO=" row, the "&Macros" menu, and a
// macro named on the command line, replayed into the real desktop of the test's X server.
#include "scheduler/tests/plenar_test_support.h"

#include "macro/app/recorder_ids.h"

namespace plenar_test {
namespace {

constexpr wchar_t kRecorderCaption[] = L"Enregistreur de Macros";

// The recorder window of PLENAR, visible or not.
HWND recorderWindow(DWORD processId) {
    return findTopLevel(processId, tolvare::macro::kRecorderWindowClass, kRecorderCaption);
}

// A macro of three moves ten milliseconds apart, ending at `last` (screen pixels).
std::string movesEndingAt(POINT last) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto absolute = [](int pixel, int extent) { return std::to_string(pixel * 65535 / extent); };
    std::string text = "3,3\r\n";
    const POINT points[] = {{40, 40}, {60, 50}, last};
    for (int i = 0; i < 3; ++i) {
        text += "0," + std::to_string(i) + "," + absolute(points[i].x, width) + "," +
                absolute(points[i].y, height) + ",0,0,0,0\r\n";
    }
    return text;
}

bool cursorNear(POINT expected) {
    POINT cursor{};
    GetCursorPos(&cursor);
    return std::abs(cursor.x - expected.x) <= 1 && std::abs(cursor.y - expected.y) <= 1;
}

void moveCursorAway() {
    SetCursorPos(5, 700);
    std::this_thread::sleep_for(200ms);
}

TEST_F(PlenarWindowTest, AMacroRowReplaysInTheRecorderWindowWhichClosesAfterItsWait) {
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    const POINT last{321, 234};
    writeFileBytes(path(L"moves.txt"), movesEndingAt(last));
    writeFileBytes(path(L"lstplenar.txt"), "10:15=MACRO=moves.txt\r\n");
    moveCursorAway();

    start(L"10:14:58");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(settled(main));
    EXPECT_EQ(recorderWindow(processId_), nullptr) << "nothing opens the recorder before the row's minute";
    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);

    HWND recorder = nullptr;
    ASSERT_TRUE(waitFor([&] { return (recorder = recorderWindow(processId_)) && IsWindowVisible(recorder); }, 30s));
    EXPECT_TRUE(waitFor([&] { return cursorNear(last); }, 10s)) << "the replay moved the cursor";
    const auto shown = std::chrono::steady_clock::now();
    // The wait keeps PLENAR's windows answering.
    EXPECT_TRUE(settled(main));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(recorder); }, 40s)) << "the recorder window closes after the wait";
    EXPECT_GE(std::chrono::steady_clock::now() - shown, 15s);
    // Passes go on every second in the same minute: the row does not run again.
    moveCursorAway();
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(recorderWindow(processId_), nullptr);
    EXPECT_EQ(WaitForSingleObject(process_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The menu opens the recorder for the user, with only "Capturer" to press yet.
    PostMessageW(main, WM_COMMAND, ids::kMenuMacros, 0);
    ASSERT_TRUE(waitFor([&] { return (recorder = recorderWindow(processId_)) && IsWindowVisible(recorder); }, 10s));
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, AMacroOnTheCommandLinePlaysForItsDurationAndThenTheProgramEnds) {
    writeSetting(L"DUREEMACRO", L"2");
    const POINT first{211, 122};
    writeFileBytes(path(L"Macro_01.txt"), movesEndingAt(first));
    moveCursorAway();
    start(nullptr, L"Macro_01.txt");
    ASSERT_EQ(WaitForSingleObject(process_.get(), 60000), WAIT_OBJECT_0) << "the run ends the program";
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(cursorNear(first));

    // A full path, quoted because of its blanks, is taken as it stands.
    ASSERT_TRUE(CreateDirectoryW(path(L"sub dir").c_str(), nullptr));
    const POINT second{123, 211};
    writeFileBytes(path(L"sub dir\\m 2.txt"), movesEndingAt(second));
    moveCursorAway();
    start(nullptr, L"\"" + path(L"sub dir\\m 2.txt") + L"\"");
    ASSERT_EQ(WaitForSingleObject(process_.get(), 60000), WAIT_OBJECT_0);
    EXPECT_TRUE(cursorNear(second));

    // No duration: one round of messages, and the program ends all the same.
    writeSetting(L"DUREEMACRO", L"0");
    start(nullptr, L"Macro_01.txt");
    EXPECT_EQ(WaitForSingleObject(process_.get(), 60000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace plenar_test
