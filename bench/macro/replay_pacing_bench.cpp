// Prints how long the recorder takes to capture 1,000 samples and to replay 1,000 events at the
// default 10 ms period, against the 10 s they stand for. Needs a display (under Wine: an X
// server, such as Xvfb); it moves the real cursor.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/figure.h"
#include "bench/macro/performance_clock.h"
#include "macro/app/recorder_ids.h"
#include "macro/app/recorder_window.h"

namespace {

constexpr int kEvents = 1000;
constexpr double kNominalSeconds = kEvents * 0.010;

template <typename Done>
bool runMessagesUntil(Done done, double timeoutSeconds) {
    const double end = performanceSeconds() + timeoutSeconds;
    MSG message;
    while (!done()) {
        if (performanceSeconds() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

}  // namespace

int main() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    const std::wstring path = std::wstring(base) + L"replay_pacing_bench.txt";
    // 1,000 events that sweep the cursor along a line, no button, no key.
    std::string text = std::to_string(kEvents) + "," + std::to_string(kEvents + 1) + "\r\n";
    for (int i = 0; i < kEvents; ++i)
        text += "0," + std::to_string(i) + "," + std::to_string(8000 + i * 40) + ",30000,0,0,0,0\r\n";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        std::printf("cannot write %ls\n", path.c_str());
        return 1;
    }
    CloseHandle(file);

    tolvare::macro::RecorderWindow recorder(GetModuleHandleW(nullptr), base);
    recorder.show();
    if (!recorder.window()) {
        std::printf("no window (is there a display?)\n");
        return 1;
    }

    // Capture: from the start to the 1,000th sample.
    double start = performanceSeconds();
    recorder.cmdCapture_Click();
    const bool captured = runMessagesUntil([&] { return recorder.macro().slotCount() >= kEvents; }, 60);
    const double capture = performanceSeconds() - start;
    recorder.cmdStop_Click();

    // Replay: from the start to the end of the 1,000th event.
    if (!recorder.loadMacro(L"PASSIF", path)) {
        std::printf("cannot load %ls\n", path.c_str());
        return 1;
    }
    start = performanceSeconds();
    recorder.cmdResult_Click();
    const bool replayed = runMessagesUntil([&] { return !recorder.replaying(); }, 60);
    const double replay = performanceSeconds() - start;
    DeleteFileW(path.c_str());

    std::printf("capture of %d samples at 10 ms: %.3f s, ratio %.4f to %.0f s%s\n", kEvents, capture,
                capture / kNominalSeconds, kNominalSeconds, captured ? "" : " (timed out)");
    std::printf("replay of %d events at 10 ms:   %.3f s, ratio %.4f to %.0f s%s\n", kEvents, replay,
                replay / kNominalSeconds, kNominalSeconds, replayed ? "" : " (timed out)");
    std::printf("replay / capture: %.4f\n", replay / capture);
    reportFigure("macro capture of 1,000 samples at 10 ms", capture, "s", "10 s, within 1 %");
    reportFigure("macro replay of 1,000 events at 10 ms", replay, "s", "10 s, within 1 %");
    return 0;
}
