// Whether an HTTP download delivered the resource: the URL download service reports success
// for an error page and for a transfer that the server cut off, so the member judges the
// server's answer itself from its status, its headers and the bytes that arrived.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel::downloads {

// The length that a response's headers promise for its body.
struct BodyLength {
    enum Kind {
        unknown,    // no Content-Length, or one that does not count the delivered bytes
        announced,  // `bytes` as Content-Length says
        malformed,  // a Content-Length that is not one whole number (or several that disagree)
    } kind = unknown;
    std::uint64_t bytes = 0;
};

// Reads the raw response headers ("HTTP/1.1 200 OK\r\nName: value\r\n..."): header names in
// any case, values without surrounding blanks. A body sent with a transfer coding or a
// content coding (other than "identity") has no comparable length: the platform delivers it
// decoded, so its length is unknown here.
BodyLength bodyLength(std::wstring_view rawHeaders);

enum class Verdict {
    complete,         // the service's own success stands
    errorStatus,      // the server answered with a status other than success or "not modified",
                      // or gave no answer at all (status 0)
    notDelivered,     // no file was left where the resource should be
    truncated,        // fewer (or other) bytes arrived than the headers announced
    malformedLength,  // the announced length cannot be read, so nothing can be compared
};

// What the server said, as the download service reported it.
struct ServerAnswer {
    bool answered = false;        // false for non-HTTP sources (files, the cache): no status
    unsigned long status = 0;
    std::wstring_view rawHeaders;
};

// The judgement of a download that the service itself reported as successful. `delivered` is
// the size of the file that the service left at the target, nothing when there is none: the
// service has been seen to report success without being able to write the target.
Verdict judge(const ServerAnswer& answer, std::optional<std::uint64_t> delivered);

}  // namespace korvel::downloads
