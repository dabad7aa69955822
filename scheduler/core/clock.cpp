#include "scheduler/core/clock.h"

namespace tolvare::scheduler {

namespace {

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's days_from_civil);
// 64-bit throughout so that a nonsensical date from a clock cannot overflow.
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int64_t minuteStamp(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * kMinutesPerDay + std::int64_t{t.hour} * 60 +
           t.minute;
}

std::optional<int> parseTimeOfDay(std::string_view text) {
    if (text.size() != 5 || text[2] != ':' || !isDigit(text[0]) || !isDigit(text[1]) ||
        !isDigit(text[3]) || !isDigit(text[4]))
        return std::nullopt;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    if (hour > 23 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

std::string formatTimeOfDay(int minuteOfDay) {
    const int hour = minuteOfDay / 60;
    const int minute = minuteOfDay % 60;
    return {char('0' + hour / 10), char('0' + hour % 10), ':', char('0' + minute / 10),
            char('0' + minute % 10)};
}

}  // namespace tolvare::scheduler
