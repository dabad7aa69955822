// When Wait's timer is due, in the platform's signed 64-bit counts of 100-ns units, where a
// negative value is relative to now and a positive one is an absolute time.
#pragma once

#include <cstdint>

namespace korvel::waiting {

inline constexpr std::int64_t kUnitsPerSecond = 10'000'000;

// Relative to now for a positive count of seconds. Zero or a negative count gives zero or a
// positive value, an absolute time long past, so that the timer is due at once. Computed in 64
// bits: the largest count (about 68 years) does not overflow.
constexpr std::int64_t waitDueTime(std::int32_t seconds) noexcept {
    return -(std::int64_t{seconds} * kUnitsPerSecond);
}

}  // namespace korvel::waiting
