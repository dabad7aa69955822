#include "library/internet/core/download_check.h"

#include <string>

namespace korvel::downloads {

namespace {

constexpr std::wstring_view kBlanks = L" \t";

std::wstring_view trimmed(std::wstring_view s) {
    std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = wchar_t(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = wchar_t(y - L'A' + L'a');
        if (x != y) return false;
    }
    return true;
}

// A Content-Length value: decimal digits only, no sign, no overflow.
std::optional<std::uint64_t> wholeNumber(std::wstring_view s) {
    if (s.empty() || s.size() > 19) return std::nullopt;
    std::uint64_t n = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return std::nullopt;
        n = n * 10 + std::uint64_t(c - L'0');
    }
    return n;
}

bool isSuccess(unsigned long status) {
    // "Not modified" means the platform's cached copy is the current resource.
    return (status >= 200 && status <= 299) || status == 304;
}

}  // namespace

BodyLength bodyLength(std::wstring_view rawHeaders) {
    std::optional<std::uint64_t> length;
    bool malformed = false, coded = false;
    // The first line is the status line; each further line is one header.
    std::size_t start = rawHeaders.find(L'\n');
    while (start != std::wstring_view::npos) {
        ++start;
        std::size_t end = rawHeaders.find(L'\n', start);
        std::wstring_view line = rawHeaders.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        start = end;
        std::size_t colon = line.find(L':');
        if (colon == std::wstring_view::npos) continue;
        std::wstring_view name = trimmed(line.substr(0, colon)), value = trimmed(line.substr(colon + 1));
        if (sameName(name, L"Content-Length")) {
            std::optional<std::uint64_t> n = wholeNumber(value);
            if (!n || (length && *length != *n)) malformed = true;
            length = n;
        } else if (sameName(name, L"Transfer-Encoding") || sameName(name, L"Content-Encoding")) {
            if (!value.empty() && !sameName(value, L"identity")) coded = true;
        }
    }
    // A coded body's Content-Length (when there is one) counts the coded bytes, not the
    // decoded ones the platform delivers.
    if (coded) return {};
    if (malformed) return {BodyLength::malformed, 0};
    if (length) return {BodyLength::announced, *length};
    return {};
}

Verdict judge(const ServerAnswer& answer, std::optional<std::uint64_t> delivered) {
    if (answer.answered && !isSuccess(answer.status)) return Verdict::errorStatus;
    if (!delivered) return Verdict::notDelivered;
    // A "not modified" answer has no body of its own (the cached copy was delivered), and a
    // source that is not HTTP has no headers.
    if (!answer.answered || answer.status == 304) return Verdict::complete;
    BodyLength length = bodyLength(answer.rawHeaders);
    switch (length.kind) {
    case BodyLength::unknown:
        return Verdict::complete;
    case BodyLength::malformed:
        return Verdict::malformedLength;
    case BodyLength::announced:
        return *delivered == length.bytes ? Verdict::complete : Verdict::truncated;
    }
    return Verdict::malformedLength;
}

}  // namespace korvel::downloads
