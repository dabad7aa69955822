// What the run journal costs a pass under Windows (or Wine): a pass that runs 100 rows, and a
// quiet pass, each with the journal file of PLENAR (appending through the platform, one whole
// line per write) and without any. The actions themselves are stand-ins that do nothing, so
// that what is measured is the scheduler and its journal.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/figure.h"
#include "bench/scheduler_core/scheduler_stand_ins.h"
#include "scheduler/app/file_journal.h"
#include "scheduler/core/action_list.h"
#include "scheduler/core/scheduler.h"

namespace {

using namespace tolvare::scheduler;
using namespace tolvare::scheduler::bench;
using Stopwatch = std::chrono::steady_clock;

constexpr int kDueRows = 100;
constexpr int kRounds = 200;

// Microseconds per pass: one pass a minute (every row of the list is due each minute), or
// passes within the same minute, where nothing runs.
double microsecondsPerPass(Journal& journal, const std::string& list, bool busy) {
    SteppingClock clock;
    ListInMemory store;
    store.bytes = list;
    NullRunner runner;
    NoDownload downloader;
    Scheduler scheduler(clock, store, runner, downloader, journal);
    scheduler.setDownloadInterval({false, 0});
    scheduler.startScheduler();
    scheduler.timerPass();
    const auto start = Stopwatch::now();
    for (int round = 0; round < kRounds; ++round) {
        clock.seconds += busy ? 60 : 1;
        if (!busy && clock.seconds % 60 == 0) clock.seconds += 1;
        scheduler.timerPass();
    }
    return std::chrono::duration<double, std::micro>(Stopwatch::now() - start).count() / kRounds;
}

}  // namespace

int main() {
    std::string quietList;
    for (int minute = 0; minute < kMinutesPerDay; ++minute)
        quietList += formatTimeOfDay(minute) + "=C:\\Outils\\tache.exe\r\n";
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring journalFolder = std::wstring(folder) + L"plenar-journal-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(journalFolder.c_str(), nullptr);

    SteppingClock journalClock;
    tolvare::plenar::FileJournal file(journalFolder, journalClock);
    NoJournal none;
    double figures[2][2] = {};
    for (const bool busy : {true, false}) {
        // The busy list: 100 rows at each minute the passes cross.
        std::string list;
        if (busy) {
            for (int minute = 8 * 60; minute <= 8 * 60 + kRounds + 1; ++minute)
                for (int row = 0; row < kDueRows; ++row)
                    list += formatTimeOfDay(minute % kMinutesPerDay) + "=C:\\Outils\\tache" + std::to_string(row) + ".exe\r\n";
        } else {
            list = quietList;
        }
        figures[busy][0] = microsecondsPerPass(none, list, busy);
        figures[busy][1] = microsecondsPerPass(file, list, busy);
        std::printf("%-40s without journal %9.1f us, with journal.txt %9.1f us\n",
                    busy ? "pass running 100 rows:" : "pass where nothing runs (1,440 rows):", figures[busy][0],
                    figures[busy][1]);
    }
    DeleteFileW((journalFolder + L"\\journal.txt").c_str());
    DeleteFileW((journalFolder + L"\\journal.1.txt").c_str());
    RemoveDirectoryW(journalFolder.c_str());
    reportFigure("Quiet pass with/without the journal", figures[0][1] / figures[0][0], "times", "about 1");
    reportFigure("Journal lines of a 100-row pass", (figures[1][1] - figures[1][0]) / kDueRows, "us per line",
                 "well below the action itself");
    return 0;
}
