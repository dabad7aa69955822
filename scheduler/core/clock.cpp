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

// The inverse of daysFromCivil (H. Hinnant's civil_from_days).
void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int twoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
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

std::optional<int> parseClockTime(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    for (std::size_t at : {0u, 3u, 6u})
        if (!isDigit(text[at]) || !isDigit(text[at + 1])) return std::nullopt;
    const int hour = twoDigits(text, 0), minute = twoDigits(text, 3), second = twoDigits(text, 6);
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return (hour * 60 + minute) * 60 + second;
}

LocalDateTime addSeconds(const LocalDateTime& t, std::int64_t seconds) {
    constexpr std::int64_t kSecondsPerDay = std::int64_t{kMinutesPerDay} * 60;
    std::int64_t total = daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay +
                         (std::int64_t{t.hour} * 60 + t.minute) * 60 + t.second + seconds;
    std::int64_t days = total / kSecondsPerDay;
    std::int64_t second = total % kSecondsPerDay;
    if (second < 0) {
        second += kSecondsPerDay;
        --days;
    }
    LocalDateTime result;
    civilFromDays(days, result.year, result.month, result.day);
    result.hour = static_cast<int>(second / 3600);
    result.minute = static_cast<int>(second / 60 % 60);
    result.second = static_cast<int>(second % 60);
    return result;
}

std::string formatTimeOfDay(int minuteOfDay) {
    const int hour = minuteOfDay / 60;
    const int minute = minuteOfDay % 60;
    return {char('0' + hour / 10), char('0' + hour % 10), ':', char('0' + minute / 10),
            char('0' + minute % 10)};
}

}  // namespace tolvare::scheduler
