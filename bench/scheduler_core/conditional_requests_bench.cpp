// What conditional requests save a server that a fleet of workstations polls: 1,000
// workstations, each holding the current 100 KB list and its ETag, ask for it again. The
// server (a thread of this program on 127.0.0.1, answering as the list's web server would:
// 304 when If-None-Match names the current ETag) counts the bytes it sends; the clients are
// PLENAR's own client core (the request it builds, the reply reader it reads with). Printed:
// bytes sent per check with and without the validators.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "bench/figure.h"
#include "scheduler/core/http_reply.h"

namespace {

using namespace tolvare::scheduler;

constexpr int kWorkstations = 1000;
constexpr std::size_t kListBytes = 100 * 1024;
const std::string kEtag = "\"list-42\"";

std::string theList() {
    std::string list;
    for (int row = 0; list.size() < kListBytes; ++row)
        list += (row % 2 ? "08:" : "17:") + std::to_string(10 + row % 50) + "=C:\\Outils\\tache" + std::to_string(row) + ".exe\r\n";
    list.resize(kListBytes);
    return list;
}

class ListServer {
public:
    ListServer() : list_(theList()) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 64);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~ListServer() {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }
    int port() const { return port_; }
    unsigned long long bytesSent() const { return sent_; }
    void resetCount() { sent_ = 0; }

private:
    void serve() {
        for (;;) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            const bool current = request.find("\r\nIf-None-Match: " + kEtag + "\r\n") != std::string::npos;
            const std::string head = current ? "HTTP/1.1 304 Not Modified\r\nETag: " + kEtag + "\r\nConnection: close\r\n\r\n"
                                             : "HTTP/1.1 200 OK\r\nETag: " + kEtag + "\r\nContent-Type: text/plain\r\n"
                                               "Content-Length: " + std::to_string(list_.size()) + "\r\nConnection: close\r\n\r\n";
            const std::string reply = current ? head : head + list_;
            std::size_t done = 0;
            while (done < reply.size()) {
                const ssize_t wrote = send(connection, reply.data() + done, reply.size() - done, MSG_NOSIGNAL);
                if (wrote <= 0) break;
                done += static_cast<std::size_t>(wrote);
            }
            sent_ += done;
            close(connection);
        }
    }

    std::string list_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<unsigned long long> sent_{0};
    std::thread thread_;
};

// One workstation's check; the reader's verdict.
ReplyVerdict check(int port, const std::string& etag) {
    const HttpAddress address = parseHttpAddress("http://127.0.0.1:" + std::to_string(port) + "/lstplenar.txt").address;
    RequestOptions options;
    options.ifNoneMatch = etag;
    const std::string request = buildGetRequest(address, options);
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    ReplyReader reader;
    if (connect(connection, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0 &&
        send(connection, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[16384];
        std::string body;
        while (reader.verdict() == ReplyVerdict::Pending) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got > 0) reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)), body);
            else if (got == 0) reader.connectionClosed();
            else reader.connectionReset();
            body.clear();
        }
    }
    close(connection);
    return reader.verdict();
}

}  // namespace

int main() {
    ListServer server;
    double perCheck[2] = {};
    for (const bool conditional : {false, true}) {
        server.resetCount();
        int expected = 0;
        for (int workstation = 0; workstation < kWorkstations; ++workstation) {
            const ReplyVerdict verdict = check(server.port(), conditional ? kEtag : std::string());
            expected += verdict == (conditional ? ReplyVerdict::NotModified : ReplyVerdict::Complete);
        }
        perCheck[conditional] = static_cast<double>(server.bytesSent()) / kWorkstations;
        std::printf("%-28s %d workstations, %d answered as expected, %llu bytes sent by the server (%.0f per check)\n",
                    conditional ? "with conditional requests:" : "without conditional requests:", kWorkstations, expected,
                    server.bytesSent(), perCheck[conditional]);
    }
    reportFigure("Bytes a server sends for an unchanged 100 KB list, with/without validators",
                 perCheck[1] / perCheck[0], "of the full answer", "far below 0.01");
    return 0;
}
