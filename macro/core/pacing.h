// Paces a timer against absolute deadlines: tick k is due at start + k × period, so that rounding
// and the time each tick takes never add up (a 10 ms timer that really ticks every 10.3 ms would
// make a 1,000-event replay last 3 % longer than its capture).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvare::macro {

class TickPacer {
public:
    // Times are in microseconds of a monotonic clock. The first tick is due one period after
    // start (the timer is first set to the period itself).
    void start(std::int64_t nowMicros, std::int64_t periodMicros);
    // The delay to ask of the timer for the next tick, in whole milliseconds: until the next
    // deadline, rounded up, at least 1. Call once per tick, after the tick's work; it moves the
    // deadline on by one period. A pacer that fell more than a few periods behind (the program
    // was busy or the machine slept) starts again from now rather than rushing to catch up.
    std::uint32_t nextDelayMs(std::int64_t nowMicros);

    std::int64_t periodMicros() const { return period_; }

private:
    std::int64_t period_ = 10'000;
    std::int64_t nextDeadline_ = 0;
};

// The period field of the recorder: a whole number of milliseconds from 1 to 65535, blanks
// around it allowed; nothing otherwise.
std::optional<std::uint32_t> parseTimeBase(std::string_view text);

}  // namespace tolvare::macro
