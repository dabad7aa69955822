#include "scheduler/core/inflate.h"

#include <algorithm>

namespace tolvare::scheduler {

// How the decoder stays resumable: every decoding unit (a header, a block header with its code
// tables, one literal or one length-distance pair with its extra bits) is read whole or not at
// all. When the input runs out inside a unit, the cursor goes back to the unit's start and the
// unread bytes wait in pending_ for the next call. The largest unit is a dynamic block header
// (a few hundred bytes), so what waits stays small; stored data and the gzip header's
// variable-length fields are byte-aligned and consumed as they come, never waited for whole.
//
// Huffman codes are decoded one bit at a time over the canonical counts (the RFC 1951 way,
// without lookup tables): a list is kilobytes and no test measures speed.

namespace {

constexpr unsigned kMaxCodeBits = 15;
constexpr std::size_t kWindowMask = 32767;
constexpr int kEndOfBlock = 256;
constexpr int kNeedsInput = -1;
constexpr int kNoSuchCode = -2;

constexpr std::uint8_t kGzipHeaderCrc = 0x02;
constexpr std::uint8_t kGzipExtra = 0x04;
constexpr std::uint8_t kGzipName = 0x08;
constexpr std::uint8_t kGzipComment = 0x10;
constexpr std::uint8_t kGzipReservedFlags = 0xE0;

constexpr std::array<std::uint16_t, 29> kLengthBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                                    15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtraBits{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,    65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtraBits{0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,
                                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<std::uint8_t, 19> kCodeLengthOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};

// Builds a canonical code from its code lengths. Returns 0 for a complete code, a positive
// number for an incomplete one (codes left unused), a negative one for an over-subscribed one.
int buildHuffman(Inflater::Huffman& code, const std::uint8_t* lengths, std::size_t count) {
    code.countOfLength.fill(0);
    for (std::size_t symbol = 0; symbol < count; ++symbol) ++code.countOfLength[lengths[symbol]];
    if (code.countOfLength[0] == count) return 0;  // no codes at all: decoding any symbol fails

    int left = 1;
    for (unsigned length = 1; length <= kMaxCodeBits; ++length) {
        left <<= 1;
        left -= code.countOfLength[length];
        if (left < 0) return left;
    }
    std::array<std::uint16_t, 16> offsets{};
    for (unsigned length = 1; length < kMaxCodeBits; ++length)
        offsets[length + 1] = static_cast<std::uint16_t>(offsets[length] + code.countOfLength[length]);
    for (std::size_t symbol = 0; symbol < count; ++symbol)
        if (lengths[symbol] != 0) code.symbols[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
    return left;
}

// RFC 1951 allows an incomplete literal or distance code only in one case: a single code of one
// bit (a block that uses one distance, or none).
bool acceptableCode(int left, const Inflater::Huffman& code, std::size_t count) {
    if (left == 0) return true;
    return left > 0 && count == static_cast<std::size_t>(code.countOfLength[0]) + code.countOfLength[1];
}

struct FixedCodes {
    Inflater::Huffman literal;
    Inflater::Huffman distance;
    FixedCodes() {
        std::array<std::uint8_t, 288> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, std::uint8_t{8});
        std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint8_t{9});
        std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint8_t{7});
        std::fill(lengths.begin() + 280, lengths.end(), std::uint8_t{8});
        buildHuffman(literal, lengths.data(), lengths.size());
        // All 32 five-bit codes, so that the two that mean nothing (30, 31) decode and are
        // refused, rather than read as an unfinished code.
        std::array<std::uint8_t, 32> distances{};
        distances.fill(5);
        buildHuffman(distance, distances.data(), distances.size());
    }
};

const FixedCodes& fixedCodes() {
    static const FixedCodes codes;
    return codes;
}

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

bool isZlibHeader(std::uint8_t method, std::uint8_t flags) {
    return (method & 0x0F) == 8 && (method >> 4) <= 7 && ((method << 8) | flags) % 31 == 0;
}

}  // namespace

std::uint32_t crc32Update(std::uint32_t crc, std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    crc = ~crc;
    for (const char c : bytes) crc = table[(crc ^ static_cast<std::uint8_t>(c)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adler32Update(std::uint32_t adler, std::string_view bytes) {
    constexpr std::uint32_t kModulus = 65521;
    constexpr std::size_t kRun = 5552;  // the most bytes before the sums can overflow 32 bits
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    while (!bytes.empty()) {
        const std::size_t run = std::min(bytes.size(), kRun);
        for (std::size_t i = 0; i < run; ++i) {
            a += static_cast<std::uint8_t>(bytes[i]);
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        bytes.remove_prefix(run);
    }
    return (b << 16) | a;
}

Inflater::Inflater(CompressedFormat format, std::uint64_t outputLimit)
    : format_(format), outputLimit_(outputLimit) {
    switch (format) {
    case CompressedFormat::Gzip: stage_ = Stage::GzipHeader; break;
    case CompressedFormat::Zlib: stage_ = Stage::ZlibHeader; break;
    case CompressedFormat::ZlibOrRawDeflate: stage_ = Stage::DetectFormat; break;
    case CompressedFormat::RawDeflate: stage_ = Stage::BlockHeader; break;
    }
}

InflateStatus Inflater::feed(std::string_view input, std::string& output) {
    if (status_ == InflateStatus::Corrupt || status_ == InflateStatus::TooLarge) return status_;
    pending_.erase(0, cursor_.byte);
    cursor_.byte = 0;
    pending_.append(input);
    checkedUpTo_ = output.size();

    Step result = Step::Progress;
    while (result == Step::Progress) result = step(output);
    if (result == Step::Stop) return status_;

    absorbChecksums(output);
    status_ = stage_ == Stage::MemberBoundary || stage_ == Stage::End ? InflateStatus::Finished
                                                                      : InflateStatus::NeedsMore;
    return status_;
}

InflateStatus Inflater::finish() {
    if (status_ == InflateStatus::NeedsMore) status_ = InflateStatus::Incomplete;
    return status_;
}

Inflater::Step Inflater::step(std::string& output) {
    switch (stage_) {
    case Stage::DetectFormat: {
        if (pending_.size() - cursor_.byte < 2) return Step::NeedsInput;
        const auto method = static_cast<std::uint8_t>(pending_[cursor_.byte]);
        const auto flags = static_cast<std::uint8_t>(pending_[cursor_.byte + 1]);
        if (isZlibHeader(method, flags)) {
            format_ = CompressedFormat::Zlib;
            stage_ = Stage::ZlibHeader;
        } else {
            format_ = CompressedFormat::RawDeflate;
            stage_ = Stage::BlockHeader;
        }
        return Step::Progress;
    }
    case Stage::GzipHeader: return gzipHeader();
    case Stage::GzipExtraLength:
    case Stage::GzipExtra:
    case Stage::GzipName:
    case Stage::GzipComment:
    case Stage::GzipHeaderCrc: return gzipHeaderField();
    case Stage::ZlibHeader: return zlibHeader();
    case Stage::BlockHeader: return blockHeader();
    case Stage::StoredLength: return storedLength();
    case Stage::StoredData: return storedData(output);
    case Stage::DynamicTables: return dynamicTables();
    case Stage::CompressedData: return compressedData(output);
    case Stage::Trailer: return trailer(output);
    case Stage::MemberBoundary:
        if (availableBits() == 0) return Step::NeedsInput;
        // Another member follows: it is a stream of its own, with its own window and checks.
        stage_ = Stage::GzipHeader;
        crc_ = 0;
        memberOutput_ = 0;
        windowEnd_ = 0;
        return Step::Progress;
    case Stage::End:
        return availableBits() == 0 ? Step::NeedsInput : fail(InflateStatus::Corrupt);
    }
    return fail(InflateStatus::Corrupt);
}

Inflater::Step Inflater::gzipHeader() {
    // The magic bytes and the method are checked as soon as they arrive, so that what follows
    // a member is known not to be another one without waiting for a whole header.
    constexpr std::array<std::uint8_t, 3> kStart{0x1F, 0x8B, 8};
    const std::size_t available = pending_.size() - cursor_.byte;
    for (std::size_t i = 0; i < std::min(available, kStart.size()); ++i)
        if (static_cast<std::uint8_t>(pending_[cursor_.byte + i]) != kStart[i]) return fail(InflateStatus::Corrupt);
    if (available < 10) return Step::NeedsInput;
    const std::string_view header(pending_.data() + cursor_.byte, 10);
    gzipFlags_ = static_cast<std::uint8_t>(header[3]);
    if (gzipFlags_ & kGzipReservedFlags) return fail(InflateStatus::Corrupt);
    headerCrc_ = crc32Update(0, header);
    cursor_.byte += 10;
    stage_ = Stage::GzipExtraLength;
    return Step::Progress;
}

// The optional fields of a gzip header, in their order; each is skipped when its flag is off.
Inflater::Step Inflater::gzipHeaderField() {
    const auto consume = [&](std::size_t count) {
        headerCrc_ = crc32Update(headerCrc_, std::string_view(pending_.data() + cursor_.byte, count));
        cursor_.byte += count;
    };
    const std::size_t available = pending_.size() - cursor_.byte;
    switch (stage_) {
    case Stage::GzipExtraLength:
        if (gzipFlags_ & kGzipExtra) {
            if (available < 2) return Step::NeedsInput;
            gzipExtraLeft_ = static_cast<std::uint8_t>(pending_[cursor_.byte]) |
                             (static_cast<std::uint32_t>(static_cast<std::uint8_t>(pending_[cursor_.byte + 1])) << 8);
            consume(2);
        }
        stage_ = Stage::GzipExtra;
        return Step::Progress;
    case Stage::GzipExtra: {
        const std::size_t count = std::min<std::size_t>(available, gzipExtraLeft_);
        consume(count);
        gzipExtraLeft_ -= static_cast<std::uint32_t>(count);
        if (gzipExtraLeft_ > 0) return Step::NeedsInput;
        stage_ = Stage::GzipName;
        return Step::Progress;
    }
    case Stage::GzipName:
    case Stage::GzipComment: {
        const std::uint8_t flag = stage_ == Stage::GzipName ? kGzipName : kGzipComment;
        if (gzipFlags_ & flag) {
            const std::size_t end = pending_.find('\0', cursor_.byte);
            if (end == std::string::npos) {
                consume(available);
                return Step::NeedsInput;
            }
            consume(end + 1 - cursor_.byte);
        }
        stage_ = stage_ == Stage::GzipName ? Stage::GzipComment : Stage::GzipHeaderCrc;
        return Step::Progress;
    }
    case Stage::GzipHeaderCrc:
        if (gzipFlags_ & kGzipHeaderCrc) {
            if (available < 2) return Step::NeedsInput;
            const std::uint32_t stored = static_cast<std::uint8_t>(pending_[cursor_.byte]) |
                                         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(pending_[cursor_.byte + 1])) << 8);
            if (stored != (headerCrc_ & 0xFFFF)) return fail(InflateStatus::Corrupt);
            cursor_.byte += 2;
        }
        stage_ = Stage::BlockHeader;
        return Step::Progress;
    default: return fail(InflateStatus::Corrupt);
    }
}

Inflater::Step Inflater::zlibHeader() {
    if (pending_.size() - cursor_.byte < 2) return Step::NeedsInput;
    const auto method = static_cast<std::uint8_t>(pending_[cursor_.byte]);
    const auto flags = static_cast<std::uint8_t>(pending_[cursor_.byte + 1]);
    const bool presetDictionary = (flags & 0x20) != 0;
    if (!isZlibHeader(method, flags) || presetDictionary) return fail(InflateStatus::Corrupt);
    cursor_.byte += 2;
    stage_ = Stage::BlockHeader;
    return Step::Progress;
}

Inflater::Step Inflater::blockHeader() {
    std::uint32_t header = 0;
    if (!takeBits(3, header)) return Step::NeedsInput;
    lastBlock_ = (header & 1) != 0;
    switch (header >> 1) {
    case 0: stage_ = Stage::StoredLength; return Step::Progress;
    case 1:
        literalCode_ = fixedCodes().literal;
        distanceCode_ = fixedCodes().distance;
        stage_ = Stage::CompressedData;
        return Step::Progress;
    case 2: stage_ = Stage::DynamicTables; return Step::Progress;
    default: return fail(InflateStatus::Corrupt);
    }
}

Inflater::Step Inflater::storedLength() {
    const Cursor start = cursor_;
    alignToByte();
    std::uint32_t length = 0;
    std::uint32_t complement = 0;
    if (!takeBits(16, length) || !takeBits(16, complement)) {
        cursor_ = start;
        return Step::NeedsInput;
    }
    if ((length ^ 0xFFFF) != complement) return fail(InflateStatus::Corrupt);
    storedLeft_ = length;
    stage_ = Stage::StoredData;
    return Step::Progress;
}

Inflater::Step Inflater::storedData(std::string& output) {
    while (storedLeft_ > 0) {
        if (cursor_.byte >= pending_.size()) return Step::NeedsInput;
        if (!emit(static_cast<std::uint8_t>(pending_[cursor_.byte]), output)) return Step::Stop;
        ++cursor_.byte;
        --storedLeft_;
    }
    stage_ = lastBlock_ ? Stage::Trailer : Stage::BlockHeader;
    return Step::Progress;
}

Inflater::Step Inflater::dynamicTables() {
    const Cursor start = cursor_;
    const auto needsInput = [&] {
        cursor_ = start;
        return Step::NeedsInput;
    };
    std::uint32_t literalCount = 0;
    std::uint32_t distanceCount = 0;
    std::uint32_t codeLengthCount = 0;
    if (!takeBits(5, literalCount) || !takeBits(5, distanceCount) || !takeBits(4, codeLengthCount))
        return needsInput();
    literalCount += 257;
    distanceCount += 1;
    codeLengthCount += 4;
    if (literalCount > 286 || distanceCount > 30) return fail(InflateStatus::Corrupt);

    std::array<std::uint8_t, 19> codeLengthLengths{};
    for (std::uint32_t i = 0; i < codeLengthCount; ++i) {
        std::uint32_t length = 0;
        if (!takeBits(3, length)) return needsInput();
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(length);
    }
    Huffman codeLengthCode;
    if (buildHuffman(codeLengthCode, codeLengthLengths.data(), codeLengthLengths.size()) != 0)
        return fail(InflateStatus::Corrupt);

    std::array<std::uint8_t, 286 + 30> lengths{};
    const std::uint32_t total = literalCount + distanceCount;
    std::uint32_t index = 0;
    while (index < total) {
        const int symbol = decodeSymbol(codeLengthCode);
        if (symbol == kNeedsInput) return needsInput();
        if (symbol < 0) return fail(InflateStatus::Corrupt);
        if (symbol < 16) {
            lengths[index++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t repeated = 0;
        std::uint32_t repeat = 0;
        if (symbol == 16) {
            if (index == 0) return fail(InflateStatus::Corrupt);
            repeated = lengths[index - 1];
            if (!takeBits(2, repeat)) return needsInput();
            repeat += 3;
        } else if (symbol == 17) {
            if (!takeBits(3, repeat)) return needsInput();
            repeat += 3;
        } else {
            if (!takeBits(7, repeat)) return needsInput();
            repeat += 11;
        }
        if (index + repeat > total) return fail(InflateStatus::Corrupt);
        std::fill_n(lengths.begin() + index, repeat, repeated);
        index += repeat;
    }
    // A block without an end-of-block code could never end.
    if (lengths[kEndOfBlock] == 0) return fail(InflateStatus::Corrupt);
    const int literalLeft = buildHuffman(literalCode_, lengths.data(), literalCount);
    if (!acceptableCode(literalLeft, literalCode_, literalCount)) return fail(InflateStatus::Corrupt);
    const int distanceLeft = buildHuffman(distanceCode_, lengths.data() + literalCount, distanceCount);
    if (!acceptableCode(distanceLeft, distanceCode_, distanceCount)) return fail(InflateStatus::Corrupt);
    stage_ = Stage::CompressedData;
    return Step::Progress;
}

Inflater::Step Inflater::compressedData(std::string& output) {
    for (;;) {
        const Cursor start = cursor_;
        const auto needsInput = [&] {
            cursor_ = start;
            return Step::NeedsInput;
        };
        const int symbol = decodeSymbol(literalCode_);
        if (symbol == kNeedsInput) return needsInput();
        if (symbol < 0) return fail(InflateStatus::Corrupt);
        if (symbol < kEndOfBlock) {
            if (!emit(static_cast<std::uint8_t>(symbol), output)) return Step::Stop;
            continue;
        }
        if (symbol == kEndOfBlock) {
            stage_ = lastBlock_ ? Stage::Trailer : Stage::BlockHeader;
            return Step::Progress;
        }
        const std::size_t lengthIndex = static_cast<std::size_t>(symbol - 257);
        if (lengthIndex >= kLengthBase.size()) return fail(InflateStatus::Corrupt);
        std::uint32_t extra = 0;
        if (!takeBits(kLengthExtraBits[lengthIndex], extra)) return needsInput();
        const std::uint32_t length = kLengthBase[lengthIndex] + extra;

        const int distanceSymbol = decodeSymbol(distanceCode_);
        if (distanceSymbol == kNeedsInput) return needsInput();
        if (distanceSymbol < 0 || static_cast<std::size_t>(distanceSymbol) >= kDistanceBase.size())
            return fail(InflateStatus::Corrupt);
        const auto distanceIndex = static_cast<std::size_t>(distanceSymbol);
        if (!takeBits(kDistanceExtraBits[distanceIndex], extra)) return needsInput();
        const std::size_t distance = kDistanceBase[distanceIndex] + extra;
        if (distance > windowEnd_) return fail(InflateStatus::Corrupt);

        for (std::uint32_t i = 0; i < length; ++i)
            if (!emit(window_[(windowEnd_ - distance) & kWindowMask], output)) return Step::Stop;
    }
}

Inflater::Step Inflater::trailer(std::string& output) {
    if (format_ == CompressedFormat::RawDeflate) {
        alignToByte();  // the rest of the last byte is padding
        stage_ = Stage::End;
        return Step::Progress;
    }
    const Cursor start = cursor_;
    alignToByte();
    const std::size_t size = format_ == CompressedFormat::Gzip ? 8 : 4;
    if (pending_.size() - cursor_.byte < size) {
        cursor_ = start;
        return Step::NeedsInput;
    }
    absorbChecksums(output);
    const auto byteAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(pending_[cursor_.byte + i]));
    };
    if (format_ == CompressedFormat::Gzip) {
        const std::uint32_t crc = byteAt(0) | byteAt(1) << 8 | byteAt(2) << 16 | byteAt(3) << 24;
        const std::uint32_t size32 = byteAt(4) | byteAt(5) << 8 | byteAt(6) << 16 | byteAt(7) << 24;
        if (crc != crc_ || size32 != static_cast<std::uint32_t>(memberOutput_)) return fail(InflateStatus::Corrupt);
        stage_ = Stage::MemberBoundary;
    } else {
        const std::uint32_t adler = byteAt(0) << 24 | byteAt(1) << 16 | byteAt(2) << 8 | byteAt(3);
        if (adler != adler_) return fail(InflateStatus::Corrupt);
        stage_ = Stage::End;
    }
    cursor_.byte += size;
    return Step::Progress;
}

std::size_t Inflater::availableBits() const {
    return (pending_.size() - cursor_.byte) * 8 - cursor_.bit;
}

bool Inflater::takeBits(unsigned count, std::uint32_t& value) {
    if (availableBits() < count) return false;
    value = 0;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned bit = (static_cast<std::uint8_t>(pending_[cursor_.byte]) >> cursor_.bit) & 1u;
        value |= bit << i;
        if (++cursor_.bit == 8) {
            cursor_.bit = 0;
            ++cursor_.byte;
        }
    }
    return true;
}

int Inflater::decodeSymbol(const Huffman& code) {
    // Canonical codes of one length are consecutive numbers, so walking the lengths with the
    // code read so far finds the symbol without a table (Huffman codes are sent from their
    // first bit, which is why the bits are read one by one here).
    int read = 0;
    int first = 0;
    int index = 0;
    for (unsigned length = 1; length <= kMaxCodeBits; ++length) {
        std::uint32_t bit = 0;
        if (!takeBits(1, bit)) return kNeedsInput;
        read |= static_cast<int>(bit);
        const int count = code.countOfLength[length];
        if (read - count < first) return code.symbols[static_cast<std::size_t>(index + (read - first))];
        index += count;
        first += count;
        first <<= 1;
        read <<= 1;
    }
    return kNoSuchCode;
}

void Inflater::alignToByte() {
    if (cursor_.bit != 0) {
        cursor_.bit = 0;
        ++cursor_.byte;
    }
}

bool Inflater::emit(std::uint8_t byte, std::string& output) {
    if (totalOutput_ >= outputLimit_) {
        fail(InflateStatus::TooLarge);
        return false;
    }
    output.push_back(static_cast<char>(byte));
    window_[windowEnd_ & kWindowMask] = byte;
    ++windowEnd_;
    ++totalOutput_;
    ++memberOutput_;
    return true;
}

Inflater::Step Inflater::fail(InflateStatus status) {
    status_ = status;
    return Step::Stop;
}

void Inflater::absorbChecksums(const std::string& output) {
    if (checkedUpTo_ > output.size()) checkedUpTo_ = output.size();
    const std::string_view fresh(output.data() + checkedUpTo_, output.size() - checkedUpTo_);
    if (format_ == CompressedFormat::Gzip) crc_ = crc32Update(crc_, fresh);
    if (format_ == CompressedFormat::Zlib) adler_ = adler32Update(adler_, fresh);
    checkedUpTo_ = output.size();
}

}  // namespace tolvare::scheduler
