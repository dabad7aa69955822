// Cost of one scheduler pass over a large action list: read the bytes, split them into rows,
// decide which rows are due, sort the table. Prints microseconds per line; the aim is at most
// 1 us per line. Passes with and without the run journal are compared. Run an optimised build without sanitizers for figures worth comparing.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/figure.h"
#include "bench/scheduler_core/scheduler_stand_ins.h"
#include "scheduler/core/action_list.h"
#include "scheduler/core/scheduler.h"

namespace {

using namespace tolvare::scheduler;
using namespace tolvare::scheduler::bench;
using Stopwatch = std::chrono::steady_clock;

constexpr std::size_t kLines = 10'000;

// A journal that makes every line as the file journal does, and keeps only their length.
class MeasuringJournal final : public Journal {
public:
    void record(std::string_view event, std::string_view listText, std::string_view note) noexcept override {
        bytes += journalLine({2024, 3, 1, 8, 0, 0}, event, listText, note).size();
    }
    std::size_t bytes = 0;
};

// A list as a large site might keep it: times all over the day in no particular order, a mix
// of the four kinds, some identical lines.
std::string makeList() {
    static const char* const kActions[] = {
        "C:\\Program Files\\Outils\\sauvegarde.exe /quotidien /silencieux",
        "IEURL=http://intranet.example.com/rapports/jour.html",
        "MACRO=Macro_01.txt",
        "SHARE=C:\\Echange\\Commun",
        "notepad.exe C:\\Notes\\a_faire.txt",
    };
    std::string list;
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < kLines; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int minute = static_cast<int>(seed >> 8) % kMinutesPerDay;
        list += formatTimeOfDay(minute);
        list += '=';
        list += kActions[(seed >> 20) % 5];
        list += "\r\n";
    }
    return list;
}

template <typename Body>
double microsecondsPerCall(Body&& body) {
    std::size_t calls = 0;
    const auto start = Stopwatch::now();
    auto elapsed = Stopwatch::duration::zero();
    while (calls < 20 || elapsed < std::chrono::milliseconds(500)) {
        body();
        ++calls;
        elapsed = Stopwatch::now() - start;
    }
    return std::chrono::duration<double, std::micro>(elapsed).count() / static_cast<double>(calls);
}

}  // namespace

int main() {
    SteppingClock clock;
    ListInMemory store;
    store.bytes = makeList();
    NullRunner runner;
    NoDownload downloader;
    NoJournal journal;
    Scheduler scheduler(clock, store, runner, downloader, journal);
    scheduler.setDownloadInterval({false, 0});
    scheduler.startScheduler();

    // Each pass falls in the next minute, so every pass also runs that minute's rows.
    const double pass = microsecondsPerCall([&] {
        clock.seconds += 60;
        scheduler.timerPass();
    });
    // Passes within one minute, where nothing runs: with and without a journal.
    const auto quietPass = [&](Journal& kept) {
        SteppingClock quietClock;
        Scheduler quiet(quietClock, store, runner, downloader, kept);
        quiet.setDownloadInterval({false, 0});
        quiet.startScheduler();
        quiet.timerPass();
        return microsecondsPerCall([&] { quiet.timerPass(); });
    };
    NoJournal none;
    MeasuringJournal measured;
    const double quietWithout = quietPass(none);
    const double quietWith = quietPass(measured);
    // Passes a minute apart, each running its minute's rows, with a journal.
    SteppingClock busyClock;
    Scheduler busy(busyClock, store, runner, downloader, measured);
    busy.setDownloadInterval({false, 0});
    busy.startScheduler();
    const double busyWith = microsecondsPerCall([&] {
        busyClock.seconds += 60;
        busy.timerPass();
    });
    // The fingerprint by which a pass tells whether the list changed: every pass pays it, for
    // the journal's sake.
    std::size_t fingerprints = 0;
    const double fingerprint =
        microsecondsPerCall([&] { fingerprints += std::hash<std::string_view>{}(store.bytes); });
    const double parse = microsecondsPerCall([&] { (void)parseList(store.bytes); });
    std::vector<ActionLine> rows = parseList(store.bytes).rows;
    const double sort = microsecondsPerCall([&] {
        std::vector<ActionLine> copy = rows;
        sortRows(copy);
    });
    const double copy = microsecondsPerCall([&] { std::vector<ActionLine> c = rows; });

    const double lines = static_cast<double>(kLines);
    std::printf("list: %zu lines, %zu bytes; %zu actions run during the passes\n", kLines,
                store.bytes.size(), runner.runs);
    std::printf("pass (read, decide, sort): %9.1f us  = %.3f us per line (target <= 1)\n", pass,
                pass / lines);
    std::printf("  parse into a new table:  %9.1f us  = %.3f us per line\n", parse, parse / lines);
    std::printf("  sort only:               %9.1f us  = %.3f us per line\n", (sort - copy),
                (sort - copy) / lines);
    std::printf("pass where nothing runs:   %9.1f us without a journal, %.1f us with one\n", quietWithout,
                quietWith);
    std::printf("  of which the list's fingerprint: %.1f us (%zu)\n", fingerprint, fingerprints % 10);
    std::printf("pass that runs its rows:   %9.1f us without a journal, %.1f us with one\n", pass, busyWith);
    reportFigure("scheduler pass over a list, per line", pass / lines, "us", "at most 1 us");
    reportFigure("journal's share of a pass where nothing runs", (quietWith - quietWithout) / quietWithout * 100,
                 "%", "none measurable (within noise, a few %)");
    return 0;
}
