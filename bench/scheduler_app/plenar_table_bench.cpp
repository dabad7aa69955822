// Prints the time to refill the main window's table with 10,000 rows: a reload of the list
// (parse and sort), the table's new row count and the repaint of what is on screen. Needs a
// display (under Wine: an X server, such as Xvfb).
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/figure.h"
#include "scheduler/app/action_table.h"
#include "scheduler/core/action_list.h"

namespace {

constexpr int kRows = 10'000;
constexpr int kRounds = 20;

std::string makeList(int rows, int variant) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        const int minute = (i * 7 + variant) % 1440;
        char line[96];
        std::snprintf(line, sizeof line, "%02d:%02d=C:\\Programmes\\outil%05d.exe /argument %d\r\n",
                      minute / 60, minute % 60, i, variant);
        text += line;
    }
    return text;
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* table = reinterpret_cast<tolvare::plenar::ActionTable*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (table && table->handleNotify(*reinterpret_cast<const NMHDR*>(lParam))) return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"plenar_table_bench";
    if (!RegisterClassW(&windowClass)) return 1;
    HWND host = CreateWindowExW(0, L"plenar_table_bench", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                480, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!host) {
        std::printf("no window (is there a display?)\n");
        return 1;
    }
    tolvare::plenar::ActionTable table;
    SetWindowLongPtrW(host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&table));
    std::vector<tolvare::scheduler::ActionLine> rows;
    table.setRows(&rows);
    table.create(host, 1, RECT{8, 8, 440, 360}, 96);
    pumpMessages();

    std::vector<std::string> lists;
    for (int round = 0; round < kRounds; ++round) lists.push_back(makeList(kRows, round));

    using Clock = std::chrono::steady_clock;
    double refillTotal = 0;
    double reloadTotal = 0;
    double refillWorst = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        tolvare::scheduler::parseListInto(lists[round], rows);
        tolvare::scheduler::sortRows(rows);
        const auto parsed = Clock::now();
        table.refresh();
        UpdateWindow(table.window());
        pumpMessages();
        const auto shown = Clock::now();
        const double refill = std::chrono::duration<double, std::milli>(shown - parsed).count();
        reloadTotal += std::chrono::duration<double, std::milli>(shown - start).count();
        refillTotal += refill;
        if (refill > refillWorst) refillWorst = refill;
    }
    std::printf("table refill with %d rows (row count and repaint): %.2f ms mean, %.2f ms worst of %d\n",
                kRows, refillTotal / kRounds, refillWorst, kRounds);
    std::printf("list reload with %d rows (parse, sort, refill, repaint): %.2f ms mean\n", kRows,
                reloadTotal / kRounds);
    reportFigure("table reload of 10,000 rows, mean", reloadTotal / kRounds, "ms", "at most 100 ms");
    DestroyWindow(host);
    return 0;
}
