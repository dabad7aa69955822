// Wall-clock and monotonic time as the scheduler sees them, and the HH:MM form of a row's time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvare::scheduler {

inline constexpr int kMinutesPerDay = 24 * 60;

// Local date and time of day, as the user's clock shows it (24-hour clock).
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime localNow() const = 0;
    // Seconds on a clock that only moves forward and never wraps at midnight, from an arbitrary
    // origin (on Windows: GetTickCount64() / 1000).
    virtual std::int64_t monotonicSeconds() const = 0;
};

// Minutes since 1970-01-01 00:00 of the local calendar: one number per wall-clock minute, so
// that 23:59 and the 00:00 after it are neighbours.
std::int64_t minuteStamp(const LocalDateTime& t);

// The minute of the day named by a time text in exactly the form HH:MM (two digits each, hour
// 00 to 23, minute 00 to 59), which is how the current minute is rendered for the due test.
// Any other text names no minute and is never due.
std::optional<int> parseTimeOfDay(std::string_view text);

// "HH:MM" for a minute of the day (0 to 1439).
std::string formatTimeOfDay(int minuteOfDay);

// The second of the day named by a text in exactly the form HH:MM:SS (hour 00 to 23, minute and
// second 00 to 59); nothing for any other text.
std::optional<int> parseClockTime(std::string_view text);

// The local date and time `seconds` after `t` (before it when negative), across days, months
// and years of the Gregorian calendar. `t` must be a valid date and time.
LocalDateTime addSeconds(const LocalDateTime& t, std::int64_t seconds);

}  // namespace tolvare::scheduler
