#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "library/datemath/core/angles.h"
#include "library/datemath/core/dates.h"

using namespace korvel;
namespace chr = std::chrono;

namespace {

// Automation date serial of a civil date, through the standard calendar.
double serialOf(int y, unsigned m, unsigned d) {
    auto days = chr::sys_days(chr::year_month_day(chr::year(y), chr::month(m), chr::day(d)));
    auto epoch = chr::sys_days(chr::year_month_day(chr::year(1899), chr::month(12), chr::day(30)));
    return double((days - epoch).count());
}

// Easter by the anonymous Gregorian algorithm (Meeus), which holds for every Gregorian year.
double meeusEaster(int year) {
    int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    int m = (a + 11 * h + 22 * l) / 451;
    int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return serialOf(year, unsigned(month), unsigned(day));
}

TEST(Dates, EasterAgreesWithAnIndependentComputationFrom1900To2099) {
    for (int year = 1900; year <= 2099; ++year) ASSERT_EQ(dates::easter(short(year)), meeusEaster(year)) << year;
    EXPECT_EQ(dates::easter(2004), serialOf(2004, 4, 11));
    EXPECT_EQ(dates::easter(1954), serialOf(1954, 4, 18));
    EXPECT_EQ(dates::easter(1981), serialOf(1981, 4, 19));
    EXPECT_EQ(dates::easter(2049), serialOf(2049, 4, 18));
    EXPECT_EQ(dates::easter(2076), serialOf(2076, 4, 19));
}

TEST(Dates, EasterOutsideTheRuleYearsKeepsTheArithmetic) {
    // 22 March plus d + e, where Gauss's rule without its century terms lands.
    int y = 2200, a = y % 19, b = y % 4, c = y % 7, d = (19 * a + 24) % 30, e = (2 * b + 4 * c + 6 * d + 5) % 7;
    EXPECT_EQ(dates::easter(2200), serialOf(2200, 3, 22) + d + e);
    EXPECT_EQ(dates::easter(-5), std::nullopt);
    EXPECT_EQ(dates::easter(32767), std::nullopt);
    EXPECT_TRUE(dates::easter(5).has_value());  // two-digit years are read as 2005
}

TEST(Dates, DateSerialNormalisesMonthsAndDays) {
    EXPECT_EQ(dates::dateSerial(2002, 2, 1), serialOf(2002, 2, 1));
    EXPECT_EQ(dates::dateSerial(2002, 13, 1), serialOf(2003, 1, 1));
    EXPECT_EQ(dates::dateSerial(2002, 0, 1), serialOf(2001, 12, 1));
    EXPECT_EQ(dates::dateSerial(2002, -13, 1), serialOf(2000, 11, 1));
    EXPECT_EQ(dates::dateSerial(2002, 3, 0), serialOf(2002, 2, 28));
    EXPECT_EQ(dates::dateSerial(1899, 12, 30), 0.0);
    EXPECT_EQ(dates::dateSerial(29, 1, 1), serialOf(2029, 1, 1));
    EXPECT_EQ(dates::dateSerial(30, 1, 1), serialOf(1930, 1, 1));
    EXPECT_EQ(dates::dateSerial(10000, 1, 1), std::nullopt);
    EXPECT_EQ(dates::dateSerial(9999, 13, 1), std::nullopt);
    EXPECT_EQ(dates::dateSerial(100, 1, 1), dates::kEarliestDate);
}

TEST(Dates, DayAndMonthSwapByPosition) {
    EXPECT_EQ(dates::swapDayAndMonth(L"25/12/2002"), L"12/25/2002");
    EXPECT_EQ(dates::swapDayAndMonth(L"25/12/02"), L"12/25/02");
    EXPECT_EQ(dates::swapDayAndMonth(L"12/25/2002"), L"25/12/2002");
    EXPECT_EQ(dates::swapDayAndMonth(L""), L"//");
    EXPECT_EQ(dates::swapDayAndMonth(L"1"), L"1/1/1");
    EXPECT_EQ(dates::swapDayAndMonth(L"abcdefghijkl"), L"de/ab/kl");
}

TEST(Dates, SecondsAndClockTexts) {
    EXPECT_EQ(dates::secondsToClock(3661), L"01:01:01");
    EXPECT_EQ(dates::secondsToClock(0), L"00:00:00");
    EXPECT_EQ(dates::secondsToClock(-1), L"0-1:59:59");
    EXPECT_EQ(dates::secondsToClock(90000), L"25:00:00");
    EXPECT_EQ(dates::secondsToClock(INT32_MAX), L"596523:14:07");
    EXPECT_EQ(dates::secondsToClock(INT32_MIN), L"0-596524:45:52");
    // 01:01:01 on any date, before or after the calendar's day 0.
    for (double day : {0.0, 37000.0, -400.0}) {
        double time = (3661.0) / 86400;
        EXPECT_EQ(dates::timeOfDayInSeconds(day < 0 ? day - time : day + time), 3661) << day;
    }
    EXPECT_EQ(dates::timeOfDayInSeconds(0.9999999), 0);  // rounds up to midnight
    EXPECT_EQ(dates::spanAcrossMidnight(82800, 3600), 7200);
    EXPECT_EQ(dates::spanAcrossMidnight(100, 100), 0);
    EXPECT_EQ(dates::spanAcrossMidnight(INT32_MIN, INT32_MAX), std::nullopt);
    EXPECT_EQ(dates::spanAcrossMidnight(INT32_MAX, INT32_MIN), std::nullopt);
    EXPECT_EQ(dates::spanAcrossMidnight(86500, 5), -95);  // not times of day: what the rule gives
}

TEST(Dates, WorkingDaysPerMonthAgainstAPlainWeekdayCount) {
    EXPECT_EQ(dates::workingDaysOfMonth(2002, 2), 20);
    for (int year = 1999; year <= 2030; ++year) {
        for (unsigned month = 1; month <= 12; ++month) {
            chr::year_month_day first(chr::year(year), chr::month(month), chr::day(1));
            int expected = 0;
            for (chr::sys_days d = first; chr::year_month_day(d).month() == chr::month(month); d += chr::days(1)) {
                chr::weekday w(d);
                if (w != chr::Saturday && w != chr::Sunday) ++expected;
            }
            ASSERT_EQ(dates::workingDaysOfMonth(year, int(month)), expected) << year << "-" << month;
        }
    }
    EXPECT_EQ(dates::workingDaysOfMonth(2002, 13), dates::workingDaysOfMonth(2003, 1));
    EXPECT_EQ(dates::workingDaysOfMonth(9999, 12), 23);  // its next month lies outside the calendar
    EXPECT_EQ(dates::workingDaysOfMonth(9999, 13), std::nullopt);
    EXPECT_EQ(dates::workingDaysOfMonth(-1, 1), std::nullopt);
}

TEST(Dates, WorkingDaysBetweenTwoDates) {
    double monday = serialOf(2002, 12, 23), saturday = serialOf(2002, 12, 21);
    EXPECT_EQ(dates::isoWeekday(monday), 1);
    EXPECT_EQ(dates::isoWeekday(0.0), 6);
    EXPECT_EQ(dates::isoWeekday(-0.5), 6);  // still 30 December 1899
    EXPECT_EQ(dates::isoWeekday(-1.5), 5);
    EXPECT_EQ(dates::workingDaysBetween(monday, monday + 4, 32767), 5);
    EXPECT_EQ(dates::workingDaysBetween(saturday, saturday + 1, 32767), 0);
    EXPECT_EQ(dates::workingDaysBetween(monday + 4, monday, 32767), 0);
    // Later in the day than the end on the same date: nothing.
    EXPECT_EQ(dates::workingDaysBetween(monday + 0.75, monday + 0.25, 32767), 0);
    EXPECT_EQ(dates::workingDaysBetween(monday + 0.25, monday + 1.2, 32767), 1);
    EXPECT_EQ(dates::workingDaysBetween(monday + 0.25, monday + 1.25, 32767), 2);
    // Against a plain count over several years.
    double from = serialOf(1998, 1, 1), to = serialOf(2003, 12, 31);
    int expected = 0;
    for (double d = from; d <= to; d += 1) {
        chr::weekday w(chr::sys_days(chr::year_month_day(chr::year(1899), chr::month(12), chr::day(30))) +
                       chr::days(long(d)));
        if (w != chr::Saturday && w != chr::Sunday) ++expected;
    }
    EXPECT_EQ(dates::workingDaysBetween(from, to, 32767), expected);
    // Counting stops once past the limit, even to the end of the calendar.
    EXPECT_EQ(dates::workingDaysBetween(dates::kEarliestDate, dates::kLatestDate, 32767), 32768);
}

TEST(Angles, TheStatedExamples) {
    EXPECT_NEAR(angles::principalMeasure(7), 0.72, 1e-12);
    EXPECT_NEAR(angles::principalMeasure(-4), 2.28, 1e-12);
    EXPECT_EQ(angles::principalMeasure(3.14), 3.14);
    EXPECT_NEAR(angles::inverseCosine(0), 1.57, 1e-6);
    EXPECT_EQ(angles::inverseCosine(1), 0);
    EXPECT_EQ(angles::inverseCosine(-1), 0);
    EXPECT_EQ(angles::inverseSine(-1), 0);
    EXPECT_NEAR(angles::inverseSine(-0.5), 3.67, 0.01);
    EXPECT_GT(angles::inverseSine(-0.5), angles::kP);
    EXPECT_NEAR(angles::directionAngle(1, 1, 0, 0), 0.785, 0.001);
    EXPECT_EQ(angles::directionAngle(1, 0, 0, 0), 0);
    EXPECT_NEAR(angles::directionAngle(0, -1, 0, 0), -0.785, 0.001);
    EXPECT_EQ(angles::directionAngle(-1, 0, 0, 0), 0);
}

TEST(Angles, DirectionsAroundTheCircleAreNearTheTrueAngle) {
    // Away from the axes, where the scans cannot reach ±1, the angle is within two steps.
    for (int degrees = -170; degrees <= 170; degrees += 5) {
        if (degrees % 90 == 0) continue;
        double t = degrees * 3.141592653589793 / 180;
        double a = angles::directionAngle(10 + std::cos(t), 20 + std::sin(t), 10, 20);
        EXPECT_NEAR(a, t * angles::kP / 3.141592653589793, 0.05) << degrees;
    }
}

TEST(Angles, HugeAnglesEndInRange) {
    for (double angle : {1e7, -1e7, 1e300, -1e300, std::numeric_limits<double>::max()}) {
        double reduced = angles::principalMeasure(angle);
        EXPECT_LE(reduced, angles::kP) << angle;
        EXPECT_GE(reduced, -angles::kP) << angle;
    }
    // Below the remainder's threshold the steps are those of repeated subtraction.
    double angle = 1000;
    while (angle > angles::kP) angle -= 2 * angles::kP;
    EXPECT_EQ(angles::principalMeasure(1000), angle);
}

}  // namespace
