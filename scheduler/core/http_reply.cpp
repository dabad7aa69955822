#include "scheduler/core/http_reply.h"

#include <algorithm>
#include <array>

namespace tolvare::scheduler {

namespace {

constexpr std::uint64_t kMaxHexValue = UINT64_MAX >> 4;

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    return (c | 0x20) - 'a' + 10;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// RFC 3986 character classes.
bool isUnreserved(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelimiter(char c) {
    return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}
bool isPathCharacter(char c) {
    return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/';
}
bool isSchemeCharacter(char c) {
    return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
}
bool isHostNameCharacter(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_';
}

// RFC 9110 token characters, for field names.
bool isTokenCharacter(char c) {
    return isAlpha(c) || isDigit(c) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool allPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// Path (and, with '?', query) characters with well-formed percent escapes.
bool validReferencePart(std::string_view text, bool query) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])) return false;
            i += 2;
        } else if (!isPathCharacter(c) && !(query && c == '?')) {
            return false;
        }
    }
    return true;
}

// Where the scheme of a reference ends (the ':'), or npos when it has none.
std::size_t schemeEnd(std::string_view reference) {
    const std::size_t colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAlpha(reference[0])) return std::string_view::npos;
    const std::string_view scheme = reference.substr(0, colon);
    return std::all_of(scheme.begin(), scheme.end(), isSchemeCharacter) ? colon : std::string_view::npos;
}

AddressCheck refused(AddressVerdict verdict, std::string problem) {
    AddressCheck check;
    check.verdict = verdict;
    check.problem = std::move(problem);
    return check;
}

// RFC 3986 5.2.4.
std::string removeDotSegments(std::string_view input) {
    std::string output;
    const auto dropLastSegment = [&] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

bool parseField(std::string_view line, std::string_view& name, std::string_view& value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    name = line.substr(0, colon);
    // No blank between the name and the colon (RFC 9112 5.1): such a field is refused.
    if (!std::all_of(name.begin(), name.end(), isTokenCharacter)) return false;
    value = trimmed(line.substr(colon + 1));
    return true;
}

// The elements of a comma-separated field value, empty ones left out (RFC 9110 5.6.1).
std::vector<std::string_view> listElements(std::string_view value) {
    std::vector<std::string_view> elements;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        const std::string_view element = trimmed(value.substr(0, comma));
        if (!element.empty()) elements.push_back(element);
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return elements;
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// HTAB, SP, visible characters and obs-text: what a header line may hold (RFC 9110 5.5).
bool isFieldLineCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '\t' || (byte >= 0x20 && byte != 0x7F);
}

}  // namespace

std::string HttpAddress::authority() const {
    std::string result = hostIsIpv6 ? "[" + host + "]" : host;
    if (port != (secure ? 443 : 80)) result += ":" + std::to_string(port);
    return result;
}

std::string HttpAddress::text() const {
    return (secure ? "https://" : "http://") + authority() + target;
}

AddressCheck parseHttpAddress(std::string_view text) {
    if (text.empty()) return refused(AddressVerdict::Invalid, "empty address");
    if (text.size() > kMaxAddressLength) return refused(AddressVerdict::Invalid, "address too long");
    if (!allPrintableAscii(text))
        return refused(AddressVerdict::Invalid, "blank, control or non-ASCII character in the address");
    const std::size_t colon = schemeEnd(text);
    if (colon == std::string_view::npos) return refused(AddressVerdict::Invalid, "no scheme");
    const bool secure = equalsIgnoringCase(text.substr(0, colon), "https");
    if (!secure && !equalsIgnoringCase(text.substr(0, colon), "http"))
        return refused(AddressVerdict::UnsupportedScheme, "scheme " + lowered(text.substr(0, colon)));
    std::string_view rest = text.substr(colon + 1);
    if (!rest.starts_with("//")) return refused(AddressVerdict::Invalid, "no \"//\" after the scheme");
    rest.remove_prefix(2);

    const std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
    if (authority.find('@') != std::string_view::npos)
        return refused(AddressVerdict::Invalid, "user information in the address");

    AddressCheck check;
    HttpAddress& address = check.address;
    address.secure = secure;
    address.port = secure ? 443 : 80;
    std::string_view portText;
    bool hasPort = false;
    if (authority.starts_with("[")) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return refused(AddressVerdict::Invalid, "unclosed IPv6 address");
        const std::string_view literal = authority.substr(1, close - 1);
        const bool valid = !literal.empty() && literal.size() <= 45 && literal.find(':') != std::string_view::npos &&
                           std::all_of(literal.begin(), literal.end(),
                                       [](char c) { return isHexDigit(c) || c == ':' || c == '.'; });
        if (!valid) return refused(AddressVerdict::Invalid, "bad IPv6 address");
        address.host = std::string(literal);
        address.hostIsIpv6 = true;
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return refused(AddressVerdict::Invalid, "bad port");
            hasPort = true;
            portText = after.substr(1);
        }
    } else {
        const std::size_t portColon = authority.find(':');
        const std::string_view host = authority.substr(0, portColon);
        if (host.empty()) return refused(AddressVerdict::Invalid, "no host");
        if (host.size() > 255 || !std::all_of(host.begin(), host.end(), isHostNameCharacter))
            return refused(AddressVerdict::Invalid, "bad host name");
        address.host = std::string(host);
        if (portColon != std::string_view::npos) {
            hasPort = true;
            portText = authority.substr(portColon + 1);
        }
    }
    if (hasPort) {
        if (portText.empty() || portText.size() > 5 || !std::all_of(portText.begin(), portText.end(), isDigit))
            return refused(AddressVerdict::Invalid, "bad port");
        int port = 0;
        for (const char c : portText) port = port * 10 + (c - '0');
        if (port < 1 || port > 65535) return refused(AddressVerdict::Invalid, "bad port");
        address.port = static_cast<std::uint16_t>(port);
    }

    rest = rest.substr(0, rest.find('#'));
    const std::size_t question = rest.find('?');
    const std::string_view path = rest.substr(0, question);
    if (!validReferencePart(path, false)) return refused(AddressVerdict::Invalid, "bad character in the path");
    address.target = path.empty() ? "/" : std::string(path);
    if (question != std::string_view::npos) {
        const std::string_view query = rest.substr(question + 1);
        if (!validReferencePart(query, true)) return refused(AddressVerdict::Invalid, "bad character in the query");
        address.target += "?" + std::string(query);
    }
    check.verdict = AddressVerdict::Valid;
    return check;
}

AddressCheck resolveRedirect(const HttpAddress& base, std::string_view location) {
    if (location.size() > kMaxAddressLength) return refused(AddressVerdict::Invalid, "Location too long");
    if (!allPrintableAscii(location))
        return refused(AddressVerdict::Invalid, "blank, control or non-ASCII character in Location");
    if (schemeEnd(location) != std::string_view::npos) return parseHttpAddress(location);
    if (location.starts_with("//"))
        return parseHttpAddress((base.secure ? "https:" : "http:") + std::string(location));

    const std::string_view reference = location.substr(0, location.find('#'));
    AddressCheck check;
    check.verdict = AddressVerdict::Valid;
    check.address = base;
    if (reference.empty()) return check;  // the same resource (RFC 3986 5.2.2)

    const std::size_t question = reference.find('?');
    const std::string_view path = reference.substr(0, question);
    const std::optional<std::string_view> query =
        question == std::string_view::npos ? std::nullopt : std::optional(reference.substr(question + 1));
    if (!validReferencePart(path, false) || (query && !validReferencePart(*query, true)))
        return refused(AddressVerdict::Invalid, "bad character in Location");

    const std::string_view basePath = std::string_view(base.target).substr(0, base.target.find('?'));
    std::string target;
    if (path.empty()) {
        target = std::string(basePath);
        if (!query) {
            const std::size_t baseQuestion = base.target.find('?');
            if (baseQuestion != std::string::npos) target += base.target.substr(baseQuestion);
        }
    } else if (path.front() == '/') {
        target = removeDotSegments(path);
    } else {
        const std::size_t lastSlash = basePath.rfind('/');
        const std::string merged =
            (lastSlash == std::string_view::npos ? std::string("/") : std::string(basePath.substr(0, lastSlash + 1))) +
            std::string(path);
        target = removeDotSegments(merged);
    }
    if (target.empty() || target.front() != '/') target.insert(0, "/");
    if (query) target += "?" + std::string(*query);
    check.address.target = std::move(target);
    return check;
}

std::string buildGetRequest(const HttpAddress& address, const RequestOptions& options) {
    std::string request;
    request += "GET " + (options.absoluteForm ? address.text() : address.target) + " HTTP/1.1\r\n";
    request += "Host: " + address.authority() + "\r\n";
    request += "User-Agent: " + std::string(kUserAgent) + "\r\n";
    request += "Accept: */*\r\n";
    request += "Accept-Encoding: gzip, deflate\r\n";
    // A validator kept from an earlier reply goes back only if it can be a field value: a
    // line break in it would add fields of the server's choosing to the request.
    const auto field = [&](std::string_view name, const std::string& value) {
        if (!value.empty() && std::all_of(value.begin(), value.end(), isFieldLineCharacter))
            request += std::string(name) + ": " + value + "\r\n";
    };
    field("If-None-Match", options.ifNoneMatch);
    field("If-Modified-Since", options.ifModifiedSince);
    request += "Connection: close\r\n";
    request += "\r\n";
    return request;
}

std::string buildConnectRequest(const HttpAddress& address) {
    const std::string hostPort = (address.hostIsIpv6 ? "[" + address.host + "]" : address.host) + ":" +
                                 std::to_string(address.port);
    return "CONNECT " + hostPort + " HTTP/1.1\r\nHost: " + hostPort + "\r\nUser-Agent: " + std::string(kUserAgent) +
           "\r\n\r\n";
}

TunnelReply readTunnelReply(std::string_view received, std::size_t maxHeaderBytes) {
    TunnelReply reply;
    // The header section ends at the first empty line, CRLF or bare LF (RFC 9112 2.2).
    std::size_t end = std::string_view::npos;
    std::size_t endLength = 0;
    for (std::size_t at = received.find('\n'); at != std::string_view::npos; at = received.find('\n', at + 1)) {
        if (received.substr(at + 1).starts_with("\n")) {
            end = at;
            endLength = 2;
            break;
        }
        if (received.substr(at + 1).starts_with("\r\n")) {
            end = at;
            endLength = 3;
            break;
        }
    }
    if (end == std::string_view::npos) {
        if (received.size() > maxHeaderBytes) reply.state = TunnelReply::State::Malformed;
        return reply;
    }
    const std::string_view line = received.substr(0, received.find_first_of("\r\n"));
    if (line.size() < 12 || !line.starts_with("HTTP/1.") || !isDigit(line[7]) || line[8] != ' ' ||
        !std::all_of(line.begin() + 9, line.begin() + 12, isDigit) || (line.size() > 12 && line[12] != ' ')) {
        reply.state = TunnelReply::State::Malformed;
        return reply;
    }
    reply.status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    reply.headerBytes = end + endLength;
    reply.state = reply.status >= 200 && reply.status < 300 ? TunnelReply::State::Established : TunnelReply::State::Refused;
    return reply;
}

ReplyReader::ReplyReader(ReplyLimits limits) : limits_(limits) {}

ReplyReader::~ReplyReader() = default;

ReplyVerdict ReplyReader::feed(std::string_view received, std::string& body) {
    if (verdict_ != ReplyVerdict::Pending) return verdict_;
    pending_.append(received);
    run(body);
    return verdict_;
}

ReplyVerdict ReplyReader::connectionClosed() {
    if (verdict_ != ReplyVerdict::Pending) return verdict_;
    if (stage_ == Stage::UntilClose) {
        if (!inflater_) {
            decide(ReplyVerdict::Complete);
            return verdict_;
        }
        switch (inflater_->finish()) {
        case InflateStatus::Finished: decide(ReplyVerdict::Complete); break;
        case InflateStatus::TooLarge: decide(ReplyVerdict::TooLarge); break;
        case InflateStatus::Corrupt: decide(ReplyVerdict::BadCompression, "corrupt compressed body"); break;
        default: decide(ReplyVerdict::Cut, "the compressed body stops where the connection closed"); break;
        }
        return verdict_;
    }
    const bool nothing = stage_ == Stage::StatusLine && pending_.empty() && status_ == 0 && interimReplies_ == 0;
    decide(ReplyVerdict::Cut, nothing ? "the connection closed without a reply"
                                      : "the connection closed before the reply was whole");
    return verdict_;
}

ReplyVerdict ReplyReader::connectionReset() {
    if (verdict_ == ReplyVerdict::Pending) decide(ReplyVerdict::Cut, "the connection was reset");
    return verdict_;
}

void ReplyReader::decide(ReplyVerdict verdict, std::string problem) {
    verdict_ = verdict;
    problem_ = std::move(problem);
    stage_ = Stage::Done;
    pending_.clear();
    pending_.shrink_to_fit();
}

std::optional<std::string> ReplyReader::nextLine() {
    const bool header = stage_ == Stage::StatusLine || stage_ == Stage::Fields || stage_ == Stage::Trailer;
    const std::size_t end = pending_.find('\n', scanned_);
    const std::size_t length = end == std::string::npos ? pending_.size() : end;
    const std::size_t limit = header ? limits_.maxHeaderBytes - std::min(headerBytes_, limits_.maxHeaderBytes)
                                     : limits_.maxChunkLineBytes;
    // The line end counts too; a line whose end has not arrived will have one.
    if (length + 1 > limit) {
        decide(ReplyVerdict::Malformed, header ? "header section larger than " + std::to_string(limits_.maxHeaderBytes) + " bytes"
                                               : "chunk-size line too long");
        return std::nullopt;
    }
    if (end == std::string::npos) {
        scanned_ = pending_.size();
        return std::nullopt;
    }
    if (header) headerBytes_ += end + 1;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    scanned_ = 0;
    if (line.ends_with('\r')) line.pop_back();
    if (!std::all_of(line.begin(), line.end(), isFieldLineCharacter)) {
        decide(ReplyVerdict::Malformed, "control character in a header or chunk line");
        return std::nullopt;
    }
    return line;
}

void ReplyReader::run(std::string& body) {
    while (verdict_ == ReplyVerdict::Pending) {
        switch (stage_) {
        case Stage::StatusLine:
        case Stage::Fields:
        case Stage::ChunkSize:
        case Stage::ChunkEnd:
        case Stage::Trailer: {
            const std::optional<std::string> line = nextLine();
            if (!line) return;
            switch (stage_) {
            case Stage::StatusLine: statusLine(*line); break;
            case Stage::Fields:
                if (line->empty()) endOfFields();
                else fieldLine(*line);
                break;
            case Stage::ChunkSize: chunkSizeLine(*line); break;
            case Stage::ChunkEnd:
                if (line->empty()) stage_ = Stage::ChunkSize;
                else decide(ReplyVerdict::Malformed, "chunk longer than its size");
                break;
            default: trailerLine(*line); break;
            }
            break;
        }
        case Stage::LengthBody:
        case Stage::ChunkData: {
            if (pending_.empty()) return;
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bodyLeft_, pending_.size()));
            takeBody(std::string_view(pending_.data(), count), body);
            pending_.erase(0, count);
            bodyLeft_ -= count;
            if (verdict_ != ReplyVerdict::Pending) return;
            if (bodyLeft_ == 0) {
                if (stage_ == Stage::LengthBody) {
                    endOfBody();
                    return;
                }
                stage_ = Stage::ChunkEnd;
            }
            break;
        }
        case Stage::UntilClose:
            if (!pending_.empty()) takeBody(pending_, body);
            pending_.clear();
            return;
        case Stage::Done: return;
        }
    }
}

void ReplyReader::statusLine(std::string_view line) {
    // Blank lines before a status line are skipped; they count against the header size.
    if (line.empty()) return;
    const bool shaped = line.size() >= 12 && line.starts_with("HTTP/") && isDigit(line[5]) && line[6] == '.' &&
                        isDigit(line[7]) && line[8] == ' ' && isDigit(line[9]) && isDigit(line[10]) &&
                        isDigit(line[11]) && (line.size() == 12 || line[12] == ' ');
    if (!shaped) return decide(ReplyVerdict::Malformed, "not an HTTP status line");
    if (line[5] != '1') return decide(ReplyVerdict::Malformed, "not HTTP/1.x");
    minorVersion_ = line[7] - '0';
    status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    if (status_ < 100 || status_ > 599) return decide(ReplyVerdict::Malformed, "status code out of range");
    stage_ = Stage::Fields;
}

void ReplyReader::fieldLine(std::string_view line) {
    if (isBlank(line.front())) {
        // Obsolete line folding continues the previous field's value.
        if (fieldCount_ == 0) return decide(ReplyVerdict::Malformed, "blank at the start of the header section");
        if (lastFieldKept_) fields_.back().value += " " + std::string(trimmed(line));
        return;
    }
    std::string_view name;
    std::string_view value;
    if (!parseField(line, name, value)) return decide(ReplyVerdict::Malformed, "bad header field");
    if (++fieldCount_ > limits_.maxHeaderFields) return decide(ReplyVerdict::Malformed, "too many header fields");
    const std::string key = lowered(name);
    // Only the fields that frame, decode or route the body are kept.
    lastFieldKept_ = key == "content-length" || key == "transfer-encoding" || key == "content-encoding" ||
                     key == "location" || key == "etag" || key == "last-modified";
    if (lastFieldKept_) fields_.push_back({key, std::string(value)});
}

void ReplyReader::endOfFields() {
    const auto valuesOf = [&](std::string_view name) {
        std::vector<std::string_view> values;
        for (const Field& field : fields_)
            if (field.name == name) values.push_back(field.value);
        return values;
    };

    if (status_ < 200) {
        if (status_ == 101) return decide(ReplyVerdict::Malformed, "protocol switch that was not asked for");
        if (++interimReplies_ > limits_.maxInterimReplies) return decide(ReplyVerdict::Malformed, "too many interim replies");
        fields_.clear();
        lastFieldKept_ = false;
        fieldCount_ = 0;
        headerBytes_ = 0;
        status_ = 0;
        stage_ = Stage::StatusLine;
        return;
    }
    if (const std::vector<std::string_view> tags = valuesOf("etag"); tags.size() == 1) etag_ = std::string(tags.front());
    if (const std::vector<std::string_view> dates = valuesOf("last-modified"); dates.size() == 1)
        lastModified_ = std::string(dates.front());
    if (status_ == 304) return decide(ReplyVerdict::NotModified);
    if (status_ >= 300) {
        const std::vector<std::string_view> locations = valuesOf("location");
        const bool agree = std::all_of(locations.begin(), locations.end(),
                                       [&](std::string_view l) { return l == locations.front(); });
        if (!agree) return decide(ReplyVerdict::Malformed, "several Location fields");
        if (isRedirectStatus(status_) && !locations.empty() && !locations.front().empty()) {
            location_ = std::string(locations.front());
            return decide(ReplyVerdict::Redirect);
        }
        return decide(ReplyVerdict::ErrorStatus, "status " + std::to_string(status_));
    }
    if (status_ == 204) return decide(ReplyVerdict::Complete);

    const std::vector<std::string_view> codings = [&] {
        std::vector<std::string_view> all;
        for (std::string_view value : valuesOf("content-encoding"))
            for (std::string_view element : listElements(value))
                if (!equalsIgnoringCase(element, "identity")) all.push_back(element);
        return all;
    }();
    if (codings.size() > 1) return decide(ReplyVerdict::Malformed, "more than one content coding");
    if (codings.size() == 1) {
        const std::string coding = lowered(codings.front());
        if (coding == "gzip" || coding == "x-gzip")
            inflater_ = std::make_unique<Inflater>(CompressedFormat::Gzip, limits_.maxBodyBytes);
        else if (coding == "deflate")
            inflater_ = std::make_unique<Inflater>(CompressedFormat::ZlibOrRawDeflate, limits_.maxBodyBytes);
        else
            return decide(ReplyVerdict::Malformed, "content coding \"" + coding + "\" was not offered");
    }

    const std::vector<std::string_view> transferCodings = valuesOf("transfer-encoding");
    const std::vector<std::string_view> lengths = valuesOf("content-length");

    if (!transferCodings.empty()) {
        if (minorVersion_ == 0) return decide(ReplyVerdict::Malformed, "Transfer-Encoding in an HTTP/1.0 reply");
        if (!lengths.empty()) return decide(ReplyVerdict::Malformed, "both Transfer-Encoding and Content-Length");
        std::vector<std::string_view> elements;
        for (std::string_view value : transferCodings)
            for (std::string_view element : listElements(value)) elements.push_back(element);
        if (elements.size() != 1 || !equalsIgnoringCase(elements.front(), "chunked"))
            return decide(ReplyVerdict::Malformed, "transfer coding other than chunked");
        stage_ = Stage::ChunkSize;
        return;
    }
    if (!lengths.empty()) {
        std::optional<std::uint64_t> length;
        for (std::string_view value : lengths) {
            const std::vector<std::string_view> elements = listElements(value);
            if (elements.empty()) return decide(ReplyVerdict::Malformed, "empty Content-Length");
            for (std::string_view element : elements) {
                if (element.size() > 19 || !std::all_of(element.begin(), element.end(), isDigit))
                    return decide(ReplyVerdict::Malformed, "bad Content-Length");
                std::uint64_t parsed = 0;
                for (const char c : element) parsed = parsed * 10 + static_cast<std::uint64_t>(c - '0');
                if (length && *length != parsed) return decide(ReplyVerdict::Malformed, "conflicting Content-Length values");
                length = parsed;
            }
        }
        if (!inflater_ && *length > limits_.maxBodyBytes)
            return decide(ReplyVerdict::TooLarge, "Content-Length above the limit");
        bodyLeft_ = *length;
        if (bodyLeft_ == 0) return endOfBody();
        stage_ = Stage::LengthBody;
        return;
    }
    stage_ = Stage::UntilClose;
}

void ReplyReader::chunkSizeLine(std::string_view line) {
    std::size_t digits = 0;
    std::uint64_t size = 0;
    while (digits < line.size() && isHexDigit(line[digits])) {
        if (size > kMaxHexValue) return decide(ReplyVerdict::Malformed, "chunk size too large");
        size = size * 16 + static_cast<std::uint64_t>(hexValue(line[digits]));
        ++digits;
    }
    if (digits == 0) return decide(ReplyVerdict::Malformed, "bad chunk size");
    const std::string_view extensions = trimmed(line.substr(digits));
    if (!extensions.empty() && extensions.front() != ';') return decide(ReplyVerdict::Malformed, "bad chunk size");
    if (size == 0) {
        headerBytes_ = 0;
        fieldCount_ = 0;
        stage_ = Stage::Trailer;
        return;
    }
    if (!inflater_ && bodyBytes_ + std::min(size, limits_.maxBodyBytes + 1) > limits_.maxBodyBytes)
        return decide(ReplyVerdict::TooLarge, "chunked body above the limit");
    bodyLeft_ = size;
    stage_ = Stage::ChunkData;
}

void ReplyReader::trailerLine(std::string_view line) {
    if (line.empty()) return endOfBody();
    if (isBlank(line.front())) {
        if (fieldCount_ == 0) return decide(ReplyVerdict::Malformed, "bad trailer field");
        return;
    }
    std::string_view name;
    std::string_view value;
    if (!parseField(line, name, value)) return decide(ReplyVerdict::Malformed, "bad trailer field");
    if (++fieldCount_ > limits_.maxHeaderFields) return decide(ReplyVerdict::Malformed, "too many trailer fields");
}

void ReplyReader::takeBody(std::string_view bytes, std::string& body) {
    if (!inflater_) {
        if (bytes.size() > limits_.maxBodyBytes - bodyBytes_) return decide(ReplyVerdict::TooLarge, "body above the limit");
        body.append(bytes);
        bodyBytes_ += bytes.size();
        return;
    }
    const InflateStatus status = inflater_->feed(bytes, body);
    bodyBytes_ = inflater_->outputSize();
    if (status == InflateStatus::Corrupt) decide(ReplyVerdict::BadCompression, "corrupt compressed body");
    if (status == InflateStatus::TooLarge) decide(ReplyVerdict::TooLarge, "decoded body above the limit");
}

void ReplyReader::endOfBody() {
    if (!inflater_) return decide(ReplyVerdict::Complete);
    switch (inflater_->finish()) {
    case InflateStatus::Finished: return decide(ReplyVerdict::Complete);
    case InflateStatus::TooLarge: return decide(ReplyVerdict::TooLarge, "decoded body above the limit");
    case InflateStatus::Corrupt: return decide(ReplyVerdict::BadCompression, "corrupt compressed body");
    default: return decide(ReplyVerdict::BadCompression, "the compressed body ends before its stream does");
    }
}

}  // namespace tolvare::scheduler
