#include "scheduler/core/settings.h"

#include <cmath>
#include <limits>

namespace tolvare::scheduler {

FieldCheck checkNumericField(const NumericSetting& setting, const NumberReading& text) {
    // The 16-bit test comes first: 40000 is not a number here, not a value above the limit.
    if (!text.whole16)
        return {FieldVerdict::NotANumber, setting.textWhenNotANumber,
                setting.messageWhenNotANumber};
    // The limits apply to the exact value, so that 60,4 is above 60.
    const double value = text.value ? *text.value : *text.whole16;
    if (value > setting.upperLimit)
        return {FieldVerdict::AboveLimit, setting.textWhenAbove, setting.messageWhenAbove};
    if (value < setting.lowerLimit)
        return {FieldVerdict::BelowLimit, setting.textWhenBelow, setting.messageWhenBelow};
    return {};
}

std::optional<std::uint32_t> checkPeriodMilliseconds(const NumberReading& seconds) {
    if (!seconds.value || !std::isfinite(*seconds.value)) return std::nullopt;
    // nearbyint rounds half to even in the default rounding mode.
    const double milliseconds = std::nearbyint(*seconds.value * 1000.0);
    if (milliseconds < 0 || milliseconds > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(milliseconds);
}

DownloadInterval downloadInterval(std::string_view text, const NumberReading& minutes) {
    if (text == "0") return {false, 0};
    if (!minutes.whole32) return {};
    return {true, *minutes.whole32};
}

}  // namespace tolvare::scheduler
