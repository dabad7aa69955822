// The scheduler model: the window-level state of the main window (the table rows, the last
// download, what has run in the current minute) and every decision of a pass. The window owns
// one Scheduler, forwards its timer ticks and commands to it, and shows rows().
//
// While the scheduler runs, every row runs once for each occurrence of its minute. A pass runs
// the rows of its own minute that have not run yet, and the rows of the minutes that passed
// strictly between the previous pass and this one, unless more than kMaxCatchUpMinutes of them
// passed (the computer slept, or the clock was moved): then only the current minute. The list
// is re-read on every pass and due rows run in file order. A row is known by its line text
// and its rank among identical lines, so a row added to the list for the current minute runs
// at the next pass, and a row that already ran does not run again because the list was edited
// or downloaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scheduler/core/action_list.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/settings.h"

namespace tolvare::scheduler {

// The longest run of missed minutes that a pass still makes up for. A pass is late by the
// timer period (at most 60 s) plus whatever the previous pass spent waiting for its macro
// actions (20 s each), so missed minutes are normally one or two. A longer gap means the
// computer slept or its clock was changed; replaying a burst of stale program starts and
// macros at wake-up would surprise the user more than missing them.
inline constexpr int kMaxCatchUpMinutes = 5;

class ListStore {
public:
    virtual ~ListStore() = default;
    // The whole list file, or nothing when it cannot be opened or read (missing, locked).
    virtual std::optional<std::string> readList() = 0;
};

// Starts actions. Fire and forget: results are not examined, and an exception is ignored (the
// next row still runs). Texts are views valid for the call only; they may hold any byte.
class ActionRunner {
public:
    virtual ~ActionRunner() = default;
    virtual void startProgram(std::string_view commandLine) = 0;
    virtual void openAddress(std::string_view url) = 0;
    // May wait while processing window messages; ticks that arrive meanwhile are skipped.
    virtual void runMacro(std::string_view macroFileName) = 0;
    virtual void shareFolder(std::string_view folderPath) = 0;
    // After the due rows of a pass have run: release what the pass created on first use.
    virtual void passEnded() {}
};

class ListDownloader {
public:
    virtual ~ListDownloader() = default;
    // Replaces the list file by a fresh download; an exception is ignored.
    virtual void downloadList() = 0;
};

struct PassReport {
    enum class Outcome {
        Ran,
        SkippedNested,  // a pass was already running (a macro action waiting): nothing done
        NotRunning,     // a timer tick while the scheduler is stopped: nothing done
        NotNeeded,      // the start command found rows in the table: no immediate pass
    };
    Outcome outcome = Outcome::Ran;
    bool downloaded = false;
    bool listRead = false;   // false: the list could not be read; the table is empty
    bool truncated = false;  // the list had more than kMaxListRows lines
    std::size_t actionsRun = 0;
};

// Whether the pass downloads: more whole minutes than the interval have passed since the last
// download, counting minute boundaries of the monotonic clock (so 10:00:59 to 10:01:00 counts
// one, as on the wall clock) on a clock that does not wrap at midnight.
bool downloadDue(std::int64_t lastDownloadSeconds, std::int64_t nowSeconds,
                 DownloadInterval interval);

class Scheduler {
public:
    // Construction is the window's start-up: it counts as the last download.
    Scheduler(const Clock& clock, ListStore& store, ActionRunner& runner,
              ListDownloader& downloader);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // The download interval as the DELAIDL field reads now (see downloadIntervalFromText).
    void setDownloadInterval(DownloadInterval interval) { downloadInterval_ = interval; }

    // The start-up pass: downloads when due, loads the table, runs nothing.
    PassReport loadOnlyPass();

    // The start command: the scheduler is running from now on, and when the table holds no
    // row it downloads and runs an immediate pass (which counts as a pass). Rows of the
    // minute of the start run at the first pass, even when that pass falls in a later
    // minute; rows of earlier minutes never run.
    PassReport startScheduler();

    // One tick of the check timer: a pass, unless a pass is already running (the tick is
    // skipped and the next one runs) or the scheduler is stopped.
    PassReport timerPass();

    bool running() const { return running_; }
    bool passInProgress() const { return passInProgress_; }

    // The table's data rows in table order. The window shows its header row, then its one
    // blank row (an empty key sorts before every other), then these. It may edit them; edits
    // last until the next pass reloads the file.
    const std::vector<ActionLine>& rows() const { return rows_; }
    std::vector<ActionLine>& rows() { return rows_; }

    // What saveList writes to the list file (the window replaces the file with it).
    std::string listText() const { return serializeList(rows_); }

private:
    enum class PassKind { LoadOnly, StartCommand, Timer };

    PassReport pass(PassKind kind);
    void loadAndRunList(bool runDueRows, PassReport& report);
    std::vector<std::string> takeDueActions(const std::vector<ActionLine>& fileOrder,
                                            std::int64_t now);
    void run(std::string_view action) noexcept;

    const Clock& clock_;
    ListStore& store_;
    ActionRunner& runner_;
    ListDownloader& downloader_;

    DownloadInterval downloadInterval_;
    std::int64_t lastDownloadSeconds_;
    bool running_ = false;
    bool passInProgress_ = false;
    std::vector<ActionLine> rows_;

    // Once-per-minute bookkeeping: the minute of the previous pass that read the list, and
    // the rows of that minute that have run, each as (line text, rank among identical lines).
    std::optional<std::int64_t> previousPassMinute_;
    std::set<std::pair<std::string, std::size_t>> ranInPreviousPassMinute_;
};

}  // namespace tolvare::scheduler
