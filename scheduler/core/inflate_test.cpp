#include "scheduler/core/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace tolvare::scheduler {
namespace {

constexpr std::uint64_t kNoLimit = 1ull << 40;

// zlib's window bits for each container.
int windowBitsOf(CompressedFormat format) {
    switch (format) {
    case CompressedFormat::Gzip: return 15 + 16;
    case CompressedFormat::RawDeflate: return -15;
    default: return 15;
    }
}

std::string compress(std::string_view data, CompressedFormat format, int level = Z_DEFAULT_COMPRESSION,
                     int strategy = Z_DEFAULT_STRATEGY) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, windowBitsOf(format), 8, strategy) != Z_OK) return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out : std::string();
}

std::string textData(std::size_t size) {
    std::string text;
    int line = 0;
    while (text.size() < size) {
        ++line;
        text += std::to_string(line % 24) + ":" + std::to_string(line % 60) + "=notepad.exe C:\\list\\" +
                std::to_string(line * 7919 % 1000) + ".txt\r\n";
    }
    text.resize(size);
    return text;
}

std::string randomData(std::size_t size, unsigned seed = 1) {
    std::mt19937 generator(seed);
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(generator() & 0xFF);
    return data;
}

struct Decoded {
    InflateStatus status;
    std::string output;
};

// Feeds `compressed` in pieces of `piece` bytes, then ends the input.
Decoded decode(std::string_view compressed, CompressedFormat format, std::size_t piece = SIZE_MAX,
               std::uint64_t limit = kNoLimit) {
    Inflater inflater(format, limit);
    Decoded result{InflateStatus::NeedsMore, {}};
    while (!compressed.empty()) {
        const std::size_t count = std::min(piece, compressed.size());
        result.status = inflater.feed(compressed.substr(0, count), result.output);
        compressed.remove_prefix(count);
        if (result.status == InflateStatus::Corrupt || result.status == InflateStatus::TooLarge) return result;
    }
    result.status = inflater.finish();
    return result;
}

const char* nameOf(CompressedFormat format) {
    switch (format) {
    case CompressedFormat::Gzip: return "gzip";
    case CompressedFormat::Zlib: return "zlib";
    case CompressedFormat::ZlibOrRawDeflate: return "zlib or raw";
    case CompressedFormat::RawDeflate: return "raw";
    }
    return "?";
}

// Writes a deflate bit stream by hand, for streams no compressor makes.
class BitWriter {
public:
    void bits(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) bit((value >> i) & 1);
    }
    // Huffman codes go most significant bit first.
    void code(std::uint32_t value, unsigned length) {
        for (unsigned i = length; i-- > 0;) bit((value >> i) & 1);
    }
    void fixedLiteral(int symbol) {
        if (symbol < 144) code(0x30 + symbol, 8);
        else if (symbol < 256) code(0x190 + symbol - 144, 9);
        else if (symbol < 280) code(symbol - 256, 7);
        else code(0xC0 + symbol - 280, 8);
    }
    void alignToByte() {
        while (used_ != 0) bit(0);
    }
    void bytes(std::string_view data) {
        alignToByte();
        out_ += data;
    }
    std::string take() {
        alignToByte();
        return out_;
    }

private:
    void bit(std::uint32_t value) {
        if (used_ == 0) out_.push_back('\0');
        out_.back() = static_cast<char>(out_.back() | (value << used_));
        used_ = (used_ + 1) % 8;
    }
    std::string out_;
    unsigned used_ = 0;
};

std::string littleEndian32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

TEST(Inflate, ChecksumsMatchTheirStandardCheckValues) {
    EXPECT_EQ(crc32Update(0, "123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32Update(crc32Update(0, "1234"), "56789"), 0xCBF43926u);
    EXPECT_EQ(adler32Update(1, "Wikipedia"), 0x11E60398u);
    const std::string large = randomData(100000);
    EXPECT_EQ(adler32Update(1, large), adler32(1, reinterpret_cast<const Bytef*>(large.data()), static_cast<uInt>(large.size())));
    EXPECT_EQ(crc32Update(0, large), crc32(0, reinterpret_cast<const Bytef*>(large.data()), static_cast<uInt>(large.size())));
}

// The first block's type (BTYPE) in a raw deflate stream.
int firstBlockType(const std::string& raw) {
    return (static_cast<unsigned char>(raw.at(0)) >> 1) & 3;
}

TEST(Inflate, ZlibMakesTheBlockKindsTheseTestsCountOn) {
    const std::string text = textData(20000);
    EXPECT_EQ(firstBlockType(compress(text, CompressedFormat::RawDeflate, 0)), 0);  // stored
    EXPECT_EQ(firstBlockType(compress(text, CompressedFormat::RawDeflate, 6, Z_FIXED)), 1);
    EXPECT_EQ(firstBlockType(compress(text, CompressedFormat::RawDeflate, 6)), 2);  // dynamic
}

TEST(Inflate, DecodesWhatZlibMakesInEveryFormatLevelAndStrategy) {
    const std::vector<std::string> samples{"", "x", textData(50000), randomData(70000), textData(3000) + randomData(3000) + textData(70000)};
    for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::Zlib, CompressedFormat::RawDeflate}) {
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE, Z_FILTERED}) {
                for (std::size_t i = 0; i < samples.size(); ++i) {
                    const std::string packed = compress(samples[i], format, level, strategy);
                    ASSERT_FALSE(packed.empty());
                    const Decoded decoded = decode(packed, format);
                    EXPECT_EQ(decoded.status, InflateStatus::Finished)
                        << nameOf(format) << " level " << level << " strategy " << strategy << " sample " << i;
                    EXPECT_TRUE(decoded.output == samples[i])
                        << nameOf(format) << " level " << level << " strategy " << strategy << " sample " << i;
                }
            }
        }
    }
}

TEST(Inflate, PiecesOfAnySizeDecodeAlike) {
    const std::string text = textData(40000);
    for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::Zlib, CompressedFormat::RawDeflate}) {
        for (int level : {0, 6}) {
            const std::string packed = compress(text, format, level);
            for (std::size_t piece : {1u, 2u, 3u, 5u, 64u, 1000u, 4097u}) {
                const Decoded decoded = decode(packed, format, piece);
                EXPECT_EQ(decoded.status, InflateStatus::Finished) << nameOf(format) << " pieces of " << piece;
                EXPECT_TRUE(decoded.output == text) << nameOf(format) << " pieces of " << piece;
            }
        }
    }
    // A caller that empties its string between calls still gets the checks right.
    const std::string packed = compress(text, CompressedFormat::Gzip);
    Inflater inflater(CompressedFormat::Gzip, kNoLimit);
    std::string all;
    for (std::size_t i = 0; i < packed.size(); i += 333) {
        std::string piece;
        ASSERT_NE(inflater.feed(std::string_view(packed).substr(i, 333), piece), InflateStatus::Corrupt);
        all += piece;
    }
    EXPECT_EQ(inflater.finish(), InflateStatus::Finished);
    EXPECT_TRUE(all == text);
}

TEST(Inflate, EveryTruncationIsIncomplete) {
    const std::string text = textData(2500);
    for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::Zlib, CompressedFormat::RawDeflate}) {
        for (int level : {0, 6}) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
                const std::string packed = compress(text, format, level, strategy);
                for (std::size_t length = 0; length < packed.size(); ++length) {
                    const Decoded cut = decode(std::string_view(packed).substr(0, length), format);
                    ASSERT_EQ(cut.status, InflateStatus::Incomplete)
                        << nameOf(format) << " level " << level << " strategy " << strategy << " cut at " << length;
                    ASSERT_TRUE(text.starts_with(cut.output));
                }
                EXPECT_EQ(decode(packed, format).status, InflateStatus::Finished);
            }
        }
    }
}

TEST(Inflate, DamagedStreamsFailWithoutHarm) {
    const std::string text = textData(1500);
    for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::Zlib, CompressedFormat::RawDeflate}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
            const std::string packed = compress(text, format, 6, strategy);
            for (std::size_t position = 0; position < packed.size(); ++position) {
                for (unsigned char flip : {0x01, 0x10, 0x80, 0xFF}) {
                    std::string damaged = packed;
                    damaged[position] = static_cast<char>(damaged[position] ^ flip);
                    const Decoded decoded = decode(damaged, format, 7);
                    // A checked container never passes wrong data: a change it does not
                    // detect (a gzip time stamp) leaves the data as it was.
                    if (decoded.status == InflateStatus::Finished && format != CompressedFormat::RawDeflate) {
                        ASSERT_TRUE(decoded.output == text) << nameOf(format) << " byte " << position;
                    }
                }
            }
        }
    }
    std::mt19937 generator(7);
    for (int i = 0; i < 300; ++i) {
        const std::string noise = randomData(1 + generator() % 400, static_cast<unsigned>(i));
        for (CompressedFormat format : {CompressedFormat::Gzip, CompressedFormat::ZlibOrRawDeflate, CompressedFormat::RawDeflate})
            (void)decode(noise, format, 1 + generator() % 9, 100000);
    }
}

TEST(Inflate, ChecksumsLengthsAndHeadersAreChecked) {
    const std::string text = textData(5000);
    std::string gzip = compress(text, CompressedFormat::Gzip);
    std::string badCrc = gzip;
    badCrc[badCrc.size() - 8] ^= 1;
    EXPECT_EQ(decode(badCrc, CompressedFormat::Gzip).status, InflateStatus::Corrupt);
    std::string badSize = gzip;
    badSize[badSize.size() - 1] ^= 1;
    EXPECT_EQ(decode(badSize, CompressedFormat::Gzip).status, InflateStatus::Corrupt);
    std::string reservedFlag = gzip;
    reservedFlag[3] = static_cast<char>(0x20);
    EXPECT_EQ(decode(reservedFlag, CompressedFormat::Gzip).status, InflateStatus::Corrupt);
    std::string notDeflate = gzip;
    notDeflate[2] = 7;
    EXPECT_EQ(decode(notDeflate, CompressedFormat::Gzip).status, InflateStatus::Corrupt);

    std::string zlib = compress(text, CompressedFormat::Zlib);
    std::string badAdler = zlib;
    badAdler.back() ^= 1;
    EXPECT_EQ(decode(badAdler, CompressedFormat::Zlib).status, InflateStatus::Corrupt);
    std::string badHeader = zlib;
    badHeader[1] ^= 1;  // the header's check bits no longer divide by 31
    EXPECT_EQ(decode(badHeader, CompressedFormat::Zlib).status, InflateStatus::Corrupt);
    std::string dictionary = zlib;
    dictionary[1] = static_cast<char>(0x20);  // a preset dictionary; 0x7820 divides by 31
    EXPECT_EQ(decode(dictionary, CompressedFormat::Zlib).status, InflateStatus::Corrupt);
}

TEST(Inflate, GzipHeaderFieldsAreSkippedAndTheirCheckRead) {
    const std::string text = "12:00=notepad.exe\r\n";
    const std::string raw = compress(text, CompressedFormat::RawDeflate);
    const std::string trailer = littleEndian32(crc32Update(0, text)) + littleEndian32(static_cast<std::uint32_t>(text.size()));
    std::string header("\x1f\x8b\x08\x1e\0\0\0\0\0\x03", 10);  // extra, name, comment, header check
    header += std::string("\x04\x00" "abcd", 6);
    header += std::string("lstplenar.txt\0", 14);
    header += std::string("a comment\0", 10);
    const std::uint32_t headerCheck = crc32Update(0, header) & 0xFFFF;
    const std::string good = header + static_cast<char>(headerCheck & 0xFF) + static_cast<char>(headerCheck >> 8) + raw + trailer;
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, SIZE_MAX}) {
        const Decoded decoded = decode(good, CompressedFormat::Gzip, piece);
        EXPECT_EQ(decoded.status, InflateStatus::Finished);
        EXPECT_EQ(decoded.output, text);
    }
    const std::string badCheck = header + static_cast<char>((headerCheck & 0xFF) ^ 1) + static_cast<char>(headerCheck >> 8) + raw + trailer;
    EXPECT_EQ(decode(badCheck, CompressedFormat::Gzip).status, InflateStatus::Corrupt);
    for (std::size_t length = 0; length < good.size(); ++length)
        ASSERT_EQ(decode(std::string_view(good).substr(0, length), CompressedFormat::Gzip, 2).status, InflateStatus::Incomplete);
}

TEST(Inflate, GzipMembersFollowingEachOtherMakeOneBody) {
    const std::string first = textData(3000);
    const std::string second = randomData(2000);
    const std::string both = compress(first, CompressedFormat::Gzip) + compress(second, CompressedFormat::Gzip, 0);
    for (std::size_t piece : {std::size_t{1}, std::size_t{100}, SIZE_MAX}) {
        const Decoded decoded = decode(both, CompressedFormat::Gzip, piece);
        EXPECT_EQ(decoded.status, InflateStatus::Finished);
        EXPECT_TRUE(decoded.output == first + second);
    }
    const std::string one = compress(first, CompressedFormat::Gzip);
    EXPECT_EQ(decode(one + std::string("\x1f\x8b\x08", 3), CompressedFormat::Gzip).status, InflateStatus::Incomplete);
    EXPECT_EQ(decode(one + std::string(4, '\0'), CompressedFormat::Gzip).status, InflateStatus::Corrupt);
    EXPECT_EQ(decode(one + "x", CompressedFormat::Gzip).status, InflateStatus::Corrupt);

    // Each member has its own window: a reference back into the previous one is corrupt.
    BitWriter reaching;
    reaching.bits(1, 1);
    reaching.bits(1, 2);       // fixed codes
    reaching.fixedLiteral(257);  // length 3
    reaching.code(0, 5);       // distance 1
    reaching.fixedLiteral(256);
    const std::string member = std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10) + reaching.take() + littleEndian32(0) + littleEndian32(3);
    EXPECT_EQ(decode(one + member, CompressedFormat::Gzip).status, InflateStatus::Corrupt);
}

TEST(Inflate, ZlibAndRawDeflateEndWithTheirStream) {
    const std::string text = textData(4000);
    const std::string zlib = compress(text, CompressedFormat::Zlib);
    const std::string raw = compress(text, CompressedFormat::RawDeflate);
    EXPECT_EQ(decode(zlib + "x", CompressedFormat::Zlib).status, InflateStatus::Corrupt);
    EXPECT_EQ(decode(raw + "x", CompressedFormat::RawDeflate).status, InflateStatus::Corrupt);
    for (const std::string& packed : {zlib, raw}) {
        for (std::size_t piece : {std::size_t{1}, SIZE_MAX}) {
            const Decoded decoded = decode(packed, CompressedFormat::ZlibOrRawDeflate, piece);
            EXPECT_EQ(decoded.status, InflateStatus::Finished);
            EXPECT_TRUE(decoded.output == text);
        }
    }
    EXPECT_EQ(decode(std::string_view(zlib).substr(0, 1), CompressedFormat::ZlibOrRawDeflate).status, InflateStatus::Incomplete);
}

TEST(Inflate, OutputStopsAtItsLimit) {
    const std::string text = textData(10000);
    const std::string packed = compress(text, CompressedFormat::Gzip);
    EXPECT_EQ(decode(packed, CompressedFormat::Gzip, SIZE_MAX, text.size()).status, InflateStatus::Finished);
    const Decoded over = decode(packed, CompressedFormat::Gzip, SIZE_MAX, text.size() - 1);
    EXPECT_EQ(over.status, InflateStatus::TooLarge);
    EXPECT_LE(over.output.size(), text.size() - 1);

    // Ten megabytes of zeros pack into some ten kilobytes; a one-megabyte limit stops them.
    const std::string bomb = compress(std::string(10 * 1024 * 1024, '\0'), CompressedFormat::Gzip, 9);
    ASSERT_LT(bomb.size(), 20000u);
    Inflater inflater(CompressedFormat::Gzip, 1024 * 1024);
    std::string output;
    EXPECT_EQ(inflater.feed(bomb, output), InflateStatus::TooLarge);
    EXPECT_EQ(output.size(), 1024u * 1024u);
    EXPECT_EQ(inflater.feed("more", output), InflateStatus::TooLarge);
    EXPECT_EQ(inflater.finish(), InflateStatus::TooLarge);
}

TEST(Inflate, HandmadeInvalidBlocksAreCorrupt) {
    const auto raw = [](const BitWriter& writer) {
        BitWriter copy = writer;
        return decode(copy.take(), CompressedFormat::RawDeflate).status;
    };
    BitWriter reserved;
    reserved.bits(1, 1);
    reserved.bits(3, 2);
    EXPECT_EQ(raw(reserved), InflateStatus::Corrupt);

    BitWriter storedMismatch;
    storedMismatch.bits(1, 1);
    storedMismatch.bits(0, 2);
    storedMismatch.bytes(std::string("\x02\x00\xfd\xfe" "ab", 6));  // NLEN is not LEN's complement
    EXPECT_EQ(raw(storedMismatch), InflateStatus::Corrupt);

    BitWriter stored;
    stored.bits(1, 1);
    stored.bits(0, 2);
    stored.bytes(std::string("\x02\x00\xfd\xff" "ab", 6));
    EXPECT_EQ(raw(stored), InflateStatus::Finished);

    BitWriter tooFarBack;  // 'a', then three bytes from two back: only one byte exists
    tooFarBack.bits(1, 1);
    tooFarBack.bits(1, 2);
    tooFarBack.fixedLiteral('a');
    tooFarBack.fixedLiteral(257);
    tooFarBack.code(1, 5);
    tooFarBack.fixedLiteral(256);
    EXPECT_EQ(raw(tooFarBack), InflateStatus::Corrupt);

    BitWriter overlapping;  // 'a', then three bytes from one back: "aaaa"
    overlapping.bits(1, 1);
    overlapping.bits(1, 2);
    overlapping.fixedLiteral('a');
    overlapping.fixedLiteral(257);
    overlapping.code(0, 5);
    overlapping.fixedLiteral(256);
    BitWriter copy = overlapping;
    const Decoded decoded = decode(copy.take(), CompressedFormat::RawDeflate);
    EXPECT_EQ(decoded.status, InflateStatus::Finished);
    EXPECT_EQ(decoded.output, "aaaa");

    BitWriter unusedLength;  // literal/length symbol 286 exists in the fixed code but means nothing
    unusedLength.bits(1, 1);
    unusedLength.bits(1, 2);
    unusedLength.fixedLiteral('a');
    unusedLength.fixedLiteral(286);
    EXPECT_EQ(raw(unusedLength), InflateStatus::Corrupt);

    BitWriter unusedDistance;
    unusedDistance.bits(1, 1);
    unusedDistance.bits(1, 2);
    unusedDistance.fixedLiteral('a');
    unusedDistance.fixedLiteral(257);
    unusedDistance.code(30, 5);
    EXPECT_EQ(raw(unusedDistance), InflateStatus::Corrupt);

    BitWriter tooManyLengths;  // HLIT of 30 means 287 literal/length codes
    tooManyLengths.bits(1, 1);
    tooManyLengths.bits(2, 2);
    tooManyLengths.bits(30, 5);
    tooManyLengths.bits(0, 5);
    tooManyLengths.bits(0, 4);
    EXPECT_EQ(raw(tooManyLengths), InflateStatus::Corrupt);

    BitWriter tooManyDistances;  // HDIST of 30 means 31 distance codes
    tooManyDistances.bits(1, 1);
    tooManyDistances.bits(2, 2);
    tooManyDistances.bits(0, 5);
    tooManyDistances.bits(30, 5);
    tooManyDistances.bits(0, 4);
    EXPECT_EQ(raw(tooManyDistances), InflateStatus::Corrupt);

    BitWriter oversubscribed;  // four code-length codes of one bit each
    oversubscribed.bits(1, 1);
    oversubscribed.bits(2, 2);
    oversubscribed.bits(0, 5);
    oversubscribed.bits(0, 5);
    oversubscribed.bits(0, 4);
    for (int i = 0; i < 4; ++i) oversubscribed.bits(1, 3);
    EXPECT_EQ(raw(oversubscribed), InflateStatus::Corrupt);

    // Code-length code: symbols 16 and 18 of one bit each (16 is sent first, then 17, 18).
    BitWriter repeatFirst;
    repeatFirst.bits(1, 1);
    repeatFirst.bits(2, 2);
    repeatFirst.bits(0, 5);
    repeatFirst.bits(0, 5);
    repeatFirst.bits(0, 4);
    repeatFirst.bits(1, 3);  // 16
    repeatFirst.bits(0, 3);  // 17
    repeatFirst.bits(1, 3);  // 18
    repeatFirst.bits(0, 3);  // 0
    repeatFirst.code(0, 1);  // 16 with nothing before it to repeat
    repeatFirst.bits(0, 2);
    EXPECT_EQ(raw(repeatFirst), InflateStatus::Corrupt);

    BitWriter noEndOfBlock;  // 257 + 1 lengths, all zero (two runs of 18), so no code for 256
    noEndOfBlock.bits(1, 1);
    noEndOfBlock.bits(2, 2);
    noEndOfBlock.bits(0, 5);
    noEndOfBlock.bits(0, 5);
    noEndOfBlock.bits(0, 4);
    noEndOfBlock.bits(1, 3);  // 16
    noEndOfBlock.bits(0, 3);  // 17
    noEndOfBlock.bits(1, 3);  // 18
    noEndOfBlock.bits(0, 3);  // 0
    noEndOfBlock.code(1, 1);  // 18: 11 + 127 zeros
    noEndOfBlock.bits(127, 7);
    noEndOfBlock.code(1, 1);  // 18: 11 + 109 zeros, 258 in all
    noEndOfBlock.bits(109, 7);
    EXPECT_EQ(raw(noEndOfBlock), InflateStatus::Corrupt);
}

}  // namespace
}  // namespace tolvare::scheduler
