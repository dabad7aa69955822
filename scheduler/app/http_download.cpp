#include "scheduler/app/http_download.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <process.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "common/win32/message_wait.h"
#include "common/win32/unique_handle.h"
#include "scheduler/app/tls_channel.h"
#include "scheduler/core/http_reply.h"

namespace tolvare::plenar {

namespace {

using std::chrono::milliseconds;

constexpr std::size_t kReceiveBufferBytes = 16 * 1024;

using unique_addrinfo = unique_any<null_is_invalid<addrinfo*, ::freeaddrinfo>>;

class Deadline {
public:
    explicit Deadline(milliseconds span) : end_(GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(span.count(), 0))) {}
    milliseconds left() const {
        const ULONGLONG now = GetTickCount64();
        return milliseconds(now >= end_ ? 0 : static_cast<long long>(end_ - now));
    }
    bool passed() const { return left().count() == 0; }

private:
    ULONGLONG end_;
};

// The socket of the connection in progress, shared between the worker, which uses it, and the
// waiting thread, which closes it to cancel: closing is what makes a select or recv blocked on
// it return at once. The worker never closes a socket value the canceller may already have
// closed (a value can be reused by the next socket the process opens): both go through here.
class CancellableConnection {
public:
    // Takes a new connection's socket; once cancelled, closes it and says no.
    bool adopt(unique_socket socket) {
        std::lock_guard lock(mutex_);
        if (cancelled_) return false;
        socket_ = std::move(socket);
        return true;
    }
    // INVALID_SOCKET once closed or cancelled: a call on it then fails at once.
    SOCKET get() {
        std::lock_guard lock(mutex_);
        return socket_.get();
    }
    void close() {
        std::lock_guard lock(mutex_);
        socket_.reset();
    }
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        socket_.reset();
    }
    bool cancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    std::mutex mutex_;
    unique_socket socket_;
    bool cancelled_ = false;
};

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), count, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// One download on the worker thread: the requests, the redirects, the body into the file. It is
// the raw stream of its own connection too, which TLS wraps for https.
class Transfer final : public ByteStream {
public:
    Transfer(scheduler::HttpAddress address, HANDLE file, const DownloadLimits& limits, DownloadConditions conditions)
        : address_(std::move(address)), file_(file), limits_(limits), deadline_(limits.total),
          conditions_(std::move(conditions)) {}

    DownloadResult run() {
        const scheduler::ProxySettings proxy = conditions_.proxy ? *conditions_.proxy : systemProxySettings();
        result_.outcome = follow(proxy);
        connection_.close();
        return result_;
    }

    CancellableConnection& connection() { return connection_; }

    StreamStatus send(std::string_view bytes) override {
        while (!bytes.empty()) {
            if (deadline_.passed()) return StreamStatus::TimedOut;
            const int sent = ::send(connection_.get(), bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (connection_.cancelled()) return StreamStatus::Cancelled;
            if (WSAGetLastError() != WSAEWOULDBLOCK) return StreamStatus::Reset;
            switch (waitFor(true, std::min(limits_.idle, deadline_.left()))) {
            case Wait::Cancelled: return StreamStatus::Cancelled;
            case Wait::TimedOut: return StreamStatus::TimedOut;
            case Wait::Failed: return StreamStatus::Reset;
            case Wait::Ready: break;
            }
        }
        return StreamStatus::Ok;
    }

    StreamStatus receive(std::string& arrived) override {
        char buffer[kReceiveBufferBytes];
        for (;;) {
            // Checked apart from the waits: a server that never stops sending never lets a
            // wait run out, and not all it can send grows the body (chunk extensions, empty
            // compressed blocks).
            if (deadline_.passed()) return StreamStatus::TimedOut;
            switch (waitFor(false, std::min(limits_.idle, deadline_.left()))) {
            case Wait::Cancelled: return StreamStatus::Cancelled;
            case Wait::TimedOut: return StreamStatus::TimedOut;
            case Wait::Failed: return StreamStatus::Reset;
            case Wait::Ready: break;
            }
            const int received = recv(connection_.get(), buffer, static_cast<int>(sizeof buffer), 0);
            if (received > 0) {
                arrived.append(buffer, static_cast<std::size_t>(received));
                return StreamStatus::Ok;
            }
            if (received == 0) return endedByReset() ? StreamStatus::Reset : StreamStatus::Closed;
            if (connection_.cancelled()) return StreamStatus::Cancelled;
            const int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK || error == WSAEINTR) continue;
            // WSAECONNRESET, WSAECONNABORTED and any other failure of the connection: the
            // reply cannot be whole, whatever its framing.
            return StreamStatus::Reset;
        }
    }

private:
    enum class Wait { Ready, TimedOut, Cancelled, Failed };

    bool conditional() const { return !conditions_.ifNoneMatch.empty() || !conditions_.ifModifiedSince.empty(); }

    DownloadOutcome follow(const scheduler::ProxySettings& proxy) {
        scheduler::HttpAddress address = address_;
        for (int redirects = 0;; ++redirects) {
            scheduler::ReplyLimits replyLimits;
            replyLimits.maxBodyBytes = limits_.maxBodyBytes;
            scheduler::ReplyReader reader(replyLimits);
            const std::optional<DownloadOutcome> failure = fetch(address, scheduler::proxyFor(proxy, address), reader);
            connection_.close();
            result_.httpStatus = reader.status();
            if (failure) return *failure;
            result_.etag = reader.etag();
            result_.lastModified = reader.lastModified();
            switch (reader.verdict()) {
            case scheduler::ReplyVerdict::Complete: return DownloadOutcome::Complete;
            case scheduler::ReplyVerdict::NotModified:
                return conditional() ? DownloadOutcome::NotModified : DownloadOutcome::ErrorStatus;
            case scheduler::ReplyVerdict::ErrorStatus: return DownloadOutcome::ErrorStatus;
            case scheduler::ReplyVerdict::Cut: return DownloadOutcome::Cut;
            case scheduler::ReplyVerdict::TooLarge: return DownloadOutcome::TooLarge;
            case scheduler::ReplyVerdict::BadCompression: return DownloadOutcome::BadCompression;
            case scheduler::ReplyVerdict::Malformed: return DownloadOutcome::MalformedReply;
            case scheduler::ReplyVerdict::Pending: return DownloadOutcome::Cut;
            case scheduler::ReplyVerdict::Redirect: break;
            }
            if (redirects >= limits_.maxRedirects) return DownloadOutcome::TooManyRedirects;
            const scheduler::AddressCheck next = scheduler::resolveRedirect(address, reader.location());
            if (next.verdict == scheduler::AddressVerdict::UnsupportedScheme) return DownloadOutcome::UnsupportedScheme;
            if (next.verdict != scheduler::AddressVerdict::Valid) return DownloadOutcome::MalformedReply;
            if (address.secure && !next.address.secure) return DownloadOutcome::InsecureRedirect;
            address = next.address;
        }
    }

    static std::optional<DownloadOutcome> outcomeOf(StreamStatus status) {
        switch (status) {
        case StreamStatus::Ok: return std::nullopt;
        case StreamStatus::TimedOut: return DownloadOutcome::TimedOut;
        case StreamStatus::Cancelled: return DownloadOutcome::Cancelled;
        case StreamStatus::Closed:
        case StreamStatus::Reset: return DownloadOutcome::Cut;
        }
        return DownloadOutcome::Cut;
    }

    // One request and its reply, read until the reader has a verdict; an outcome only when the
    // exchange itself failed (connection, tunnel, TLS, time, cancel, file).
    std::optional<DownloadOutcome> fetch(const scheduler::HttpAddress& address,
                                         const std::optional<scheduler::ProxyEndpoint>& proxy,
                                         scheduler::ReplyReader& reader) {
        if (const std::optional<DownloadOutcome> failure =
                proxy ? connectTo(proxy->host, proxy->port) : connectTo(address.host, address.port))
            return failure;
        std::unique_ptr<TlsChannel> tls;
        if (address.secure) {
            if (proxy)
                if (const std::optional<DownloadOutcome> failure = openTunnel(address)) return failure;
            tls = std::make_unique<TlsChannel>(*this, address.host);
            if (!tls->open()) {
                result_.problem = tls->problem();
                switch (tls->failure()) {
                case TlsChannel::Failure::Stream: return outcomeOf(tls->streamStatus()).value_or(DownloadOutcome::Cut);
                case TlsChannel::Failure::Certificate: return DownloadOutcome::CertificateRefused;
                default: return DownloadOutcome::TlsRefused;
                }
            }
        }
        ByteStream& stream = tls ? static_cast<ByteStream&>(*tls) : *this;
        scheduler::RequestOptions options;
        options.absoluteForm = proxy && !address.secure;
        options.ifNoneMatch = conditions_.ifNoneMatch;
        options.ifModifiedSince = conditions_.ifModifiedSince;
        if (const std::optional<DownloadOutcome> failure = outcomeOf(stream.send(scheduler::buildGetRequest(address, options))))
            return failure;

        std::string received;
        std::string body;
        while (reader.verdict() == scheduler::ReplyVerdict::Pending) {
            received.clear();
            switch (const StreamStatus status = stream.receive(received)) {
            case StreamStatus::Ok: reader.feed(received, body); break;
            case StreamStatus::Closed: reader.connectionClosed(); break;
            case StreamStatus::Reset: reader.connectionReset(); break;
            default: return outcomeOf(status);
            }
            if (!body.empty()) {
                if (!writeAll(file_, body)) return DownloadOutcome::CannotWriteTarget;
                body.clear();
            }
        }
        return std::nullopt;
    }

    // Asks the proxy for a tunnel to the address; the proxy's answer has no body, and nothing
    // of the server's may come before the client's first TLS message.
    std::optional<DownloadOutcome> openTunnel(const scheduler::HttpAddress& address) {
        if (const std::optional<DownloadOutcome> failure = outcomeOf(send(scheduler::buildConnectRequest(address))))
            return failure;
        std::string answer;
        for (;;) {
            const scheduler::TunnelReply reply = scheduler::readTunnelReply(answer);
            result_.httpStatus = reply.status;
            switch (reply.state) {
            case scheduler::TunnelReply::State::Established:
                if (reply.headerBytes != answer.size()) return DownloadOutcome::MalformedReply;
                return std::nullopt;
            case scheduler::TunnelReply::State::Refused: return DownloadOutcome::ProxyRefused;
            case scheduler::TunnelReply::State::Malformed: return DownloadOutcome::MalformedReply;
            case scheduler::TunnelReply::State::Pending: break;
            }
            if (const std::optional<DownloadOutcome> failure = outcomeOf(receive(answer))) return failure;
        }
    }

    // Whether a connection whose end recv reported (it returned nothing) was reset rather than
    // closed in order. Windows reports a reset from recv itself, but Wine 8 reports it as an
    // orderly end (its server takes the socket's error first) and keeps it for the next send.
    // So the end is probed by sending an empty line, which a server may ignore before a
    // request (RFC 9112 2.2) and which a connection closed in order by the other side still
    // takes; a reset or aborted one refuses it. Any refusal counts as a reset: a cut taken for
    // whole would replace the list with half of it.
    bool endedByReset() {
        const int sent = ::send(connection_.get(), "\r\n", 2, 0);
        return sent == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK;
    }

    std::optional<DownloadOutcome> connectTo(const std::string& host, std::uint16_t port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        unique_addrinfo found;
        const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, found.put());
        if (connection_.cancelled()) return DownloadOutcome::Cancelled;
        if (lookup != 0) return DownloadOutcome::Unreachable;
        if (deadline_.passed()) return DownloadOutcome::TimedOut;

        bool timedOut = false;
        for (const addrinfo* candidate = found.get(); candidate; candidate = candidate->ai_next) {
            unique_socket socket(::socket(candidate->ai_family, candidate->ai_socktype, candidate->ai_protocol));
            if (!socket) continue;
            // Non-blocking, so that connecting, sending and receiving all wait in select with
            // a time limit.
            u_long nonBlocking = 1;
            if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) continue;
            const SOCKET raw = socket.get();
            if (!connection_.adopt(std::move(socket))) return DownloadOutcome::Cancelled;
            if (connect(raw, candidate->ai_addr, static_cast<int>(candidate->ai_addrlen)) == 0) return std::nullopt;
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                connection_.close();
                continue;
            }
            switch (waitFor(true, std::min(limits_.connect, deadline_.left()))) {
            case Wait::Cancelled: return DownloadOutcome::Cancelled;
            case Wait::TimedOut: timedOut = true; break;
            case Wait::Failed: break;
            case Wait::Ready: {
                int error = 0;
                int length = sizeof error;
                if (getsockopt(raw, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0)
                    return std::nullopt;
                break;
            }
            }
            connection_.close();
            if (deadline_.passed()) break;
        }
        if (connection_.cancelled()) return DownloadOutcome::Cancelled;
        return timedOut || deadline_.passed() ? DownloadOutcome::TimedOut : DownloadOutcome::Unreachable;
    }

    // Waits until the socket can be read (or written, or has connected: a failed connection
    // shows in the exception set) or `limit` passes.
    Wait waitFor(bool write, milliseconds limit) {
        const SOCKET socket = connection_.get();
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket, &ready);
        FD_SET(socket, &failed);
        timeval timeout{};
        timeout.tv_sec = static_cast<long>(limit.count() / 1000);
        timeout.tv_usec = static_cast<long>(limit.count() % 1000 * 1000);
        const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &timeout);
        if (connection_.cancelled()) return Wait::Cancelled;
        if (count == 0) return Wait::TimedOut;
        if (count == SOCKET_ERROR || FD_ISSET(socket, &failed)) return Wait::Failed;
        return Wait::Ready;
    }

    scheduler::HttpAddress address_;
    HANDLE file_;
    DownloadLimits limits_;
    Deadline deadline_;
    DownloadConditions conditions_;
    DownloadResult result_;
    CancellableConnection connection_;
};

DownloadResult outcomeOnly(DownloadOutcome outcome, int httpStatus) {
    DownloadResult result;
    result.outcome = outcome;
    result.httpStatus = httpStatus;
    return result;
}

struct WorkerContext {
    Transfer* transfer;
    DownloadResult result;
};

unsigned __stdcall transferThread(void* context) {
    auto& work = *static_cast<WorkerContext*>(context);
    try {
        work.result = work.transfer->run();
    } catch (...) {
        work.result = outcomeOnly(DownloadOutcome::SystemError, 0);
    }
    return 0;
}

// The target: created new, or an empty file already there taken over (a reserved temporary
// name). Never a file with content: that could be the list itself.
unique_hfile openTarget(const std::wstring& path) {
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
    file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file && (!GetFileSizeEx(file.get(), &size) || size.QuadPart != 0)) file.reset();
    return file;
}

}  // namespace

scheduler::ProxySettings systemProxySettings() {
    constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    const auto text = [&](const wchar_t* name) {
        wchar_t value[2048] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kInternetSettings, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                         nullptr, value, &size) != ERROR_SUCCESS)
            return std::string();
        // Host names, ports and patterns: ASCII is all they may hold.
        std::string ascii;
        for (const wchar_t* c = value; *c; ++c) ascii.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
        return ascii;
    };
    scheduler::ProxySettings settings;
    DWORD enabled = 0;
    DWORD size = sizeof enabled;
    settings.enabled = RegGetValueW(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", RRF_RT_REG_DWORD, nullptr,
                                    &enabled, &size) == ERROR_SUCCESS &&
                       enabled != 0;
    if (settings.enabled) {
        settings.server = text(L"ProxyServer");
        settings.bypass = text(L"ProxyOverride");
    }
    return settings;
}

const char* outcomeName(DownloadOutcome outcome) {
    switch (outcome) {
    case DownloadOutcome::Complete: return "Complete";
    case DownloadOutcome::ErrorStatus: return "ErrorStatus";
    case DownloadOutcome::Cut: return "Cut";
    case DownloadOutcome::TooLarge: return "TooLarge";
    case DownloadOutcome::TimedOut: return "TimedOut";
    case DownloadOutcome::Unreachable: return "Unreachable";
    case DownloadOutcome::BadAddress: return "BadAddress";
    case DownloadOutcome::UnsupportedScheme: return "UnsupportedScheme";
    case DownloadOutcome::Cancelled: return "Cancelled";
    case DownloadOutcome::CannotWriteTarget: return "CannotWriteTarget";
    case DownloadOutcome::TooManyRedirects: return "TooManyRedirects";
    case DownloadOutcome::MalformedReply: return "MalformedReply";
    case DownloadOutcome::BadCompression: return "BadCompression";
    case DownloadOutcome::SystemError: return "SystemError";
    case DownloadOutcome::NotModified: return "NotModified";
    case DownloadOutcome::InsecureRedirect: return "InsecureRedirect";
    case DownloadOutcome::TlsRefused: return "TlsRefused";
    case DownloadOutcome::CertificateRefused: return "CertificateRefused";
    case DownloadOutcome::ProxyRefused: return "ProxyRefused";
    }
    return "?";
}

DownloadResult downloadToFile(const std::wstring& url, const std::wstring& targetFile, const DownloadLimits& limits,
                              const DownloadConditions& conditions) {
    std::string ascii;
    for (const wchar_t c : url) {
        if (c > 0x7F) return outcomeOnly(DownloadOutcome::BadAddress, 0);
        ascii.push_back(static_cast<char>(c));
    }
    const scheduler::AddressCheck address = scheduler::parseHttpAddress(ascii);
    if (address.verdict == scheduler::AddressVerdict::UnsupportedScheme) return outcomeOnly(DownloadOutcome::UnsupportedScheme, 0);
    if (address.verdict != scheduler::AddressVerdict::Valid) return outcomeOnly(DownloadOutcome::BadAddress, 0);

    unique_hfile file = openTarget(targetFile);
    if (!file) return outcomeOnly(DownloadOutcome::CannotWriteTarget, 0);

    DownloadResult result = outcomeOnly(DownloadOutcome::SystemError, 0);
    {
        const WinsockSession winsock;
        if (winsock) {
            Transfer transfer(address.address, file.get(), limits, conditions);
            WorkerContext context{&transfer, outcomeOnly(DownloadOutcome::SystemError, 0)};
            const unique_handle worker(
                reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &transferThread, &context, 0, nullptr)));
            if (worker) {
                // The window stays usable meanwhile; a quit request (posted again for the
                // program's loop) cancels the transfer.
                const tolvare::WaitEnd end = tolvare::waitDispatchingMessages(worker.get(), INFINITE);
                if (end != tolvare::WaitEnd::Signalled) {
                    transfer.connection().cancel();
                    WaitForSingleObject(worker.get(), INFINITE);
                }
                if (end == tolvare::WaitEnd::Signalled) result = context.result;
                else if (end == tolvare::WaitEnd::Quit)
                    result = outcomeOnly(DownloadOutcome::Cancelled, context.result.httpStatus);
                else result = outcomeOnly(DownloadOutcome::SystemError, context.result.httpStatus);
            }
        }
    }

    if (result.outcome == DownloadOutcome::Complete && !FlushFileBuffers(file.get()))
        result.outcome = DownloadOutcome::CannotWriteTarget;
    file.reset();
    // Nothing more can be done for a file that cannot be deleted (another program opened it
    // meanwhile): the outcome already says not to use it, and the caller moves only a complete
    // download over the list.
    if (result.outcome != DownloadOutcome::Complete) static_cast<void>(DeleteFileW(targetFile.c_str()));
    return result;
}

}  // namespace tolvare::plenar
