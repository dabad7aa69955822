#include "scheduler/core/clock.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

bool sameMoment(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

TEST(ClockTime, OnlyTheExactFormWithinTheDayIsAccepted) {
    EXPECT_EQ(parseClockTime("00:00:00"), 0);
    EXPECT_EQ(parseClockTime("23:59:59"), 86399);
    EXPECT_EQ(parseClockTime("08:05:09"), (8 * 60 + 5) * 60 + 9);
    for (const char* bad : {"", "8:05:09", "08:05", "08:05:9", "24:00:00", "23:60:00", "23:59:60",
                            "08-05-09", "08:05:09 ", " 8:05:09", "0a:05:09", "08:05:0\xe9"})
        EXPECT_FALSE(parseClockTime(bad)) << bad;
}

TEST(ClockTime, SecondsAddedAcrossDaysMonthsYearsAndLeapDays) {
    struct Case {
        LocalDateTime from;
        std::int64_t seconds;
        LocalDateTime to;
    } cases[] = {
        {{2026, 12, 8, 10, 15, 55}, 5, {2026, 12, 8, 10, 16, 0}},
        {{2026, 12, 31, 23, 59, 50}, 15, {2027, 1, 1, 0, 0, 5}},
        {{2027, 1, 1, 0, 0, 5}, -15, {2026, 12, 31, 23, 59, 50}},
        {{2024, 2, 28, 23, 0, 0}, 3600, {2024, 2, 29, 0, 0, 0}},
        {{2023, 2, 28, 23, 0, 0}, 3600, {2023, 3, 1, 0, 0, 0}},
        {{2000, 2, 29, 12, 0, 0}, 365LL * 86400, {2001, 2, 28, 12, 0, 0}},
        {{2026, 3, 1, 0, 0, 0}, -1, {2026, 2, 28, 23, 59, 59}},
        {{1970, 1, 1, 0, 0, 0}, -86400, {1969, 12, 31, 0, 0, 0}},
        {{2026, 6, 15, 8, 30, 0}, 0, {2026, 6, 15, 8, 30, 0}},
    };
    for (const Case& c : cases) {
        const LocalDateTime got = addSeconds(c.from, c.seconds);
        EXPECT_TRUE(sameMoment(got, c.to))
            << c.seconds << " s: " << got.year << "-" << got.month << "-" << got.day << " " << got.hour
            << ":" << got.minute << ":" << got.second;
    }
}

// Every minute stamp a shifted clock gives is the plain one plus the whole minutes of the shift,
// over four years of days.
TEST(ClockTime, ShiftedMinutesAgreeWithMinuteStamps) {
    LocalDateTime t{2024, 1, 1, 0, 0, 0};
    for (int day = 0; day < 4 * 366; ++day) {
        const LocalDateTime next = addSeconds(t, 86400 + 60);
        ASSERT_EQ(minuteStamp(next), minuteStamp(t) + kMinutesPerDay + 1) << day;
        t = addSeconds(next, -60);
    }
}

}  // namespace
}  // namespace tolvare::scheduler
