#include "scheduler/core/scheduler.h"

#include <map>

#include "scheduler/core/action.h"
#include "scheduler/core/assistant.h"

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
                     ListDownloader& downloader, Journal& journal)
    : clock_(clock),
      store_(store),
      runner_(runner),
      downloader_(downloader),
      journal_(journal),
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
        journal_.record(journal_event::kSchedulerStarted, {}, {});
    }
    running_ = true;
    if (!rows_.empty()) return {PassReport::Outcome::NotNeeded};
    return pass(PassKind::StartCommand);
}

void Scheduler::stopScheduler() {
    if (!running_) return;
    running_ = false;
    journal_.record(journal_event::kSchedulerStopped, {}, {});
}

std::size_t Scheduler::addRow(std::string time, std::string action) {
    return addAssistantRow(rows_, std::move(time), std::move(action));
}

bool Scheduler::deleteRow(std::size_t row) {
    if (row >= rows_.size()) return false;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

bool Scheduler::setRowAction(std::size_t row, std::string action) {
    if (row >= rows_.size()) return false;
    rows_[row].action = std::move(action);
    return true;
}

Scheduler::TimeEdit Scheduler::setRowTime(std::size_t row, std::string_view typed) {
    if (row >= rows_.size()) return TimeEdit::NoSuchRow;
    // 8:30 saved as typed would be "8:30=..." and read back as the time "8:30=" with the action
    // cut by a character.
    std::optional<std::string> time = normalizedTableTime(typed);
    if (!time) return TimeEdit::Refused;
    rows_[row].time = std::move(*time);
    return TimeEdit::Changed;
}

ListDownload Scheduler::downloadByHand() {
    ListDownload outcome;
    try {
        outcome = downloader_.downloadList();
    } catch (...) {
        outcome = {ListDownload::Result::NotTaken, "erreur inattendue"};
    }
    std::string_view event = journal_event::kListNotDownloaded;
    if (outcome.result == ListDownload::Result::Replaced) event = journal_event::kListDownloaded;
    if (outcome.result == ListDownload::Result::Unchanged) event = journal_event::kListUnchanged;
    journal_.record(event, {}, outcome.note);
    return outcome;
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
        // A failed download leaves the old list; the pass goes on with it.
        downloadByHand();
        report.downloaded = true;
        if (kind != PassKind::StartCommand) lastDownloadSeconds_ = clock_.monotonicSeconds();
    }
    loadAndRunList(kind != PassKind::LoadOnly, report);
    return report;
}

bool Scheduler::readList(PassReport& report) {
    ListReading reading;
    try {
        reading = store_.readList();
    } catch (...) {
        reading = {std::nullopt, false, "erreur inattendue"};
    }
    if (!reading.bytes) {
        // A list that is not there is an empty one. One that is there but cannot be read
        // (locked by another program, too large) leaves the table as it was, and saving it
        // would write an old reading over the list.
        if (reading.missing) {
            rows_.clear();
            saveRisk_ = SaveRisk::None;
        } else {
            saveRisk_ = SaveRisk::ListUnreadable;
        }
        if (!lastReadFailed_) journal_.record(journal_event::kListUnreadable, {}, reading.problem);
        lastReadFailed_ = true;
        lastListHash_.reset();
        return false;
    }
    lastReadFailed_ = false;
    const bool truncated = parseListInto(*reading.bytes, rows_);
    report.droppedLines = truncated ? countListLines(*reading.bytes) - rows_.size() : 0;
    saveRisk_ = truncated ? SaveRisk::ListCut : SaveRisk::None;
    const std::size_t hash = std::hash<std::string_view>{}(*reading.bytes);
    if (lastListHash_ != hash) {
        lastListHash_ = hash;
        std::string note = std::to_string(rows_.size()) + (rows_.size() == 1 ? " ligne" : " lignes");
        if (truncated)
            note += ", " + std::to_string(report.droppedLines) + " ligne(s) au-delà de " +
                    std::to_string(kMaxListRows) + " laissée(s) de côté";
        journal_.record(journal_event::kListRead, {}, note);
    }
    return true;
}

void Scheduler::loadAndRunList(bool runDueRows, PassReport& report) {
    try {
        // The minute bookkeeping is left as it was when the list cannot be read, so that the
        // next pass that reads it makes up for this one.
        if (!readList(report)) return;
    } catch (...) {
        return;
    }
    report.listRead = true;

    // The due rows are copied out and the table is sorted before anything runs: a macro
    // action processes window messages while it waits, and the window may show or edit the
    // table then.
    std::vector<ActionLine> due;
    if (runDueRows) due = takeDueActions(rows_, minuteStamp(clock_.localNow()));
    sortRows(rows_);

    if (!runDueRows) return;
    for (const ActionLine& row : due) run(row);
    report.actionsRun = due.size();
    try {
        runner_.passEnded();
    } catch (...) {
    }
}

std::vector<ActionLine> Scheduler::takeDueActions(const std::vector<ActionLine>& fileOrder,
                                                  std::int64_t now) {
    std::int64_t first = now;
    const std::optional<std::int64_t> previous = previousPassMinute_;
    if (previous && *previous < now && now - *previous - 1 <= kMaxCatchUpMinutes) first = *previous + 1;
    // A new minute, or the clock turned back (a new occurrence of an earlier minute): nothing
    // has run in it yet.
    if (previousPassMinute_ != now) ranInPreviousPassMinute_.clear();
    previousPassMinute_ = now;

    const std::int64_t nowOfDay = floorMod(now, kMinutesPerDay);
    std::vector<ActionLine> due;
    std::size_t madeUp = 0;
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
        } else {
            ++madeUp;
        }
        due.push_back(row);
    }
    if (previous && *previous + 1 < now) recordCatchUp(*previous + 1, now, madeUp);
    return due;
}

void Scheduler::recordCatchUp(std::int64_t first, std::int64_t now, std::size_t madeUp) {
    const auto timeText = [](std::int64_t minute) {
        return formatTimeOfDay(static_cast<int>(floorMod(minute, kMinutesPerDay)));
    };
    const std::string span = timeText(first) + (first + 1 < now ? " à " + timeText(now - 1) : std::string());
    // Minutes crossed without a pass are worth a line only when rows were made up for, or when
    // the gap was too long to make up for.
    if (now - first > kMaxCatchUpMinutes) {
        journal_.record(journal_event::kMinutesSkipped, {},
                        span + " : plus de " + std::to_string(kMaxCatchUpMinutes) +
                            " minutes sans contrôle (ordinateur en veille ou heure changée)");
    } else if (madeUp > 0) {
        journal_.record(journal_event::kMinutesMadeUp, {},
                        span + " : " + std::to_string(madeUp) + " action(s)");
    }
}

void Scheduler::run(const ActionLine& row) noexcept {
    // The journal's events of each kind: done, not done.
    struct Events {
        std::string_view done, notDone;
    };
    try {
        const ActionCommand command = classifyAction(row.action);
        ActionResult result;
        Events events;
        try {
            switch (command.kind) {
            case ActionKind::Program:
                events = {journal_event::kProgramRun, journal_event::kProgramNotRun};
                result = runner_.startProgram(command.argument);
                break;
            case ActionKind::Address:
                events = {journal_event::kAddressOpened, journal_event::kAddressNotOpened};
                result = runner_.openAddress(command.argument);
                break;
            case ActionKind::Macro:
                events = {journal_event::kMacroReplayed, journal_event::kMacroNotReplayed};
                result = runner_.runMacro(command.argument);
                break;
            case ActionKind::Share:
                events = {journal_event::kShareMade, journal_event::kShareRefused};
                result = runner_.shareFolder(command.argument);
                break;
            }
        } catch (...) {
            result = {false, "erreur inattendue"};
        }
        journal_.record(result.done ? events.done : events.notDone, lineText(row), result.note);
    } catch (...) {
        // A failing action never stops the pass.
    }
}

}  // namespace tolvare::scheduler
