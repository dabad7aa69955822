#include "scheduler/core/scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>

namespace tolvare::scheduler {
namespace {

constexpr std::int64_t kDay = 24 * 3600;

// Seconds from 2024-03-01 00:00, local time.
std::int64_t at(int day, int hour, int minute, int second = 0) {
    return day * kDay + hour * 3600 + minute * 60 + second;
}

std::string hhmm(std::int64_t wall) {
    return formatTimeOfDay(static_cast<int>(wall % kDay / 60));
}

struct ActionRun {
    std::int64_t wall;
    std::string argument;
};

// The whole outside world of one scheduler: a clock the test moves, the list file, and
// recorders for actions and downloads. An action named "fails" throws.
class World final : public Clock, public ListStore, public ActionRunner, public ListDownloader, public Journal {
public:
    World(std::int64_t start, std::string listText) : wall(start), list(std::move(listText)) {}

    LocalDateTime localNow() const override {
        const auto part = [this](std::int64_t unit, std::int64_t count) {
            return static_cast<int>(wall / unit % count);
        };
        return {2024, 3, 1 + part(kDay, 28), part(3600, 24), part(60, 60), part(1, 60)};
    }
    std::int64_t monotonicSeconds() const override { return wall + monotonicOffset; }
    ListReading readList() override { return {list, false, "verrouillée"}; }
    ActionResult startProgram(std::string_view text) override { return record(text); }
    ActionResult openAddress(std::string_view text) override { return record(text); }
    ActionResult runMacro(std::string_view text) override {
        const ActionResult result = record(text);
        if (onMacro) onMacro();
        return result;
    }
    ActionResult shareFolder(std::string_view text) override { return record(text); }
    void passEnded() override { ++passesEnded; }
    ListDownload downloadList() override {
        downloads.push_back(wall);
        if (onDownload) onDownload();
        return {ListDownload::Result::Unchanged, "http://a/l.txt"};
    }
    void record(std::string_view event, std::string_view listText, std::string_view note) noexcept override {
        journal.push_back(std::string(event) + "|" + std::string(listText) + "|" + std::string(note));
    }

    // Ticks every `period` seconds until `until`, from wherever the clock stands.
    void tickUntil(std::int64_t until, std::int64_t period) {
        while (wall + period <= until) {
            wall += period;
            scheduler.timerPass();
        }
    }
    std::map<std::string, int> counts() const {
        std::map<std::string, int> result;
        for (const ActionRun& run : runs) ++result[run.argument];
        return result;
    }

    std::int64_t wall;
    std::int64_t monotonicOffset = 0;  // the same minute boundaries as the wall clock
    std::optional<std::string> list;
    std::vector<ActionRun> runs;
    std::vector<std::int64_t> downloads;
    std::function<void()> onMacro;
    std::function<void()> onDownload;
    int passesEnded = 0;
    std::vector<std::string> journal;
    Scheduler scheduler{*this, *this, *this, *this, *this};

private:
    ActionResult record(std::string_view argument) {
        runs.push_back({wall, std::string(argument)});
        if (argument == "fails") throw std::runtime_error("cannot start");
        if (argument == "refused") return {false, "erreur 5"};
        return {true, "ok"};
    }
};

using Counts = std::map<std::string, int>;

// Rows every few minutes through the working day, a few at night, two either side of midnight.
std::vector<int> progMinutes() {
    std::vector<int> minutes{0, 3 * 60 + 17, 23 * 60 + 59};
    for (int minute = 9 * 60 + 1; minute < 17 * 60; minute += 31) minutes.push_back(minute);
    return minutes;
}

// A busy noon stands first in the file and repeats one line; every other argument is unique.
std::string dayList() {
    std::string list =
        "12:00=c\r\n12:00=IEURL=http://a\r\n12:00=dup\r\n12:00=fails\r\n12:00=dup\r\n";
    for (int minute : progMinutes())
        list += formatTimeOfDay(minute) + "=prog" + formatTimeOfDay(minute) + "\r\n";
    return list;
}

struct Cadence {
    std::int64_t periodSeconds;
    std::int64_t maxLateMinutes;
    int days;
};

class WholeDays : public testing::TestWithParam<Cadence> {};

TEST_P(WholeDays, EveryRowRunsOncePerOccurrenceOfItsMinute) {
    const auto [period, maxLate, days] = GetParam();
    World world(at(0, 0, 0, 5), dayList());
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();
    world.tickUntil(at(days, 0, 0) + 179, period);  // the last minutes of a day may run late

    Counts expected{{"c", days}, {"http://a", days}, {"dup", 2 * days}, {"fails", days}};
    for (int minute : progMinutes()) expected["prog" + formatTimeOfDay(minute)] = days;
    expected["prog00:00"] = days + 1;  // the last ticks fall in the next day's 00:00
    EXPECT_EQ(world.counts(), expected);

    for (const ActionRun& run : world.runs) {
        const std::string due = run.argument.starts_with("prog") ? run.argument.substr(4) : "12:00";
        const std::int64_t late =
            (run.wall % kDay / 60 - *parseTimeOfDay(due) + kMinutesPerDay) % kMinutesPerDay;
        EXPECT_LE(late, maxLate) << run.argument << " ran at " << hhmm(run.wall);
    }

    // The noon rows of one day ran in file order, the failing one not stopping the others.
    std::vector<std::string> noon;
    for (const ActionRun& run : world.runs)
        if (run.wall < at(1, 0, 0) && !run.argument.starts_with("prog"))
            noon.push_back(run.argument);
    EXPECT_EQ(noon, (std::vector<std::string>{"c", "http://a", "dup", "fails", "dup"}));
}

// The 1 s period makes 86,400 passes a day; one day is enough for it.
INSTANTIATE_TEST_SUITE_P(CheckPeriods, WholeDays,
                         testing::Values(Cadence{1, 0, 1}, Cadence{30, 0, 2}, Cadence{60, 0, 2},
                                         Cadence{61, 1, 2}, Cadence{150, 2, 2}),
                         [](const testing::TestParamInfo<Cadence>& param) {
                             return "Every" + std::to_string(param.param.periodSeconds) + "s";
                         });

TEST(SchedulerPass, MacroWaitSkipsNestedTicksAndDelaysTheRestOfThePass) {
    World world(at(0, 9, 59, 50), "10:00=MACRO=m.txt\r\n10:00=after\r\n10:01=next\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    std::vector<PassReport::Outcome> nested;
    world.onMacro = [&] {
        for (int i = 0; i < 2; ++i) {  // the 20 s wait, with the timer ticking inside it
            world.wall += 10;
            nested.push_back(world.scheduler.timerPass().outcome);
        }
    };
    world.scheduler.startScheduler();
    world.tickUntil(at(0, 10, 3), 30);

    EXPECT_EQ(nested, std::vector(2, PassReport::Outcome::SkippedNested));
    EXPECT_EQ(world.counts(), (Counts{{"m.txt", 1}, {"after", 1}, {"next", 1}}));
    EXPECT_EQ(world.runs[1].wall - world.runs[0].wall, 20);
}

TEST(SchedulerPass, LatePassMakesUpMissedMinutesButNotALongGap) {
    std::string list;
    for (int minute = 10 * 60; minute < 15 * 60; ++minute)
        list += formatTimeOfDay(minute) + "=x\r\n";
    World world(at(0, 10, 0, 50), list);
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();

    auto passAt = [&](std::int64_t wall) {
        world.wall = wall;
        world.scheduler.timerPass();
    };
    auto ranAt = [&](std::int64_t wall) {
        return std::count_if(world.runs.begin(), world.runs.end(),
                             [&](const ActionRun& run) { return run.wall == wall; });
    };
    passAt(at(0, 10, 2, 10));  // 20 s late on a 60 s period: 10:01 had no pass
    EXPECT_EQ(ranAt(at(0, 10, 2, 10)), 2);
    passAt(at(0, 10, 2, 10) + 60 * (kMaxCatchUpMinutes + 1));  // the most that is made up
    EXPECT_EQ(ranAt(world.wall), kMaxCatchUpMinutes + 1);
    passAt(world.wall + 60 * (kMaxCatchUpMinutes + 2));  // one minute more: slept
    EXPECT_EQ(ranAt(world.wall), 1);
    passAt(at(0, 14, 0, 10));  // hours asleep
    EXPECT_EQ(ranAt(world.wall), 1);
}

TEST(SchedulerPass, ClockTurnedBackRunsTheRepeatedMinuteAgain) {
    World world(at(0, 2, 59, 30), "02:59=x\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();
    world.wall = at(0, 2, 59, 45);
    world.scheduler.timerPass();
    world.wall = at(0, 1, 59, 30);  // daylight saving time ends
    world.monotonicOffset = 3600;
    world.tickUntil(at(0, 3, 0), 30);
    EXPECT_EQ(world.runs.size(), 2u);
}

TEST(SchedulerPass, EditedOrDownloadedListRunsOnlyWhatHasNotRun) {
    World world(at(0, 10, 0, 5), "10:00=a\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();
    EXPECT_EQ(world.counts(), (Counts{{"a", 1}}));

    world.list = "10:00=b\r\n10:00=a\r\n09:00=z\r\n10:00=a\r\n";  // edited mid-minute
    world.wall = at(0, 10, 0, 20);
    EXPECT_EQ(world.scheduler.timerPass().actionsRun, 2u);
    EXPECT_EQ(world.counts(), (Counts{{"a", 2}, {"b", 1}}));

    world.scheduler.setDownloadInterval({true, 0});
    world.onDownload = [&] { world.list = "10:01=new\r\n10:01=a\r\n"; };
    world.wall = at(0, 10, 1, 40);  // the download replaces the list before it is read
    world.scheduler.timerPass();
    world.onDownload = nullptr;
    world.tickUntil(at(0, 10, 2, 0), 5);
    EXPECT_EQ(world.counts(), (Counts{{"a", 3}, {"b", 1}, {"new", 1}}));
}

TEST(SchedulerPass, StartUpUnreadableListAndStartCommand) {
    World world(at(0, 8, 0, 10), "08:00=a\r\n07:00=b\r\n");
    world.scheduler.setDownloadInterval({false, 0});

    const PassReport startUp = world.scheduler.loadOnlyPass();
    EXPECT_TRUE(startUp.listRead);
    EXPECT_TRUE(world.runs.empty());
    ASSERT_EQ(world.scheduler.rows().size(), 2u);
    EXPECT_EQ(world.scheduler.rows()[0].action, "b");  // table order
    EXPECT_EQ(world.scheduler.timerPass().outcome, PassReport::Outcome::NotRunning);

    // Rows in the table: no immediate pass, no download; the first tick runs the minute.
    EXPECT_EQ(world.scheduler.startScheduler().outcome, PassReport::Outcome::NotNeeded);
    EXPECT_TRUE(world.downloads.empty());
    world.list.reset();  // locked by another program
    world.wall = at(0, 8, 0, 40);
    const PassReport locked = world.scheduler.timerPass();
    EXPECT_FALSE(locked.listRead);
    // The table keeps its last reading, and saving it would write that over the list.
    EXPECT_EQ(world.scheduler.rows().size(), 2u);
    EXPECT_EQ(world.scheduler.saveRisk(), SaveRisk::ListUnreadable);
    EXPECT_TRUE(world.runs.empty());

    // The next pass that reads the list makes up for the one that could not (the start
    // minute counts, though the start made no pass).
    world.list = "08:00=a\r\n07:00=b\r\n";
    world.wall = at(0, 8, 1, 10);
    world.scheduler.timerPass();
    EXPECT_EQ(world.counts(), (Counts{{"a", 1}}));
    EXPECT_EQ(world.scheduler.saveRisk(), SaveRisk::None);

    // An empty table makes the start command download and run the current minute at once.
    World empty(at(0, 8, 0, 10), "08:00=a\r\n");
    empty.scheduler.setDownloadInterval({false, 0});
    empty.onDownload = [] { throw std::runtime_error("unreachable server"); };
    const PassReport start = empty.scheduler.startScheduler();
    EXPECT_TRUE(start.downloaded);
    EXPECT_EQ(start.actionsRun, 1u);
    EXPECT_EQ(empty.passesEnded, 1);
}

std::vector<std::int64_t> gaps(const std::vector<std::int64_t>& times) {
    std::vector<std::int64_t> result;
    for (std::size_t i = 1; i < times.size(); ++i) result.push_back(times[i] - times[i - 1]);
    return result;
}

TEST(SchedulerDownload, IntervalKeepsItsPaceAcrossMidnight) {
    World world(at(0, 23, 40, 0), "");
    world.scheduler.setDownloadInterval({true, 5});
    world.scheduler.loadOnlyPass();
    world.scheduler.startScheduler();  // the empty table downloads once at the start
    world.tickUntil(at(1, 0, 40), 30);

    ASSERT_EQ(world.downloads.size(), 11u);
    EXPECT_EQ(world.downloads[1], at(0, 23, 46));  // more than 5 minutes after start-up
    EXPECT_EQ(gaps({world.downloads.begin() + 1, world.downloads.end()}),
              std::vector<std::int64_t>(9, 6 * 60));
}

TEST(SchedulerDownload, FirstDownloadCountsMinuteBoundariesAndZeroSwitchesItOff) {
    World world(at(0, 10, 0, 10), "10:00=a\r\n");
    world.scheduler.setDownloadInterval(DownloadInterval{true, 30});
    world.scheduler.loadOnlyPass();
    world.scheduler.startScheduler();
    world.tickUntil(at(0, 10, 40), 10);
    ASSERT_FALSE(world.downloads.empty());
    EXPECT_EQ(world.downloads[0], at(0, 10, 31, 0));

    World off(at(0, 10, 0, 10), "10:00=a\r\n");
    off.scheduler.setDownloadInterval(DownloadInterval{false, 0});
    off.scheduler.loadOnlyPass();
    off.scheduler.startScheduler();
    off.tickUntil(at(2, 0, 0), 60);
    EXPECT_TRUE(off.downloads.empty());

    EXPECT_TRUE(downloadDue(at(0, 23, 50), at(1, 0, 21), {true, 30}));
    EXPECT_FALSE(downloadDue(at(0, 23, 50), at(1, 0, 20), {true, 30}));
}

TEST(SchedulerRows, EditsReachTheSavedTextAndARowThatIsGoneIsLeftAlone) {
    World world(at(0, 8, 0, 10), "18:00=a\r\n07:45=b\r\n12:30=c\r\n");
    Scheduler& scheduler = world.scheduler;
    scheduler.loadOnlyPass();
    ASSERT_EQ(scheduler.listText(), "07:45=b\r\n12:30=c\r\n18:00=a\r\n");
    EXPECT_EQ(scheduler.addRow("09:00", "d"), 1u);
    EXPECT_TRUE(scheduler.deleteRow(0));
    EXPECT_TRUE(scheduler.setRowAction(2, "MACRO=Macro_01.txt"));
    // A time is taken in the form the file compares; the row keeps its place meanwhile.
    const struct {
        std::string_view typed;
        Scheduler::TimeEdit edit;
        std::string_view time;
    } times[] = {
        {"8:05", Scheduler::TimeEdit::Changed, "08:05"},
        {"23:59", Scheduler::TimeEdit::Changed, "23:59"},
        {"24:00", Scheduler::TimeEdit::Refused, "23:59"},
        {"8h05", Scheduler::TimeEdit::Refused, "23:59"},
        {"", Scheduler::TimeEdit::Refused, "23:59"},
    };
    for (const auto& t : times) {
        EXPECT_EQ(scheduler.setRowTime(1, t.typed), t.edit) << t.typed;
        EXPECT_EQ(scheduler.rows()[1].time, t.time) << t.typed;
    }
    EXPECT_EQ(scheduler.listText(), "09:00=d\r\n23:59=c\r\n18:00=MACRO=Macro_01.txt\r\n");
    // A reload while a question was on screen shortened the table.
    EXPECT_FALSE(scheduler.deleteRow(3));
    EXPECT_FALSE(scheduler.setRowAction(3, "x"));
    EXPECT_EQ(scheduler.setRowTime(3, "10:00"), Scheduler::TimeEdit::NoSuchRow);
    EXPECT_EQ(scheduler.rows().size(), 3u);
}

}  // namespace
}  // namespace tolvare::scheduler

namespace tolvare::scheduler {
namespace {

TEST(SchedulerJournal, RunsOutcomesChangesAndGapsButNotQuietPasses) {
    World world(at(0, 8, 0, 10), "08:00=ok\r\n08:00=refused\r\n08:00=fails\r\n08:02=MACRO=m.txt\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.loadOnlyPass();
    world.scheduler.startScheduler();
    world.tickUntil(at(0, 8, 0, 50), 20);  // one list reading, then quiet passes
    world.wall = at(0, 8, 3, 10);          // 08:01 and 08:02 crossed without a pass
    world.scheduler.timerPass();
    world.list = "08:03=ok\r\n";
    world.tickUntil(at(0, 8, 3, 40), 20);
    world.list.reset();
    world.tickUntil(at(0, 8, 4, 40), 20);  // unreadable: said once, and its minute not counted as checked
    world.list = "08:03=ok\r\n";
    world.wall = at(0, 9, 0, 0);  // an hour without a pass
    world.scheduler.timerPass();
    world.scheduler.downloadByHand();
    world.scheduler.stopScheduler();
    world.scheduler.stopScheduler();

    EXPECT_EQ(world.journal, (std::vector<std::string>{
                                 "Liste lue||4 lignes",
                                 "Gestionnaire lancé||",
                                 "Programme démarré|08:00=ok|ok",
                                 "Programme non démarré|08:00=refused|erreur 5",
                                 "Programme non démarré|08:00=fails|erreur inattendue",
                                 "Minutes rattrapées||08:01 à 08:02 : 1 action(s)",
                                 "Macro rejouée|08:02=MACRO=m.txt|ok",
                                 "Liste lue||1 ligne",
                                 "Programme démarré|08:03=ok|ok",
                                 "Liste illisible||verrouillée",
                                 "Liste lue||1 ligne",
                                 "Minutes non rattrapées||08:04 à 08:59 : plus de 5 minutes sans contrôle "
                                 "(ordinateur en veille ou heure changée)",
                                 "Liste inchangée||http://a/l.txt",
                                 "Gestionnaire arrêté||",
                             }));
}

TEST(SchedulerJournal, RowsPastTheLimitAreCountedAndTheListIsNotSavedOverIt) {
    World world(at(0, 8, 0, 10), std::string(kMaxListRows + 3, '\n'));
    world.scheduler.loadOnlyPass();
    EXPECT_EQ(world.scheduler.saveRisk(), SaveRisk::ListCut);
    ASSERT_EQ(world.journal.size(), 1u);
    EXPECT_EQ(world.journal[0], "Liste lue||100000 lignes, 3 ligne(s) au-delà de 100000 laissée(s) de côté");
}

}  // namespace
}  // namespace tolvare::scheduler
