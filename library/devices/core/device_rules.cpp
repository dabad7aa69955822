#include "library/devices/core/device_rules.h"

#include <cmath>
#include <limits>

namespace korvel::devices {

namespace {

wchar_t asciiUpper(wchar_t c) noexcept { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

// Whole numbers as the language of the original callers rounds them: halves to even.
long roundHalfEven(double value) noexcept {
    double whole = std::floor(value);
    double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return long(whole);
}

}  // namespace

bool namesWavFile(std::wstring_view path) noexcept {
    if (path.size() < 3) return false;
    std::wstring_view last = path.substr(path.size() - 3);
    return asciiUpper(last[0]) == L'W' && asciiUpper(last[1]) == L'A' && asciiUpper(last[2]) == L'V';
}

std::int16_t wavRateResult(std::string_view head) noexcept {
    if (head.size() < kBytesForRate) return 0;
    const auto low = static_cast<unsigned char>(head[kRateOffset]);
    const auto high = static_cast<unsigned char>(head[kRateOffset + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

std::optional<std::wstring> driveRootOf(std::wstring_view letter) {
    if (letter.size() != 1) return std::nullopt;
    const wchar_t c = letter[0];
    if (c == L'\0' || (c >= L'0' && c <= L'9')) return std::nullopt;
    return std::wstring(1, c) + L":\\";
}

long pixelsThroughTwips(long pixels, long dotsPerInch) noexcept {
    constexpr double kTwipsPerInch = 1440.0;
    if (dotsPerInch <= 0) return pixels;  // no scale to go through
    const double twipsPerPixel = kTwipsPerInch / double(dotsPerInch);
    const long extent = roundHalfEven(double(pixels) * twipsPerPixel);
    const long step = roundHalfEven(twipsPerPixel);
    // Above 2880 dots per inch a pixel is less than half a twip: no whole step to divide by.
    if (step == 0) return extent;
    return extent / step;
}

std::optional<std::int16_t> toShort(long value) noexcept {
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

}  // namespace korvel::devices
