#include "scheduler/core/scheduler.h"

#include <map>

#include "scheduler/core/action.h"

namespace tolvare::scheduler {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    return a - floorDiv(a, b) * b;
}

// Holds the re-entrancy flag for the length of one pass, whichever way the pass ends.
class PassScope {
public:
    explicit PassScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~PassScope() { flag_ = false; }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

bool downloadDue(std::int64_t lastDownloadSeconds, std::int64_t nowSeconds,
                 DownloadInterval interval) {
    if (!interval.enabled) return false;
    const std::int64_t elapsedMinutes =
        floorDiv(nowSeconds, 60) - floorDiv(lastDownloadSeconds, 60);
    return elapsedMinutes > interval.minutes;
}

Scheduler::Scheduler(const Clock& clock, ListStore& store, ActionRunner& runner,
                     ListDownloader& downloader)
    : clock_(clock),
      store_(store),
      runner_(runner),
      downloader_(downloader),
      lastDownloadSeconds_(clock.monotonicSeconds()) {}

PassReport Scheduler::loadOnlyPass() {
    return pass(PassKind::LoadOnly);
}

PassReport Scheduler::timerPass() {
    if (!running_) return {PassReport::Outcome::NotRunning};
    return pass(PassKind::Timer);
}

PassReport Scheduler::startScheduler() {
    if (!running_) {
        // As if a pass had run just before the start minute: the start minute's rows are due
        // at the first pass, and nothing earlier is made up for.
        previousPassMinute_ = minuteStamp(clock_.localNow()) - 1;
        ranInPreviousPassMinute_.clear();
    }
    running_ = true;
    if (!rows_.empty()) return {PassReport::Outcome::NotNeeded};
    return pass(PassKind::StartCommand);
}

PassReport Scheduler::pass(PassKind kind) {
    if (passInProgress_) return {PassReport::Outcome::SkippedNested};
    PassScope scope(passInProgress_);

    PassReport report;
    // The start command finds the table empty and downloads whatever the interval says; that
    // download does not restart the interval. The other passes download at the interval.
    const bool download =
        kind == PassKind::StartCommand ||
        downloadDue(lastDownloadSeconds_, clock_.monotonicSeconds(), downloadInterval_);
    if (download) {
        try {
            downloader_.downloadList();
        } catch (...) {
            // A failed download leaves the old list; the pass goes on with it.
        }
        report.downloaded = true;
        if (kind != PassKind::StartCommand) lastDownloadSeconds_ = clock_.monotonicSeconds();
    }
    loadAndRunList(kind != PassKind::LoadOnly, report);
    return report;
}

void Scheduler::loadAndRunList(bool runDueRows, PassReport& report) {
    try {
        const std::optional<std::string> bytes = store_.readList();
        if (!bytes) {
            // Unreadable list: empty table, nothing runs. The minute bookkeeping is left as
            // it was, so the next pass that reads the list makes up for this one.
            rows_.clear();
            return;
        }
        report.truncated = parseListInto(*bytes, rows_);
    } catch (...) {
        rows_.clear();
        return;
    }
    report.listRead = true;

    // The due actions are copied out and the table is sorted before anything runs: a macro
    // action processes window messages while it waits, and the window may show or edit the
    // table then.
    std::vector<std::string> due;
    if (runDueRows) due = takeDueActions(rows_, minuteStamp(clock_.localNow()));
    sortRows(rows_);

    if (!runDueRows) return;
    for (const std::string& action : due) run(action);
    report.actionsRun = due.size();
    try {
        runner_.passEnded();
    } catch (...) {
    }
}

std::vector<std::string> Scheduler::takeDueActions(const std::vector<ActionLine>& fileOrder,
                                                   std::int64_t now) {
    std::int64_t first = now;
    if (previousPassMinute_ && *previousPassMinute_ < now &&
        now - *previousPassMinute_ - 1 <= kMaxCatchUpMinutes)
        first = *previousPassMinute_ + 1;
    // A new minute, or the clock turned back (a new occurrence of an earlier minute): nothing
    // has run in it yet.
    if (previousPassMinute_ != now) ranInPreviousPassMinute_.clear();
    previousPassMinute_ = now;

    const std::int64_t nowOfDay = floorMod(now, kMinutesPerDay);
    std::vector<std::string> due;
    std::map<std::string, std::size_t> seenThisMinute;
    for (const ActionLine& row : fileOrder) {
        const std::optional<int> minuteOfDay = parseTimeOfDay(row.time);
        if (!minuteOfDay) continue;
        // The one minute of the window [first, now] that shows this time; the window is
        // shorter than a day, so there is at most one.
        const std::int64_t minute = now - floorMod(nowOfDay - *minuteOfDay, kMinutesPerDay);
        if (minute < first) continue;
        if (minute == now) {
            // Missed minutes had no pass, so only the current one can have run already.
            std::string text = lineText(row);
            const std::size_t rank = seenThisMinute[text]++;
            if (!ranInPreviousPassMinute_.emplace(std::move(text), rank).second) continue;
        }
        due.push_back(row.action);
    }
    return due;
}

void Scheduler::run(std::string_view action) noexcept {
    try {
        const ActionCommand command = classifyAction(action);
        switch (command.kind) {
        case ActionKind::Program:
            runner_.startProgram(command.argument);
            break;
        case ActionKind::Address:
            runner_.openAddress(command.argument);
            break;
        case ActionKind::Macro:
            runner_.runMacro(command.argument);
            break;
        case ActionKind::Share:
            runner_.shareFolder(command.argument);
            break;
        }
    } catch (...) {
        // Actions are fire and forget; a failing one never stops the pass.
    }
}

}  // namespace tolvare::scheduler
