// The platform-free half of PLENAR's own HTTP client: web addresses, the request, and the
// reading of the server's reply as its bytes arrive, with a verdict that tells a whole body
// from a cut one. The platform's download services report success for cut transfers; this
// reader does not: a body is whole only when its framing (RFC 9112) says so, and a compressed
// body only when it decodes to its end with its checks.
//
// What is accepted, and why:
// - Addresses: "http://" or "https://host[:port][/path][?query]" only (a "#fragment" is
//   dropped, as it never goes to the server). Host: a name of letters, digits, '-', '.', '_', an IPv4 address or a
//   bracketed IPv6 address. Port: 1 to 65535, digits only (an empty port is refused).
//   Refused: any other scheme (reported apart, so that the caller can hand it to another
//   client), user information, blanks, control and non-ASCII characters (a path must come
//   percent-encoded), and characters RFC 3986 does not allow in a path or query.
// - The request is HTTP/1.1 with "Connection: close", so that every reply ends its connection
//   and "until the connection closes" framing is possible; it offers
//   "Accept-Encoding: gzip, deflate" (decoded by scheduler/core/inflate.h), which shrinks a
//   text list several times over.
// - Framing: no body for 1xx, 204 and 304; Transfer-Encoding exactly "chunked" (extensions
//   and trailer fields read and ignored; any other transfer coding refused); else one
//   Content-Length (repeated or listed values must agree); else the body runs until the server
//   closes. Both Transfer-Encoding and Content-Length is refused (RFC 9112 6.3: "ought to be
//   handled as an error"), as is Transfer-Encoding in an HTTP/1.0 reply.
// - A reset connection always means a cut body, even when the body runs until the close; an
//   orderly close ends such a body, unless it is compressed and its stream has not ended: the
//   close is then the only end mark there is, and a stream that stops short is a cut.
// - Content codings: none, identity, gzip (or x-gzip), deflate (zlib, or raw deflate as some
//   servers send), one at a time. Anything else is malformed: it was not offered.
// - Interim (1xx) replies before the final one are skipped; 101 is refused (nothing asked for
//   a protocol switch).
// - Bare LF ends a line as CRLF does (RFC 9112 2.2); a CR anywhere else in the header section
//   is malformed. Obsolete line folding in a field value becomes one space (RFC 9112 5.2).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scheduler/core/inflate.h"

namespace tolvare::scheduler {

inline constexpr std::string_view kUserAgent = "PLENAR/1.0";

struct HttpAddress {
    std::string host;  // without brackets for IPv6
    bool hostIsIpv6 = false;
    bool secure = false;  // https: TLS over the connection
    std::uint16_t port = 80;
    std::string target = "/";  // path and query, as sent in the request line

    // "host", "host:port", "[v6]" or "[v6]:port" (the port only when not the scheme's own): the
    // Host field's value.
    std::string authority() const;
    std::string text() const;  // "http://" or "https://" + authority + target
    bool operator==(const HttpAddress&) const = default;
};

enum class AddressVerdict { Valid, UnsupportedScheme, Invalid };

struct AddressCheck {
    AddressVerdict verdict = AddressVerdict::Invalid;
    HttpAddress address;  // meaningful when Valid
    std::string problem;  // why, when not Valid (English, for logs and tests)
};

inline constexpr std::size_t kMaxAddressLength = 8 * 1024;

AddressCheck parseHttpAddress(std::string_view text);

// The address a redirect's Location leads to from `base` (RFC 3986 section 5: absolute,
// scheme-relative, absolute-path, relative-path or query-only references).
AddressCheck resolveRedirect(const HttpAddress& base, std::string_view location);

struct RequestOptions {
    // Through a proxy, an http request names the whole address (RFC 9112 3.2.2).
    bool absoluteForm = false;
    // The validators of the copy the client holds: a 304 answers that it is still current.
    std::string ifNoneMatch;
    std::string ifModifiedSince;
};

// The whole GET request for an address.
std::string buildGetRequest(const HttpAddress& address, const RequestOptions& options = {});

// The request that asks a proxy for a tunnel to the address's host and port (RFC 9110 9.3.6).
std::string buildConnectRequest(const HttpAddress& address);

// A proxy's answer to CONNECT: a status line and fields, never a body when it is 2xx; the
// tunnel's bytes follow at once.
struct TunnelReply {
    enum class State { Pending, Established, Refused, Malformed } state = State::Pending;
    int status = 0;
    std::size_t headerBytes = 0;  // of `received` that were the proxy's answer, when Established
};
TunnelReply readTunnelReply(std::string_view received, std::size_t maxHeaderBytes = 64 * 1024);

struct ReplyLimits {
    std::uint64_t maxBodyBytes = 32ull * 1024 * 1024;  // decoded body
    std::size_t maxHeaderBytes = 64 * 1024;            // one header (or trailer) section
    std::size_t maxHeaderFields = 200;                 // in one section
    std::size_t maxChunkLineBytes = 4 * 1024;          // a chunk-size line with its extensions
    std::size_t maxInterimReplies = 10;
};

enum class ReplyVerdict {
    Pending,         // more bytes are wanted
    Complete,        // a 2xx reply whose whole body was read (and decoded)
    Redirect,        // 301, 302, 303, 307 or 308 with a Location: see location()
    NotModified,     // 304: the copy named by the request's validators is current
    ErrorStatus,     // any other final status that is not 2xx
    Cut,             // the connection ended before the reply was whole
    Malformed,       // not a reply this client can trust: see problem()
    TooLarge,        // the decoded body passes maxBodyBytes
    BadCompression,  // a compressed body that is corrupt, or ends before its stream does
};

// Reads one reply. Decoded body bytes of a 2xx reply are appended to the caller's string, which
// the caller may empty between calls; the reader keeps no copy. Once the verdict is no longer
// Pending it stays as it is, and later bytes are ignored (the connection is to be closed: the
// request asked for that).
class ReplyReader {
public:
    explicit ReplyReader(ReplyLimits limits = {});
    ~ReplyReader();
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;

    ReplyVerdict feed(std::string_view received, std::string& body);
    // The server closed the connection in order (a read returned nothing).
    ReplyVerdict connectionClosed();
    // The connection was reset or aborted: always a cut, unless the verdict was reached before.
    ReplyVerdict connectionReset();

    ReplyVerdict verdict() const { return verdict_; }
    int status() const { return status_; }  // of the final reply, 0 before its status line
    const std::string& location() const { return location_; }
    // The final reply's validators, for a conditional request next time ("" when absent).
    const std::string& etag() const { return etag_; }
    const std::string& lastModified() const { return lastModified_; }
    const std::string& problem() const { return problem_; }
    std::uint64_t bodyBytes() const { return bodyBytes_; }

private:
    enum class Stage { StatusLine, Fields, LengthBody, ChunkSize, ChunkData, ChunkEnd, Trailer, UntilClose, Done };
    enum class Framing { None, Length, Chunked, UntilClose };

    void run(std::string& body);
    // The next whole line of the header section or of the chunk framing, consumed, without its
    // line end; none when it has not all arrived, or when it breaks a limit (the verdict says).
    std::optional<std::string> nextLine();
    void statusLine(std::string_view line);
    void fieldLine(std::string_view line);
    void endOfFields();
    void chunkSizeLine(std::string_view line);
    void trailerLine(std::string_view line);
    void takeBody(std::string_view bytes, std::string& body);
    void endOfBody();
    void decide(ReplyVerdict verdict, std::string problem = {});

    ReplyLimits limits_;
    ReplyVerdict verdict_ = ReplyVerdict::Pending;
    Stage stage_ = Stage::StatusLine;
    std::string pending_;
    std::size_t scanned_ = 0;  // bytes of pending_ known to hold no line end

    int status_ = 0;
    int minorVersion_ = 1;
    std::size_t headerBytes_ = 0;
    std::size_t fieldCount_ = 0;
    std::size_t interimReplies_ = 0;
    struct Field {
        std::string name;  // lower case
        std::string value;
    };
    std::vector<Field> fields_;
    bool lastFieldKept_ = false;  // for a folded line

    std::string location_;
    std::string etag_;
    std::string lastModified_;
    std::string problem_;
    std::uint64_t bodyLeft_ = 0;  // of a Content-Length body or of the current chunk
    std::uint64_t bodyBytes_ = 0;
    std::unique_ptr<Inflater> inflater_;
};

}  // namespace tolvare::scheduler
