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
#include "scheduler/core/journal.h"
#include "scheduler/core/settings.h"

namespace tolvare::scheduler {

// The longest run of missed minutes that a pass still makes up for. A pass is late by the
// timer period (at most 60 s) plus whatever the previous pass spent waiting for its macro
// actions (20 s each), so missed minutes are normally one or two. A longer gap means the
// computer slept or its clock was changed; replaying a burst of stale program starts and
// macros at wake-up would surprise the user more than missing them.
inline constexpr int kMaxCatchUpMinutes = 5;

struct ListReading {
    std::optional<std::string> bytes;  // the whole file; nothing when it could not be read
    bool missing = false;              // there is no list file: an empty list, nothing to lose
    std::string problem;               // why it could not be read (UTF-8)
};

class ListStore {
public:
    virtual ~ListStore() = default;
    virtual ListReading readList() = 0;
};

// What became of one action: done (a process started, an address handed to the browser, a
// macro replayed, a folder shared) or not, with a note for the journal (UTF-8): the process id,
// the share's name, or the error's number and text.
struct ActionResult {
    bool done = true;
    std::string note;
};

// Starts actions. Nothing waits for what a started program does: the result only says whether
// it could be started. An exception counts as not done, and the next row still runs. Texts are
// views valid for the call only; they may hold any byte.
class ActionRunner {
public:
    virtual ~ActionRunner() = default;
    virtual ActionResult startProgram(std::string_view commandLine) = 0;
    virtual ActionResult openAddress(std::string_view url) = 0;
    // May wait while processing window messages; ticks that arrive meanwhile are skipped.
    virtual ActionResult runMacro(std::string_view macroFileName) = 0;
    virtual ActionResult shareFolder(std::string_view folderPath) = 0;
    // After the due rows of a pass have run: release what the pass created on first use.
    virtual void passEnded() {}
};

struct ListDownload {
    enum class Result {
        Replaced,   // a whole list arrived and replaced the file
        Unchanged,  // the list arrived and is the one the file holds
        NotTaken,   // no whole list: the file was left as it was
    };
    Result result = Result::NotTaken;
    std::string note;  // the address and what happened (UTF-8), for the journal
};

class ListDownloader {
public:
    virtual ~ListDownloader() = default;
    // Replaces the list file by a fresh download; an exception counts as not taken.
    virtual ListDownload downloadList() = 0;
};

// Why saving the table over the list file would lose rows: the last pass could not read the
// file (the table is an older reading of it), or the file holds more rows than the table.
enum class SaveRisk { None, ListUnreadable, ListCut };

struct PassReport {
    enum class Outcome {
        Ran,
        SkippedNested,  // a pass was already running (a macro action waiting): nothing done
        NotRunning,     // a timer tick while the scheduler is stopped: nothing done
        NotNeeded,      // the start command found rows in the table: no immediate pass
    };
    Outcome outcome = Outcome::Ran;
    bool downloaded = false;
    bool listRead = false;         // false: the list could not be read; the table kept its rows
    std::size_t droppedLines = 0;  // lines past kMaxListRows, left out of the table
    std::size_t actionsRun = 0;
};

// Whether the pass downloads: more whole minutes than the interval have passed since the last
// download, counting minute boundaries of the monotonic clock (so 10:00:59 to 10:01:00 counts
// one, as on the wall clock) on a clock that does not wrap at midnight.
bool downloadDue(std::int64_t lastDownloadSeconds, std::int64_t nowSeconds,
                 DownloadInterval interval);

class Scheduler {
public:
    // Construction is the window's start-up: it counts as the last download. What the
    // scheduler does goes into `journal`: actions run, downloads, the list read when it changed
    // or could not be read, minutes made up for or skipped, the start and stop commands.
    Scheduler(const Clock& clock, ListStore& store, ActionRunner& runner,
              ListDownloader& downloader, Journal& journal);
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

    // The window goes away or is opened again: the scheduler is stopped until the next start
    // command.
    void stopScheduler();

    // The menu's download: the file is replaced, the table shows it at the next pass.
    ListDownload downloadByHand();

    // Whether the table may be saved over the list file without losing rows.
    SaveRisk saveRisk() const { return saveRisk_; }

    bool running() const { return running_; }
    bool passInProgress() const { return passInProgress_; }

    // The table's data rows in table order. The window shows its header row, then its one
    // blank row (an empty key sorts before every other), then these.
    const std::vector<ActionLine>& rows() const { return rows_; }

    // The window's edits of the rows. They last until the next pass reloads the file (saving
    // the table writes them). A row index that a reload has put out of range changes nothing.

    // A row from the assistant, placed by its time among the others: its index.
    std::size_t addRow(std::string time, std::string action);
    bool deleteRow(std::size_t row);
    bool setRowAction(std::size_t row, std::string action);
    enum class TimeEdit { Changed, Refused, NoSuchRow };
    // A typed time is taken only in a form the scheduler compares (normalizedTableTime). The
    // row keeps its place and its sort key until the next reload, as the table shows it.
    TimeEdit setRowTime(std::size_t row, std::string_view typed);

    // What saveList writes to the list file (the window replaces the file with it).
    std::string listText() const { return serializeList(rows_); }

private:
    enum class PassKind { LoadOnly, StartCommand, Timer };

    PassReport pass(PassKind kind);
    void download();
    bool readList(PassReport& report);
    void loadAndRunList(bool runDueRows, PassReport& report);
    std::vector<ActionLine> takeDueActions(const std::vector<ActionLine>& fileOrder, std::int64_t now);
    void recordCatchUp(std::int64_t first, std::int64_t now, std::size_t madeUp);
    void run(const ActionLine& row) noexcept;

    const Clock& clock_;
    ListStore& store_;
    ActionRunner& runner_;
    ListDownloader& downloader_;
    Journal& journal_;

    DownloadInterval downloadInterval_;
    std::int64_t lastDownloadSeconds_;
    bool running_ = false;
    bool passInProgress_ = false;
    std::vector<ActionLine> rows_;
    SaveRisk saveRisk_ = SaveRisk::None;
    // What the last reading of the list gave, so that only changes reach the journal.
    std::optional<std::size_t> lastListHash_;
    bool lastReadFailed_ = false;

    // Once-per-minute bookkeeping: the minute of the previous pass that read the list, and
    // the rows of that minute that have run, each as (line text, rank among identical lines).
    std::optional<std::int64_t> previousPassMinute_;
    std::set<std::pair<std::string, std::size_t>> ranInPreviousPassMinute_;
};

}  // namespace tolvare::scheduler
