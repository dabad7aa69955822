// Prints the time of one capture tick of the recorder window (cursor, screen size, the key
// state of every polled code through the real GetAsyncKeyState, the new slot, the label), over
// some thousands of ticks at the default period: median, 99th percentile and worst. Needs a
// display.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/figure.h"
#include "bench/macro/performance_clock.h"
#include "macro/app/recorder_ids.h"
#include "macro/app/recorder_window.h"

namespace {

// Ticks come every period, as the timer brings them, with the window's other messages (the
// label's repaint) handled between them.
constexpr int kTicks = 2000;
constexpr double kPeriodMicros = 10'000;

double microseconds() { return performanceSeconds() * 1e6; }

}  // namespace

int main() {
    tolvare::macro::RecorderWindow recorder(GetModuleHandleW(nullptr), L".");
    recorder.show();
    HWND window = recorder.window();
    if (!window) {
        std::printf("no window (is there a display?)\n");
        return 1;
    }
    // The capture runs; its ticks are driven here one by one, as its timer would.
    recorder.cmdCapture_Click();
    std::vector<double> times;
    times.reserve(kTicks);
    double due = microseconds();
    for (int i = 0; i < kTicks; ++i) {
        due += kPeriodMicros;
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                // The capture's own timer would tick on top of the ones driven here.
                if (message.message == WM_TIMER && message.hwnd == window) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            const double left = due - microseconds();
            if (left <= 0) break;
            if (left > 2000) Sleep(1);
        }
        const double start = microseconds();
        SendMessageW(window, WM_TIMER, tolvare::macro::kTimerCapture, 0);
        times.push_back(microseconds() - start);
    }
    const int samples = recorder.macro().slotCount();
    recorder.cmdStop_Click();
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) { return times[static_cast<std::size_t>(q * (times.size() - 1))]; };
    std::printf("capture tick over %d ticks (%d samples taken): p50 %.1f us, p99 %.1f us, max %.1f us\n", kTicks,
                samples, at(0.50), at(0.99), times.back());
    reportFigure("macro capture tick, 99th percentile", at(0.99), "us", "well within the 10 ms period");
    return 0;
}
