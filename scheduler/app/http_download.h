// PLENAR's own download of a web address into a file, over Winsock, for the action list. The
// platform's download services (URL download, WinINet, WinHTTP) report success for transfers
// cut short: a chunked body without its last chunk, a connection reset half-way, a compressed
// body cut half-way, a body shorter than its Content-Length. This one reports every such cut
// (the reading and its rules are in scheduler/core/http_reply.h), and its limits keep any
// server from holding PLENAR or filling its memory or disk.
//
// - http and https (TLS through the platform, see tls_channel.h); other schemes answer
//   UnsupportedScheme, for the caller to hand to another client. An https address never
//   leads to an http one by a redirect.
// - The user's proxy (the per-user Internet settings, see scheduler/core/proxy_settings.h):
//   http requests name the whole address, https goes through a CONNECT tunnel. No proxy
//   authentication, no automatic configuration; a proxy named by the environment is not used.
// - No cookies, no authentication.
// - The transfer runs on a worker thread; the calling thread keeps dispatching its window
//   messages meanwhile (as a modal loop does), so that its windows stay responsive. A WM_QUIT
//   taken from the queue during the wait cancels the transfer at once; the call posts the quit
//   again with the same exit code and returns Cancelled. Messages dispatched during the wait
//   may call back into the caller's code (timers, menu commands), as during any modal loop.
// - Name resolution (getaddrinfo) cannot be interrupted: a cancel or the deadline takes effect
//   once it returns. Numeric addresses are not looked up.
// - Winsock is started and cleaned up within each call; no thread outlives the call.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "scheduler/core/proxy_settings.h"

namespace tolvare::plenar {

enum class DownloadOutcome {
    Complete,           // the whole body is in the target file
    ErrorStatus,        // the server answered with a status other than 2xx (see httpStatus)
    Cut,                // the connection ended (closed or reset) before the body was whole
    TooLarge,           // the decoded body passes the byte limit
    TimedOut,           // connecting, an idle read or the whole download passed its time
    Unreachable,        // the host name is unknown, or every address refused the connection
    BadAddress,         // not an http address this client takes (see http_reply.h)
    UnsupportedScheme,  // ftp, file, ...: for another client (the address or a redirect's)
    Cancelled,          // a WM_QUIT arrived during the download
    CannotWriteTarget,  // the target file could not be created or written
    TooManyRedirects,   // more redirects than the limit allows (a redirect loop ends so)
    MalformedReply,     // a reply that breaks HTTP/1.1's framing rules, or a bad Location
    BadCompression,     // a compressed body that is corrupt or stops before its stream ends
    SystemError,        // Winsock, a thread or memory could not be had
    NotModified,        // 304 to a conditional request: the caller's copy is current
    InsecureRedirect,   // an https address redirected to an http one
    TlsRefused,         // no TLS 1.2 or later could be negotiated (see problem)
    CertificateRefused, // the server's certificate failed a check (see problem)
    ProxyRefused,       // the proxy would not open a tunnel (see httpStatus)
};

const char* outcomeName(DownloadOutcome outcome);
inline std::ostream& operator<<(std::ostream& out, DownloadOutcome outcome) {
    return out << outcomeName(outcome);
}

struct DownloadLimits {
    // The whole download, redirects included.
    std::chrono::milliseconds total{60'000};
    // One connection attempt (also bounded by what is left of the total).
    std::chrono::milliseconds connect{15'000};
    // Waiting for the server to accept more of the request or to send more of its reply.
    std::chrono::milliseconds idle{15'000};
    // Decoded body bytes; PLENAR's list reader refuses larger files (kMaxListFileBytes).
    std::uint64_t maxBodyBytes = 32ull * 1024 * 1024;
    // Redirects followed; one more is TooManyRedirects.
    int maxRedirects = 10;
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::SystemError;
    int httpStatus = 0;  // of the last reply read, 0 when none was
    // Of a Complete or NotModified reply, for the next conditional request ("" when absent).
    std::string etag;
    std::string lastModified;
    std::string problem;  // why TLS or the certificate was refused, in French
};

struct DownloadConditions {
    // The validators of the copy the caller holds; a 304 then answers NotModified.
    std::string ifNoneMatch;
    std::string ifModifiedSince;
    // The proxy settings to use; none: the user's, read from the registry at each download.
    std::optional<scheduler::ProxySettings> proxy;
};

// The user's proxy settings (HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings).
scheduler::ProxySettings systemProxySettings();

// Downloads `url` (UTF-16; ASCII is all an http address may hold) into `targetFile`.
// The target is created new; an empty file already there (a name GetTempFileNameW reserved)
// is taken over, anything else there is left alone and gives CannotWriteTarget. On every
// outcome but Complete the target file no longer exists when the call returns, except when the
// address was refused (BadAddress, UnsupportedScheme) or the target could not be opened:
// then the target was never touched. The caller moves a complete file over the list itself.
DownloadResult downloadToFile(const std::wstring& url, const std::wstring& targetFile,
                              const DownloadLimits& limits = {}, const DownloadConditions& conditions = {});

}  // namespace tolvare::plenar
