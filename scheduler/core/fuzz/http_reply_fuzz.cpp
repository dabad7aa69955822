// Fuzz target for what a web server can send PLENAR: the HTTP reply reader, the decoder of
// compressed bodies, and addresses (typed ones and redirect Locations).
// The first byte chooses how the rest arrives (piece size, how the connection ends); the same
// bytes must give the same verdict and the same body whether they arrive whole or in pieces,
// and nothing may pass its limits.
// Linked with common/fuzz/replay_main.cpp it is an ordinary program that runs the saved inputs given
// on its command line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scheduler/core/http_reply.h"
#include "scheduler/core/inflate.h"

namespace {

using namespace tolvare::scheduler;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "HTTP reply invariant broken: %s\n", what);
        std::abort();
    }
}

enum class End { Closed, Reset, Open };

struct Reading {
    ReplyVerdict verdict;
    std::string body;
    int status;
    std::string location;
};

constexpr ReplyLimits kLimits{.maxBodyBytes = 64 * 1024,
                              .maxHeaderBytes = 2048,
                              .maxHeaderFields = 20,
                              .maxChunkLineBytes = 256,
                              .maxInterimReplies = 3};

Reading readReply(std::string_view bytes, std::size_t piece, End end) {
    ReplyReader reader(kLimits);
    std::string body;
    std::string all;
    while (!bytes.empty()) {
        const std::size_t count = std::min(piece, bytes.size());
        reader.feed(bytes.substr(0, count), body);
        bytes.remove_prefix(count);
        // The caller may empty the body between calls.
        all += body;
        body.clear();
        check(all.size() <= kLimits.maxBodyBytes, "decoded body within its limit");
    }
    if (end == End::Closed) reader.connectionClosed();
    if (end == End::Reset) {
        const ReplyVerdict before = reader.verdict();
        reader.connectionReset();
        check(before != ReplyVerdict::Pending || reader.verdict() == ReplyVerdict::Cut, "a reset cuts");
    }
    check(end == End::Open || reader.verdict() != ReplyVerdict::Pending, "an ended connection has a verdict");
    return {reader.verdict(), all, reader.status(), reader.location()};
}

void checkReply(std::string_view bytes, std::size_t piece, End end) {
    const Reading whole = readReply(bytes, SIZE_MAX, end);
    const Reading pieces = readReply(bytes, piece, end);
    check(whole.verdict == pieces.verdict, "same verdict whole and in pieces");
    check(whole.status == pieces.status && whole.location == pieces.location, "same status and location");
    if (whole.verdict != ReplyVerdict::TooLarge) check(whole.body == pieces.body, "same body whole and in pieces");
    if (whole.verdict == ReplyVerdict::Complete) check(whole.status >= 200 && whole.status < 300, "complete means 2xx");
    if (whole.verdict == ReplyVerdict::Redirect || whole.verdict == ReplyVerdict::ErrorStatus)
        check(whole.body.empty(), "no body from redirects and error statuses");
    if (whole.verdict == ReplyVerdict::Redirect) {
        check(!whole.location.empty(), "a redirect has a Location");
        const AddressCheck next = resolveRedirect(parseHttpAddress("http://example.com/a/b?c").address, whole.location);
        if (next.verdict == AddressVerdict::Valid) check(next.address.target.starts_with("/"), "a target starts with /");
    }
}

void checkInflate(std::string_view bytes, std::size_t piece) {
    for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::ZlibOrRawDeflate, CompressedFormat::RawDeflate}) {
        constexpr std::uint64_t kLimit = 256 * 1024;
        Inflater whole(format, kLimit);
        std::string wholeOutput;
        whole.feed(bytes, wholeOutput);
        const InflateStatus wholeStatus = whole.finish();

        Inflater pieces(format, kLimit);
        std::string piecesOutput;
        std::string_view rest = bytes;
        while (!rest.empty()) {
            const std::size_t count = std::min(piece, rest.size());
            pieces.feed(rest.substr(0, count), piecesOutput);
            rest.remove_prefix(count);
        }
        const InflateStatus piecesStatus = pieces.finish();
        check(wholeStatus == piecesStatus, "same inflate status whole and in pieces");
        check(wholeStatus != InflateStatus::NeedsMore, "finish gives a final status");
        check(wholeOutput.size() <= kLimit && piecesOutput.size() <= kLimit, "inflate output within its limit");
        if (wholeStatus != InflateStatus::TooLarge) check(wholeOutput == piecesOutput, "same inflate output");
        check(whole.outputSize() == wholeOutput.size(), "output size counted");
    }
}

void checkAddress(std::string_view text) {
    const AddressCheck address = parseHttpAddress(text);
    if (address.verdict == AddressVerdict::Valid) {
        const AddressCheck again = parseHttpAddress(address.address.text());
        check(again.verdict == AddressVerdict::Valid && again.address == address.address, "an address reads back");
        const std::string request = buildGetRequest(address.address);
        check(request.find("\r\n\r\n") == request.size() - 4, "one end of the request header");
    }
    const AddressCheck redirect = resolveRedirect(parseHttpAddress("http://example.com:8080/a/b/c?q").address, text);
    if (redirect.verdict == AddressVerdict::Valid) {
        const AddressCheck again = parseHttpAddress(redirect.address.text());
        check(again.verdict == AddressVerdict::Valid && again.address == redirect.address, "a redirect reads back");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t selector = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t piece = 1 + selector % 13;
    const End end = static_cast<End>((selector >> 4) % 3);
    checkReply(bytes, piece, end);
    checkInflate(bytes, piece);
    if (bytes.size() <= 512) checkAddress(bytes);
    return 0;
}
