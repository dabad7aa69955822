#include "scheduler/core/settings.h"

#include <algorithm>
#include <limits>

namespace tolvare::scheduler {

namespace {

constexpr int kMaxWholeDigits = 18;  // 10^18 - 1 fits in 64 bits with room for scaling checks

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool fractionIsZero(const Decimal& value) {
    return std::all_of(value.fraction.begin(), value.fraction.end(),
                       [](char c) { return c == '0'; });
}

std::uint64_t powerOfTen(int exponent) {
    std::uint64_t p = 1;
    while (exponent-- > 0) p *= 10;
    return p;
}

}  // namespace

std::optional<Decimal> parseDecimal(std::string_view text, std::string_view decimalSeparator) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

    Decimal value;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        value.negative = text.front() == '-';
        text.remove_prefix(1);
    }

    bool anyDigit = false;
    int significant = 0;
    while (!text.empty() && isDigit(text.front())) {
        anyDigit = true;
        const int digit = text.front() - '0';
        if (significant > 0 || digit != 0) {
            if (++significant > kMaxWholeDigits) value.huge = true;
            if (!value.huge) value.whole = value.whole * 10 + static_cast<unsigned>(digit);
        }
        text.remove_prefix(1);
    }
    if (!decimalSeparator.empty() && text.starts_with(decimalSeparator)) {
        text.remove_prefix(decimalSeparator.size());
        while (!text.empty() && isDigit(text.front())) {
            anyDigit = true;
            value.fraction.push_back(text.front());
            text.remove_prefix(1);
        }
    }
    if (!anyDigit || !text.empty()) return std::nullopt;
    if (value.huge) value.whole = 0;
    return value;
}

std::optional<std::int64_t> roundHalfEven(const Decimal& value, int scale) {
    if (value.huge || scale < 0 || scale > 9) return std::nullopt;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t factor = powerOfTen(scale);
    if (value.whole > (kMax - factor) / factor) return std::nullopt;

    std::uint64_t scaled = value.whole * factor;
    for (int i = 0; i < scale; ++i) {
        const std::size_t pos = static_cast<std::size_t>(i);
        const int digit = pos < value.fraction.size() ? value.fraction[pos] - '0' : 0;
        scaled += static_cast<std::uint64_t>(digit) * powerOfTen(scale - 1 - i);
    }
    const std::size_t next = static_cast<std::size_t>(scale);
    const int firstDropped = next < value.fraction.size() ? value.fraction[next] - '0' : 0;
    const bool restNonZero =
        next + 1 < value.fraction.size() &&
        std::any_of(value.fraction.begin() + static_cast<std::ptrdiff_t>(next + 1),
                    value.fraction.end(), [](char c) { return c != '0'; });
    if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || scaled % 2 == 1))) ++scaled;

    const auto magnitude = static_cast<std::int64_t>(scaled);
    return value.negative ? -magnitude : magnitude;
}

int compareDecimal(const Decimal& value, std::int64_t n) {
    const bool zero = !value.huge && value.whole == 0 && fractionIsZero(value);
    const int sign = zero ? 0 : (value.negative ? -1 : 1);
    const int otherSign = (n > 0) - (n < 0);
    if (sign != otherSign) return sign < otherSign ? -1 : 1;
    if (sign == 0) return 0;

    const std::uint64_t otherMagnitude =
        n < 0 ? static_cast<std::uint64_t>(-(n + 1)) + 1 : static_cast<std::uint64_t>(n);
    int magnitudeOrder;
    if (value.huge)
        magnitudeOrder = 1;
    else if (value.whole != otherMagnitude)
        magnitudeOrder = value.whole < otherMagnitude ? -1 : 1;
    else
        magnitudeOrder = fractionIsZero(value) ? 0 : 1;
    return sign > 0 ? magnitudeOrder : -magnitudeOrder;
}

std::optional<std::int16_t> parseWhole16(std::string_view text, std::string_view decimalSeparator) {
    const std::optional<Decimal> value = parseDecimal(text, decimalSeparator);
    if (!value) return std::nullopt;
    const std::optional<std::int64_t> whole = roundHalfEven(*value);
    if (!whole || *whole < std::numeric_limits<std::int16_t>::min() ||
        *whole > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(*whole);
}

FieldCheck checkNumericField(const NumericSetting& setting, std::string_view text,
                             std::string_view decimalSeparator) {
    if (!parseWhole16(text, decimalSeparator))
        return {FieldVerdict::NotANumber, setting.textWhenNotANumber,
                setting.messageWhenNotANumber};
    // parseWhole16 succeeded, so the text is a number.
    const Decimal value = *parseDecimal(text, decimalSeparator);
    if (compareDecimal(value, setting.upperLimit) > 0)
        return {FieldVerdict::AboveLimit, setting.textWhenAbove, setting.messageWhenAbove};
    if (compareDecimal(value, setting.lowerLimit) < 0)
        return {FieldVerdict::BelowLimit, setting.textWhenBelow, setting.messageWhenBelow};
    return {};
}

std::optional<std::uint32_t> checkPeriodMilliseconds(std::string_view text,
                                                     std::string_view decimalSeparator) {
    const std::optional<Decimal> value = parseDecimal(text, decimalSeparator);
    if (!value) return std::nullopt;
    const std::optional<std::int64_t> ms = roundHalfEven(*value, 3);
    if (!ms || *ms < 0 || *ms > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(*ms);
}

DownloadInterval downloadIntervalFromText(std::string_view text,
                                          std::string_view decimalSeparator) {
    if (text == "0") return {false, 0};
    const std::optional<Decimal> value = parseDecimal(text, decimalSeparator);
    const std::optional<std::int64_t> minutes = value ? roundHalfEven(*value) : std::nullopt;
    if (!minutes || *minutes < std::numeric_limits<int>::min() ||
        *minutes > std::numeric_limits<int>::max())
        return {};
    return {true, static_cast<int>(*minutes)};
}

}  // namespace tolvare::scheduler
