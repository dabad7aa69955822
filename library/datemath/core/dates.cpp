#include "library/datemath/core/dates.h"

#include <cmath>

namespace korvel::dates {

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

// 1 January 1970 is day 25569 of the automation calendar.
constexpr std::int64_t kUnixEpochSerial = 25569;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) noexcept { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::wstring twoDigits(std::int64_t n) {
    std::wstring text = std::to_wstring(n);
    return n < 10 ? L"0" + text : text;
}

// The day the date falls on: the whole part, towards zero, as the calendar's fraction counts
// forwards from that day's midnight whatever the sign.
std::int64_t dayOf(double date) noexcept { return std::int64_t(std::trunc(date)); }

// The serial of a date-serial request, its years not limited.
double anySerial(long year, long month, long day, std::int64_t& normalisedYear) noexcept {
    std::int64_t y = year;
    if (y >= 0 && y < 30) y += 2000;
    else if (y >= 30 && y < 100) y += 1900;
    std::int64_t monthIndex = y * 12 + (std::int64_t(month) - 1);
    y = floorDiv(monthIndex, 12);
    unsigned m = unsigned(monthIndex - y * 12) + 1;
    normalisedYear = y;
    return double(daysFromCivil(y, m, 1) + kUnixEpochSerial + (std::int64_t(day) - 1));
}

}  // namespace

bool inRange(double date) noexcept { return date >= kEarliestDate && date <= kLatestDate; }

std::optional<double> dateSerial(long year, long month, long day) noexcept {
    std::int64_t y = 0;
    double serial = anySerial(year, month, day, y);
    if (y < 100 || y > 9999 || !inRange(serial)) return std::nullopt;
    return serial;
}

std::optional<double> easter(short year, bool fixedYearsApply) noexcept {
    if (fixedYearsApply && (year == 1954 || year == 2049)) return dateSerial(year, 4, 18);
    if (fixedYearsApply && (year == 1981 || year == 2076)) return dateSerial(year, 4, 19);
    // The modulo of a negative year keeps its sign, as the arithmetic of clients does.
    int a = year % 19, b = year % 4, c = year % 7;
    int d = (19 * a + 24) % 30;
    int e = (2 * b + 4 * c + 6 * d + 5) % 7;
    std::optional<double> march22 = dateSerial(year, 3, 22);
    if (!march22) return std::nullopt;
    double result = *march22 + d + e;
    if (!inRange(result)) return std::nullopt;
    return result;
}

std::wstring swapDayAndMonth(std::wstring_view date) {
    auto left = [&](size_t n) { return date.substr(0, std::min(n, date.size())); };
    auto right = [](std::wstring_view s, size_t n) { return s.substr(s.size() - std::min(n, s.size())); };
    std::wstring_view first = left(2);
    std::wstring_view second = right(left(5), 2);
    std::wstring_view year = right(date, date.size() == 10 ? 4 : 2);
    std::wstring result;
    result.reserve(10);
    result.append(second).append(L"/").append(first).append(L"/").append(year);
    return result;
}

std::wstring secondsToClock(std::int32_t seconds) {
    std::int64_t total = seconds;
    std::int64_t hours = floorDiv(total, 3600);
    std::int64_t rest = total - 3600 * hours;
    std::int64_t minutes = floorDiv(rest, 60);
    std::int64_t secs = rest - 60 * minutes;
    return twoDigits(hours) + L":" + twoDigits(minutes) + L":" + twoDigits(secs);
}

std::int32_t timeOfDayInSeconds(double date) noexcept {
    double fraction = std::fabs(date - std::trunc(date));
    std::int64_t seconds = std::llround(fraction * 86400.0);
    return std::int32_t(seconds % 86400);  // a time that rounds up to midnight is midnight
}

std::optional<std::int32_t> spanAcrossMidnight(std::int32_t from, std::int32_t to) noexcept {
    std::int64_t span = to >= from ? std::int64_t(to) - from : 86400 - std::int64_t(from) + to;
    if (span < INT32_MIN || span > INT32_MAX) return std::nullopt;
    return std::int32_t(span);
}

int isoWeekday(double date) noexcept {
    // Day 0, 30 December 1899, was a Saturday.
    std::int64_t day = dayOf(date);
    return int(((day + 5) % 7 + 7) % 7) + 1;
}

std::optional<int> workingDaysOfMonth(int year, int month) noexcept {
    // The month ends the day before the first of the next one (month 12 on 31 December).
    // December 9999 ends inside the calendar although the next month lies outside.
    std::optional<double> first = dateSerial(year, month, 1);
    std::int64_t nextYear = 0;
    double next = anySerial(year, long(month) + 1, 1, nextYear);
    if (!first) return std::nullopt;
    int count = 0;
    for (double day = next - 1; day >= *first; day -= 1)
        if (isoWeekday(day) < 6) ++count;
    return count;
}

long workingDaysBetween(double first, double last, long limit) noexcept {
    long count = 0;
    for (double day = first; day <= last; day += 1) {
        if (isoWeekday(day) < 6 && ++count > limit) break;
        if (!inRange(day + 1)) break;
    }
    return count;
}

}  // namespace korvel::dates
