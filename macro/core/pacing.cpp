#include "macro/core/pacing.h"

#include <charconv>

namespace tolvare::macro {

namespace {
// Further behind than this many periods, the schedule starts again from now.
constexpr std::int64_t kMaxLagPeriods = 5;
}  // namespace

void TickPacer::start(std::int64_t nowMicros, std::int64_t periodMicros) {
    period_ = periodMicros > 0 ? periodMicros : 1;
    nextDeadline_ = nowMicros + period_;
}

std::uint32_t TickPacer::nextDelayMs(std::int64_t nowMicros) {
    nextDeadline_ += period_;
    if (nowMicros - nextDeadline_ > kMaxLagPeriods * period_) nextDeadline_ = nowMicros + period_;
    const std::int64_t remaining = nextDeadline_ - nowMicros;
    if (remaining <= 1000) return 1;
    const std::int64_t milliseconds = (remaining + 999) / 1000;
    return milliseconds > 0xFFFFFFF ? 0xFFFFFFFu : static_cast<std::uint32_t>(milliseconds);
}

std::optional<std::uint32_t> parseTimeBase(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty() || text.size() > 5) return std::nullopt;
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (value < 1 || value > 65535) return std::nullopt;
    return value;
}

}  // namespace tolvare::macro
