// A streaming decoder for the compressed bodies an HTTP server may send: gzip (RFC 1952), zlib
// (RFC 1950) and raw deflate (RFC 1951). It is fed the compressed bytes in pieces of any size,
// as they arrive, and appends what they decode to to the caller's string.
//
// A stream counts as whole only once its final block and its trailer have been read and the
// trailer's checks pass (gzip: CRC-32 and length; zlib: Adler-32): a stream that stops before
// that is "incomplete", which is how a cut transfer of a compressed body shows. Decisions:
// - gzip: several members one after the other decode as one body (RFC 1952 defines a file as a
//   series of members, and gzip itself reads them so); anything after a member that is not the
//   start of another member is corrupt, trailing zero bytes included.
// - zlib and raw deflate: a byte after the end of the stream is corrupt.
// - zlib with a preset dictionary is corrupt (no dictionary can be known here).
// - ZlibOrRawDeflate takes the stream as zlib when its first two bytes are a valid zlib
//   header, as raw deflate otherwise: servers send both for "Content-Encoding: deflate".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvare::scheduler {

enum class CompressedFormat { Gzip, Zlib, ZlibOrRawDeflate, RawDeflate };

enum class InflateStatus {
    NeedsMore,   // not at an end yet: more input is wanted
    Finished,    // at the end of a whole stream (gzip: of a member; another may follow)
    Incomplete,  // from finish(): the input ended before the final block and trailer
    Corrupt,     // the bytes are not a valid stream, or a check failed
    TooLarge,    // decoding would pass the output limit
};

class Inflater {
public:
    Inflater(CompressedFormat format, std::uint64_t outputLimit);

    // Decodes as much of `input` as it can, appending to `output`. Corrupt and TooLarge are
    // final: later calls change nothing. What was appended before a failure stays in `output`.
    // A call appends at most the output limit, however small `input` is.
    InflateStatus feed(std::string_view input, std::string& output);

    // The input has ended: Finished when it ended at the end of a whole stream, Incomplete
    // when it did not, or the failure already met.
    InflateStatus finish();

    InflateStatus status() const { return status_; }
    std::uint64_t outputSize() const { return totalOutput_; }

    // A Huffman code in canonical form: the number of codes of each length and the symbols
    // ordered by code.
    struct Huffman {
        std::array<std::uint16_t, 16> countOfLength{};
        std::array<std::uint16_t, 288> symbols{};
    };

private:
    enum class Stage {
        DetectFormat,
        GzipHeader,
        GzipExtraLength,
        GzipExtra,
        GzipName,
        GzipComment,
        GzipHeaderCrc,
        ZlibHeader,
        BlockHeader,
        StoredLength,
        StoredData,
        DynamicTables,
        CompressedData,
        Trailer,
        MemberBoundary,  // gzip: after a whole member
        End,             // zlib, raw: after the whole stream
    };
    enum class Step { Progress, NeedsInput, Stop };

    Step step(std::string& output);
    Step gzipHeader();
    Step gzipHeaderField();
    Step zlibHeader();
    Step blockHeader();
    Step storedLength();
    Step storedData(std::string& output);
    Step dynamicTables();
    Step compressedData(std::string& output);
    Step trailer(std::string& output);

    std::size_t availableBits() const;
    bool takeBits(unsigned count, std::uint32_t& value);
    bool takeByte(std::uint8_t& value);
    // Decodes one symbol: the symbol, -1 when the input runs out first, -2 for no valid code.
    int decodeSymbol(const Huffman& code);
    void alignToByte();
    bool emit(std::uint8_t byte, std::string& output);
    Step fail(InflateStatus status);
    void absorbChecksums(const std::string& output);

    struct Cursor {
        std::size_t byte = 0;
        unsigned bit = 0;
    };

    CompressedFormat format_;
    std::uint64_t outputLimit_;
    Stage stage_;
    InflateStatus status_ = InflateStatus::NeedsMore;

    std::string pending_;  // received and not yet consumed (from cursor_ on)
    Cursor cursor_;

    std::uint8_t gzipFlags_ = 0;
    std::uint32_t gzipExtraLeft_ = 0;
    std::uint32_t headerCrc_ = 0;
    bool lastBlock_ = false;
    std::uint32_t storedLeft_ = 0;
    Huffman literalCode_;
    Huffman distanceCode_;

    std::array<std::uint8_t, 32768> window_{};
    std::size_t windowEnd_ = 0;
    std::uint64_t totalOutput_ = 0;
    std::uint64_t memberOutput_ = 0;

    std::uint32_t crc_ = 0;
    std::uint32_t adler_ = 1;
    std::size_t checkedUpTo_ = 0;  // output bytes of the current call already in the checksums
};

// The checksums of the formats, exposed for tests.
std::uint32_t crc32Update(std::uint32_t crc, std::string_view bytes);
std::uint32_t adler32Update(std::uint32_t adler, std::string_view bytes);

}  // namespace tolvare::scheduler
