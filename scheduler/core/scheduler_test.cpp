#include "scheduler/core/scheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>

#include "scheduler/core/action.h"

namespace tolvare::scheduler {
namespace {

constexpr std::int64_t kDay = 24 * 3600;

// Local seconds from 1970-01-01 00:00 as a calendar date and time (H. Hinnant's civil_from_days).
LocalDateTime civil(std::int64_t seconds) {
    std::int64_t days = seconds / kDay;
    const std::int64_t rest = seconds % kDay;
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
            static_cast<int>(rest % 60)};
}

// 2024-03-01 00:00 local; `day` counts from there.
std::int64_t at(int day, int hour, int minute, int second = 0) {
    return 19783 * kDay + day * kDay + hour * 3600 + minute * 60 + second;
}

std::string hhmm(std::int64_t seconds) { return formatTimeOfDay(static_cast<int>(seconds % kDay / 60)); }

class FakeClock final : public Clock {
public:
    explicit FakeClock(std::int64_t start) : wall(start) {}
    LocalDateTime localNow() const override { return civil(wall); }
    std::int64_t monotonicSeconds() const override { return wall + monotonicOffset; }
    std::int64_t wall;
    std::int64_t monotonicOffset = 0;  // the same minute boundaries as the wall clock
};

class FakeStore final : public ListStore {
public:
    std::optional<std::string> readList() override { return list; }
    std::optional<std::string> list;
};

struct ActionRun {
    std::int64_t wall;
    ActionKind kind;
    std::string argument;
};

class RecordingRunner final : public ActionRunner {
public:
    explicit RecordingRunner(const FakeClock& clock) : clock_(clock) {}
    void startProgram(std::string_view line) override { record(ActionKind::Program, line); }
    void openAddress(std::string_view url) override { record(ActionKind::Address, url); }
    void runMacro(std::string_view file) override {
        record(ActionKind::Macro, file);
        if (onMacro) onMacro();
    }
    void shareFolder(std::string_view path) override { record(ActionKind::Share, path); }
    void passEnded() override { ++passesEnded; }

    std::map<std::string, int> counts() const {
        std::map<std::string, int> result;
        for (const ActionRun& run : runs) ++result[run.argument];
        return result;
    }

    std::vector<ActionRun> runs;
    std::function<void()> onMacro;
    int passesEnded = 0;

private:
    void record(ActionKind kind, std::string_view argument) {
        runs.push_back({clock_.wall, kind, std::string(argument)});
        if (argument == "fails") throw std::runtime_error("cannot start");
    }
    const FakeClock& clock_;
};

class FakeDownloader final : public ListDownloader {
public:
    explicit FakeDownloader(const FakeClock& clock) : clock_(clock) {}
    void downloadList() override {
        times.push_back(clock_.wall);
        if (onDownload) onDownload();
    }
    std::vector<std::int64_t> times;
    std::function<void()> onDownload;

private:
    const FakeClock& clock_;
};

struct World {
    World(std::int64_t start, std::string list) : clock(start) { store.list = std::move(list); }
    // Ticks every `period` seconds until `until`, from wherever the clock stands.
    void tickUntil(std::int64_t until, std::int64_t period) {
        while (clock.wall + period <= until) {
            clock.wall += period;
            scheduler.timerPass();
        }
    }

    FakeClock clock;
    FakeStore store;
    RecordingRunner runner{clock};
    FakeDownloader downloader{clock};
    Scheduler scheduler{clock, store, runner, downloader};
};

// Rows every few minutes through the busy hours, a few at night (two across midnight), and a
// busy noon whose rows stand before the others in the file and repeat one line. Every
// argument but the repeated one is unique.
std::string dayList() {
    std::string list = "12:00=c\r\n12:00=IEURL=http://a\r\n12:00=dup\r\n12:00=fails\r\n12:00=dup\r\n";
    std::vector<int> minutes{0, 3 * 60 + 17, 23 * 60 + 59};
    for (int minute = 9 * 60 + 1; minute < 17 * 60; minute += 31) minutes.push_back(minute);
    for (int minute : minutes) {
        const std::string time = formatTimeOfDay(minute);
        list += time + "=prog" + time + "\r\n";
    }
    return list;
}

std::vector<int> progMinutes(const std::string& list) {
    std::vector<int> minutes;
    for (const ActionLine& row : parseList(list).rows)
        if (row.action.starts_with("prog")) minutes.push_back(*parseTimeOfDay(row.time));
    return minutes;
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

    std::map<std::string, int> expected{{"c", days}, {"http://a", days}, {"dup", 2 * days}, {"fails", days}};
    for (int minute : progMinutes(dayList())) expected["prog" + formatTimeOfDay(minute)] = days;
    expected["prog00:00"] = days + 1;  // the last ticks fall in the next day's 00:00
    EXPECT_EQ(world.runner.counts(), expected);

    for (const ActionRun& run : world.runner.runs) {
        const std::string due = run.argument.starts_with("prog") ? run.argument.substr(4) : "12:00";
        const std::int64_t late = (run.wall % kDay / 60 - *parseTimeOfDay(due) + kMinutesPerDay) %
                                  kMinutesPerDay;
        EXPECT_LE(late, maxLate) << run.argument << " ran at " << hhmm(run.wall);
    }

    // The noon rows of one day ran in file order, the failing one not stopping the others.
    std::vector<std::string> noon;
    for (const ActionRun& run : world.runner.runs)
        if (run.wall < at(1, 0, 0) && !run.argument.starts_with("prog")) noon.push_back(run.argument);
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
    world.runner.onMacro = [&] {
        for (int i = 0; i < 2; ++i) {  // the 20 s wait, with the timer ticking inside it
            world.clock.wall += 10;
            nested.push_back(world.scheduler.timerPass().outcome);
        }
    };
    world.scheduler.startScheduler();
    world.tickUntil(at(0, 10, 3), 30);

    EXPECT_EQ(nested, std::vector(2, PassReport::Outcome::SkippedNested));
    EXPECT_EQ(world.runner.counts(), (std::map<std::string, int>{{"m.txt", 1}, {"after", 1}, {"next", 1}}));
    EXPECT_EQ(world.runner.runs[1].wall - world.runner.runs[0].wall, 20);
}

TEST(SchedulerPass, LatePassMakesUpMissedMinutesButNotALongGap) {
    std::string list;
    for (int minute = 10 * 60; minute < 15 * 60; ++minute) list += formatTimeOfDay(minute) + "=x\r\n";
    World world(at(0, 10, 0, 50), list);
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();

    auto passAt = [&](std::int64_t wall) {
        world.clock.wall = wall;
        world.scheduler.timerPass();
    };
    auto ranAt = [&](std::int64_t wall) {
        std::size_t count = 0;
        for (const ActionRun& run : world.runner.runs) count += run.wall == wall;
        return count;
    };
    passAt(at(0, 10, 2, 10));  // 20 s late on a 60 s period: 10:01 had no pass
    EXPECT_EQ(ranAt(at(0, 10, 2, 10)), 2u);
    passAt(at(0, 10, 2, 10) + 60 * (kMaxCatchUpMinutes + 1));  // the most that is made up
    EXPECT_EQ(ranAt(world.clock.wall), static_cast<std::size_t>(kMaxCatchUpMinutes + 1));
    passAt(world.clock.wall + 60 * (kMaxCatchUpMinutes + 2));  // one minute more: slept
    EXPECT_EQ(ranAt(world.clock.wall), 1u);
    passAt(at(0, 14, 0, 10));  // hours asleep
    EXPECT_EQ(ranAt(world.clock.wall), 1u);
}

TEST(SchedulerPass, ClockTurnedBackRunsTheRepeatedMinuteAgain) {
    World world(at(0, 2, 59, 30), "02:59=x\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();
    world.clock.wall = at(0, 2, 59, 45);
    world.scheduler.timerPass();
    world.clock.wall = at(0, 1, 59, 30);  // daylight saving time ends
    world.clock.monotonicOffset = 3600;
    world.tickUntil(at(0, 3, 0), 30);
    EXPECT_EQ(world.runner.runs.size(), 2u);
}

TEST(SchedulerPass, EditedOrDownloadedListRunsOnlyWhatHasNotRun) {
    World world(at(0, 10, 0, 5), "10:00=a\r\n");
    world.scheduler.setDownloadInterval({false, 0});
    world.scheduler.startScheduler();
    EXPECT_EQ(world.runner.counts(), (std::map<std::string, int>{{"a", 1}}));

    world.store.list = "10:00=b\r\n10:00=a\r\n09:00=z\r\n10:00=a\r\n";  // edited mid-minute
    world.clock.wall = at(0, 10, 0, 20);
    EXPECT_EQ(world.scheduler.timerPass().actionsRun, 2u);
    EXPECT_EQ(world.runner.counts(), (std::map<std::string, int>{{"a", 2}, {"b", 1}}));

    world.scheduler.setDownloadInterval({true, 0});
    world.downloader.onDownload = [&] { world.store.list = "10:01=new\r\n10:01=a\r\n"; };
    world.clock.wall = at(0, 10, 1, 40);  // the download replaces the list before it is read
    world.scheduler.timerPass();
    world.downloader.onDownload = nullptr;
    world.tickUntil(at(0, 10, 2, 0), 5);
    EXPECT_EQ(world.runner.counts(), (std::map<std::string, int>{{"a", 3}, {"b", 1}, {"new", 1}}));
}

TEST(SchedulerPass, StartUpUnreadableListAndStartCommand) {
    World world(at(0, 8, 0, 10), "08:00=a\r\n07:00=b\r\n");
    world.scheduler.setDownloadInterval({false, 0});

    const PassReport startUp = world.scheduler.loadOnlyPass();
    EXPECT_TRUE(startUp.listRead);
    EXPECT_TRUE(world.runner.runs.empty());
    ASSERT_EQ(world.scheduler.rows().size(), 2u);
    EXPECT_EQ(world.scheduler.rows()[0].action, "b");  // table order
    EXPECT_EQ(world.scheduler.timerPass().outcome, PassReport::Outcome::NotRunning);

    // Rows in the table: no immediate pass, no download; the first tick runs the minute.
    EXPECT_EQ(world.scheduler.startScheduler().outcome, PassReport::Outcome::NotNeeded);
    EXPECT_TRUE(world.downloader.times.empty());
    world.store.list.reset();  // locked by another program
    world.clock.wall = at(0, 8, 0, 40);
    const PassReport locked = world.scheduler.timerPass();
    EXPECT_FALSE(locked.listRead);
    EXPECT_TRUE(world.scheduler.rows().empty());
    EXPECT_TRUE(world.runner.runs.empty());

    // The next pass that reads the list makes up for the one that could not (the start
    // minute counts, though the start made no pass).
    world.store.list = "08:00=a\r\n07:00=b\r\n";
    world.clock.wall = at(0, 8, 1, 10);
    world.scheduler.timerPass();
    EXPECT_EQ(world.runner.counts(), (std::map<std::string, int>{{"a", 1}}));

    // An empty table makes the start command download and run the current minute at once.
    World empty(at(0, 8, 0, 10), "08:00=a\r\n");
    empty.scheduler.setDownloadInterval({false, 0});
    empty.downloader.onDownload = [] { throw std::runtime_error("unreachable server"); };
    const PassReport start = empty.scheduler.startScheduler();
    EXPECT_TRUE(start.downloaded);
    EXPECT_EQ(start.actionsRun, 1u);
    EXPECT_EQ(empty.runner.passesEnded, 1);
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

    ASSERT_EQ(world.downloader.times.size(), 11u);
    EXPECT_EQ(world.downloader.times[1], at(0, 23, 46));  // more than 5 minutes after start-up
    EXPECT_EQ(gaps({world.downloader.times.begin() + 1, world.downloader.times.end()}),
              std::vector<std::int64_t>(9, 6 * 60));
}

TEST(SchedulerDownload, FirstDownloadCountsMinuteBoundariesAndZeroSwitchesItOff) {
    World world(at(0, 10, 0, 10), "10:00=a\r\n");
    world.scheduler.setDownloadInterval(downloadIntervalFromText("30", ","));
    world.scheduler.loadOnlyPass();
    world.scheduler.startScheduler();
    world.tickUntil(at(0, 10, 40), 10);
    ASSERT_FALSE(world.downloader.times.empty());
    EXPECT_EQ(world.downloader.times[0], at(0, 10, 31, 0));

    World off(at(0, 10, 0, 10), "10:00=a\r\n");
    off.scheduler.setDownloadInterval(downloadIntervalFromText("0", ","));
    off.scheduler.loadOnlyPass();
    off.scheduler.startScheduler();
    off.tickUntil(at(2, 0, 0), 60);
    EXPECT_TRUE(off.downloader.times.empty());
    EXPECT_EQ(off.runner.runs.size(), 2u);

    EXPECT_TRUE(downloadDue(at(0, 23, 50), at(1, 0, 21), {true, 30}));
    EXPECT_FALSE(downloadDue(at(0, 23, 50), at(1, 0, 20), {true, 30}));
}

}  // namespace
}  // namespace tolvare::scheduler
