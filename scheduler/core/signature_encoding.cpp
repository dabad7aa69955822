#include "scheduler/core/signature_encoding.h"

#include <cstdint>

namespace tolvare::scheduler {

namespace {

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads a DER tag and length at `at`, leaving `at` on the contents and `length` at their size;
// false unless the length is in its shortest form and its contents fit in `der`.
bool readHeader(std::string_view der, std::size_t& at, std::uint8_t tag, std::size_t& length) {
    if (der.size() - at < 2 || static_cast<std::uint8_t>(der[at]) != tag) return false;
    const auto first = static_cast<std::uint8_t>(der[at + 1]);
    at += 2;
    if (first < 0x80) {
        length = first;
    } else {
        // 0x80 is BER's indefinite length; more than four length bytes cannot be a signature.
        const std::size_t count = first & 0x7F;
        if (count == 0 || count > 4 || der.size() - at < count || der[at] == 0) return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | static_cast<std::uint8_t>(der[at + i]);
        at += count;
        if (length < 0x80) return false;
    }
    return length <= der.size() - at;
}

// Appends one INTEGER's magnitude, left-padded to `width`, to `raw`.
bool readCoordinate(std::string_view der, std::size_t& at, std::size_t width, std::string& raw) {
    std::size_t length = 0;
    if (!readHeader(der, at, 0x02, length) || length == 0) return false;
    std::string_view value = der.substr(at, length);
    at += length;
    if (static_cast<std::uint8_t>(value[0]) & 0x80) return false;  // negative
    if (value[0] == 0) {
        // The one zero byte DER allows keeps a set top bit from reading as a sign; else it is
        // either the value zero or a longer spelling of a smaller value.
        if (value.size() == 1 || !(static_cast<std::uint8_t>(value[1]) & 0x80)) return false;
        value.remove_prefix(1);
    }
    if (value.size() > width) return false;
    raw.append(width - value.size(), '\0');
    raw.append(value);
    return true;
}

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    std::uint32_t group = 0;
    std::size_t digits = 0;   // significant characters of the current group
    std::size_t padding = 0;  // '=' seen so far
    std::size_t total = 0;    // characters other than blanks
    for (char c : text) {
        if (isBlank(c)) continue;
        ++total;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = base64Value(c);
        if (value < 0 || padding > 0) return std::nullopt;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++digits == 4) {
            out.push_back(static_cast<char>(group >> 16));
            out.push_back(static_cast<char>(group >> 8));
            out.push_back(static_cast<char>(group));
            group = 0;
            digits = 0;
        }
    }
    if (total == 0 || total % 4 != 0) return std::nullopt;
    // Padding completes the last group: two characters take two '=', three take one.
    if (padding != (digits == 0 ? 0 : 4 - digits) || digits == 1) return std::nullopt;
    if (digits == 2) {
        if (group & 0x0F) return std::nullopt;
        out.push_back(static_cast<char>(group >> 4));
    } else if (digits == 3) {
        if (group & 0x03) return std::nullopt;
        out.push_back(static_cast<char>(group >> 10));
        out.push_back(static_cast<char>(group >> 2));
    }
    return out;
}

std::optional<std::string> ecdsaDerToRaw(std::string_view der, std::size_t coordinateBytes) {
    std::size_t at = 0;
    std::size_t length = 0;
    if (coordinateBytes == 0 || !readHeader(der, at, 0x30, length) || at + length != der.size()) return std::nullopt;
    std::string raw;
    if (!readCoordinate(der, at, coordinateBytes, raw) || !readCoordinate(der, at, coordinateBytes, raw) ||
        at != der.size())
        return std::nullopt;
    return raw;
}

}  // namespace tolvare::scheduler
