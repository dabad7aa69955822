#include "scheduler/core/proxy_settings.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

HttpAddress address(std::string_view text) {
    return parseHttpAddress(text).address;
}

TEST(ProxySettings, TheProxyForEachAddress) {
    struct Case {
        ProxySettings settings;
        const char* address;
        std::optional<ProxyEndpoint> proxy;
    };
    const ProxyEndpoint office{"proxy.office", 3128};
    const ProxySettings every{true, "proxy.office:3128", ""};
    for (const Case& c : {
             Case{every, "http://lists.example.com/l.txt", office},
             Case{every, "https://lists.example.com/l.txt", office},
             Case{{false, "proxy.office:3128", ""}, "http://a.b/", std::nullopt},
             Case{{true, "", ""}, "http://a.b/", std::nullopt},
             Case{{true, "http://proxy.office:3128/", ""}, "http://a.b/", office},
             Case{{true, "proxy.office", ""}, "http://a.b/", ProxyEndpoint{"proxy.office", 80}},
             Case{{true, "[::1]:8080", ""}, "http://a.b/", ProxyEndpoint{"::1", 8080}},
             Case{{true, "proxy.office:99999", ""}, "http://a.b/", std::nullopt},
             // Per scheme: each its own; a scheme with no entry goes direct.
             Case{{true, "http=p1:81;https=p2:82", ""}, "http://a.b/", ProxyEndpoint{"p1", 81}},
             Case{{true, "http=p1:81;https=p2:82", ""}, "https://a.b/", ProxyEndpoint{"p2", 82}},
             Case{{true, "HTTPS=p2:82 ftp=p3:21", ""}, "https://a.b/", ProxyEndpoint{"p2", 82}},
             Case{{true, "http=p1:81;socks=s:1080", ""}, "https://a.b/", std::nullopt},
             Case{{true, "socks=s:1080", ""}, "http://a.b/", std::nullopt},
             // The bypass list.
             Case{{true, "p:1", "<local>"}, "http://intranet/l.txt", std::nullopt},
             Case{{true, "p:1", "<local>"}, "http://intranet.office/l.txt", ProxyEndpoint{"p", 1}},
             Case{{true, "p:1", "*.office; lists.example.com"}, "http://a.Office/", std::nullopt},
             Case{{true, "p:1", "*.office; lists.example.com"}, "https://LISTS.example.com/", std::nullopt},
             Case{{true, "p:1", "*.office; lists.example.com"}, "http://office/", ProxyEndpoint{"p", 1}},
             Case{{true, "p:1", "10.*"}, "http://10.1.2.3/", std::nullopt},
             Case{{true, "p:1", "10.*"}, "http://110.1.2.3/", ProxyEndpoint{"p", 1}},
             Case{{true, "p:1", "a.b:8080"}, "http://a.b:8080/", std::nullopt},
             Case{{true, "p:1", "a.b:8080"}, "http://a.b/", ProxyEndpoint{"p", 1}},
             Case{{true, "p:1", "http://a.b"}, "http://a.b/", std::nullopt},
             // Loopback goes through the proxy unless listed.
             Case{{true, "p:1", ""}, "http://127.0.0.1:8000/", ProxyEndpoint{"p", 1}},
             Case{{true, "p:1", "127.0.0.1"}, "http://127.0.0.1:8000/", std::nullopt},
             Case{{true, "p:1", ";;  ;"}, "http://a/", ProxyEndpoint{"p", 1}},
         }) {
        EXPECT_EQ(proxyFor(c.settings, address(c.address)), c.proxy)
            << c.settings.server << " | " << c.settings.bypass << " | " << c.address;
    }
}

}  // namespace
}  // namespace tolvare::scheduler
