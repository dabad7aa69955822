#include "scheduler/core/proxy_settings.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tolvare::scheduler {

namespace {

bool isSeparator(char c) { return c == ';' || c == ' ' || c == '\t'; }

std::vector<std::string_view> entries(std::string_view text, bool blanksSeparate) {
    std::vector<std::string_view> found;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !(blanksSeparate ? isSeparator(text[i]) : text[i] == ';')) continue;
        std::string_view entry = text.substr(start, i - start);
        while (!entry.empty() && std::isspace(static_cast<unsigned char>(entry.front()))) entry.remove_prefix(1);
        while (!entry.empty() && std::isspace(static_cast<unsigned char>(entry.back()))) entry.remove_suffix(1);
        if (!entry.empty()) found.push_back(entry);
        start = i + 1;
    }
    return found;
}

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return lower(a) == lower(b); });
}

// "host", "host:port", "[v6]:port", with an optional "http://" and trailing '/'.
std::optional<ProxyEndpoint> endpointOf(std::string_view text) {
    if (startsWithIgnoringCase(text, "http://")) text.remove_prefix(7);
    while (text.ends_with('/')) text.remove_suffix(1);
    ProxyEndpoint endpoint;
    std::string_view portText;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        endpoint.host = std::string(text.substr(1, close - 1));
        const std::string_view after = text.substr(close + 1);
        if (!after.empty() && after.front() != ':') return std::nullopt;
        if (!after.empty()) portText = after.substr(1);
    } else {
        const std::size_t colon = text.rfind(':');
        endpoint.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) portText = text.substr(colon + 1);
    }
    if (endpoint.host.empty()) return std::nullopt;
    if (!portText.empty()) {
        if (portText.size() > 5 || !std::all_of(portText.begin(), portText.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int port = std::stoi(std::string(portText));
        if (port < 1 || port > 65535) return std::nullopt;
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

// '*' matches any run of characters; everything else itself, without regard to case.
bool wildcardMatch(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, starAt = std::string_view::npos, resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && lower(pattern[p]) == lower(text[t])) {
            ++p;
            ++t;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool bypassed(std::string_view bypassList, const HttpAddress& address) {
    const std::string hostPort = address.host + ":" + std::to_string(address.port);
    for (std::string_view pattern : entries(bypassList, false)) {
        if (pattern == "<local>") {
            if (address.host.find('.') == std::string::npos && !address.hostIsIpv6) return true;
            continue;
        }
        if (startsWithIgnoringCase(pattern, "http://")) pattern.remove_prefix(7);
        else if (startsWithIgnoringCase(pattern, "https://")) pattern.remove_prefix(8);
        const bool namesPort = !pattern.empty() && pattern.find(':') != std::string_view::npos && !address.hostIsIpv6;
        if (wildcardMatch(pattern, namesPort ? std::string_view(hostPort) : std::string_view(address.host))) return true;
    }
    return false;
}

}  // namespace

std::optional<ProxyEndpoint> proxyFor(const ProxySettings& settings, const HttpAddress& address) {
    if (!settings.enabled || bypassed(settings.bypass, address)) return std::nullopt;
    const std::string_view wanted = address.secure ? "https" : "http";
    const std::vector<std::string_view> all = entries(settings.server, true);
    const bool perScheme = std::any_of(all.begin(), all.end(), [](std::string_view e) { return e.find('=') != std::string_view::npos; });
    if (!perScheme) return all.size() == 1 ? endpointOf(all.front()) : std::nullopt;
    for (std::string_view entry : all) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view scheme = entry.substr(0, equals);
        if (scheme.size() == wanted.size() && startsWithIgnoringCase(scheme, wanted)) return endpointOf(entry.substr(equals + 1));
    }
    return std::nullopt;
}

}  // namespace tolvare::scheduler
