// Cost of one scheduler pass over a large action list: read the bytes, split them into rows,
// decide which rows are due, sort the table. Prints microseconds per line; the aim is at most
// 1 us per line. Run an optimised build without sanitizers for figures worth comparing.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scheduler/core/action_list.h"
#include "scheduler/core/scheduler.h"

namespace {

using namespace tolvare::scheduler;
using Stopwatch = std::chrono::steady_clock;

constexpr std::size_t kLines = 10'000;

class SteppingClock final : public Clock {
public:
    LocalDateTime localNow() const override {
        const int minuteOfDay = static_cast<int>(seconds / 60 % kMinutesPerDay);
        return {2024,
                3,
                1 + static_cast<int>(seconds / 86400 % 28),
                minuteOfDay / 60,
                minuteOfDay % 60,
                static_cast<int>(seconds % 60)};
    }
    std::int64_t monotonicSeconds() const override { return seconds; }
    std::int64_t seconds = 8 * 3600;
};

class FileImage final : public ListStore {
public:
    std::optional<std::string> readList() override { return bytes; }
    std::string bytes;
};

class NullRunner final : public ActionRunner {
public:
    void startProgram(std::string_view) override { ++runs; }
    void openAddress(std::string_view) override { ++runs; }
    void runMacro(std::string_view) override { ++runs; }
    void shareFolder(std::string_view) override { ++runs; }
    std::size_t runs = 0;
};

class NoDownload final : public ListDownloader {
public:
    void downloadList() override {}
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
    FileImage store;
    store.bytes = makeList();
    NullRunner runner;
    NoDownload downloader;
    Scheduler scheduler(clock, store, runner, downloader);
    scheduler.setDownloadInterval({false, 0});
    scheduler.startScheduler();

    // Each pass falls in the next minute, so every pass also runs that minute's rows.
    const double pass = microsecondsPerCall([&] {
        clock.seconds += 60;
        scheduler.timerPass();
    });
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
    return 0;
}
