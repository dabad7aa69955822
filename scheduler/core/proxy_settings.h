// Which proxy, if any, carries a request, from the per-user Internet settings every Windows
// program reads (ProxyEnable, ProxyServer, ProxyOverride). Automatic configuration (scripts,
// detection) is not read, nor are SOCKS proxies: a request they would route goes direct.
//
// ProxyServer: "host:port" for every scheme, or "scheme=host:port" entries separated by ';' or
// blanks ("http=", "https="; others ignored). A missing port is 80; a leading "http://" is
// allowed. An https address with no https entry goes direct, as it does in other programs.
// ProxyOverride: ';'-separated patterns, compared without regard to case with the host, or with
// "host:port" when the pattern names a port; '*' matches any run of characters; "<local>"
// matches any host name without a dot. Loopback addresses are not bypassed unless listed: a
// proxy in front of a test or development server on the same machine must still be used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scheduler/core/http_reply.h"

namespace tolvare::scheduler {

struct ProxySettings {
    bool enabled = false;
    std::string server;  // ProxyServer
    std::string bypass;  // ProxyOverride
};

struct ProxyEndpoint {
    std::string host;
    std::uint16_t port = 80;
    bool operator==(const ProxyEndpoint&) const = default;
};

std::optional<ProxyEndpoint> proxyFor(const ProxySettings& settings, const HttpAddress& address);

}  // namespace tolvare::scheduler
