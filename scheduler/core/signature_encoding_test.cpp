#include "scheduler/core/signature_encoding.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

using namespace std::string_literals;

struct Base64Case {
    const char* name;
    std::string text;
    std::optional<std::string> bytes;
};

class Base64Test : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64Test, DecodesOnlyCanonicalText) { EXPECT_EQ(decodeBase64(GetParam().text), GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64Test,
    testing::Values(
        Base64Case{"NoPadding", "TWFu", "Man"}, Base64Case{"OnePad", "TWE=", "Ma"},
        Base64Case{"TwoPads", "TQ==", "M"}, Base64Case{"AllAlphabet", "+/+/AAD/", "\xFB\xFF\xBF\x00\x00\xFF"s},
        Base64Case{"ZeroBytes", "AAAA", "\0\0\0"s},
        Base64Case{"LineBreaks", "aGVs\r\nbG8g\nd29y\r\nbGQ=\n", "hello world"},
        Base64Case{"BlanksAnywhere", " a G\tV s\r\nbG8=  ", "hello"},
        Base64Case{"BlankInsidePadding", "TQ=\n=", "M"}, Base64Case{"Empty", "", std::nullopt},
        Base64Case{"OnlyBlanks", " \r\n\t", std::nullopt}, Base64Case{"MissingPadding", "TQ", std::nullopt},
        Base64Case{"MissingOnePad", "TWE", std::nullopt}, Base64Case{"ShortPadding", "TQ=", std::nullopt},
        Base64Case{"TooMuchPadding", "TWE==", std::nullopt}, Base64Case{"ThreePads", "T===", std::nullopt},
        Base64Case{"OnlyPadding", "====", std::nullopt}, Base64Case{"PaddingInTheMiddle", "TQ==TWFu", std::nullopt},
        Base64Case{"PaddingInAGroup", "TW=u", std::nullopt}, Base64Case{"LeftoverBits", "TR==", std::nullopt},
        Base64Case{"LeftoverBitsAfterThree", "TWF=", std::nullopt},
        Base64Case{"UrlAlphabet", "-_-_", std::nullopt}, Base64Case{"OtherCharacter", "TW.u", std::nullopt},
        Base64Case{"NulCharacter", "TW\0u"s, std::nullopt}, Base64Case{"NonAscii", "TW\xC3\xA9", std::nullopt},
        Base64Case{"VerticalTabIsNotBlank", "TWFu\v", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct DerCase {
    const char* name;
    std::string der;
    std::size_t width;
    std::optional<std::string> raw;
};

class EcdsaDerTest : public testing::TestWithParam<DerCase> {};

TEST_P(EcdsaDerTest, ConvertsOnlyExactDer) { EXPECT_EQ(ecdsaDerToRaw(GetParam().der, GetParam().width), GetParam().raw); }

// A coordinate of `size` bytes, each `byte`.
std::string fill(std::size_t size, char byte) { return std::string(size, byte); }
std::string integer(const std::string& value) { return "\x02"s + static_cast<char>(value.size()) + value; }
std::string sequence(const std::string& contents) { return "\x30"s + static_cast<char>(contents.size()) + contents; }

const std::string kFull = fill(32, '\x7F');
const std::string kHigh = "\0"s + fill(32, '\x80');

INSTANTIATE_TEST_SUITE_P(
    Cases, EcdsaDerTest,
    testing::Values(
        DerCase{"SmallValues", "\x30\x06\x02\x01\x01\x02\x01\x02"s, 4, "\0\0\0\x01\0\0\0\x02"s},
        DerCase{"FullWidth", sequence(integer(kFull) + integer(kFull)), 32, kFull + kFull},
        DerCase{"LeadingZeroBeforeATopBit", sequence(integer(kHigh) + integer(kFull)), 32,
                fill(32, '\x80') + kFull},
        DerCase{"ShortCoordinatePadded", sequence(integer("\x01\x02") + integer(kHigh)), 32,
                fill(30, '\0') + "\x01\x02" + fill(32, '\x80')},
        DerCase{"LongFormSequenceLength",
                "\x30\x81\x86"s + integer(fill(65, '\x11')) + integer(fill(65, '\x22')), 66,
                "\0"s + fill(65, '\x11') + "\0"s + fill(65, '\x22')},
        DerCase{"LongFormNotNeeded", "\x30\x81\x06\x02\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"LongFormLeadingZero", "\x30\x82\x00\x06\x02\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"IndefiniteLength", "\x30\x80\x02\x01\x01\x02\x01\x02\x00\x00"s, 4, std::nullopt},
        DerCase{"IntegerLongFormNotNeeded", "\x30\x07\x02\x81\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"SequenceLengthTooLong", "\x30\x07\x02\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"SequenceLengthTooShort", "\x30\x05\x02\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"IntegerLengthPastTheSequence", "\x30\x06\x02\x01\x01\x02\x02\x02"s, 4, std::nullopt},
        DerCase{"TrailingByte", "\x30\x06\x02\x01\x01\x02\x01\x02\x00"s, 4, std::nullopt},
        DerCase{"ThirdInteger", "\x30\x09\x02\x01\x01\x02\x01\x02\x02\x01\x03"s, 4, std::nullopt},
        DerCase{"OneInteger", "\x30\x03\x02\x01\x01"s, 4, std::nullopt},
        DerCase{"NegativeR", "\x30\x06\x02\x01\x81\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"NegativeS", sequence(integer(kFull) + integer(fill(32, '\x80'))), 32, std::nullopt},
        DerCase{"ZeroR", "\x30\x06\x02\x01\x00\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"EmptyInteger", "\x30\x05\x02\x00\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"NeedlessLeadingZero", "\x30\x07\x02\x02\x00\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"TwoLeadingZeros", sequence(integer("\0"s + kHigh) + integer(kFull)), 32, std::nullopt},
        DerCase{"TooLong", sequence(integer("\x01"s + kFull) + integer(kFull)), 32, std::nullopt},
        DerCase{"TooLongAfterItsZero", sequence(integer(kHigh) + integer(kFull)), 31, std::nullopt},
        DerCase{"WrongSequenceTag", "\x31\x06\x02\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"WrongIntegerTag", "\x30\x06\x03\x01\x01\x02\x01\x02"s, 4, std::nullopt},
        DerCase{"TruncatedInteger", "\x30\x06\x02\x01\x01\x02\x01"s, 4, std::nullopt},
        DerCase{"TruncatedHeader", "\x30"s, 4, std::nullopt}, DerCase{"Empty", "", 32, std::nullopt},
        DerCase{"TruncatedLongLength", "\x30\x82\x01"s, 4, std::nullopt},
        DerCase{"NoWidth", "\x30\x06\x02\x01\x01\x02\x01\x02"s, 0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tolvare::scheduler
