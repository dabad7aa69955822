#include "library/internet/core/host_text.h"

#include <gtest/gtest.h>

namespace korvel::internet {
namespace {

TEST(HostText, DottedDecimalWritesZeroBytesAndNoTrailingDot) {
    const unsigned char address[] = {10, 0, 0, 1};
    EXPECT_EQ(dottedDecimal(address, 4), "10.0.0.1");
    const unsigned char wide[] = {255, 255, 255, 255, 0, 7};
    EXPECT_EQ(dottedDecimal(wide, 6), "255.255.255.255.0.7");
    EXPECT_EQ(dottedDecimal(wide, 0), "");
}

TEST(HostText, TextBeforeNul) {
    using namespace std::string_literals;
    EXPECT_EQ(textBeforeNul("host\0garbage"s), "host");
    EXPECT_EQ(textBeforeNul("\0x"s), "");
    EXPECT_EQ(textBeforeNul("whole"), "whole");
}

TEST(HostText, HardwareAddressIsSixUpperCasePairs) {
    const unsigned char zero[6] = {};
    EXPECT_EQ(hardwareAddressText(zero), "00 00 00 00 00 00");
    const unsigned char some[6] = {0x00, 0x1A, 0xFF, 0x0b, 0xa0, 0x09};
    EXPECT_EQ(hardwareAddressText(some), "00 1A FF 0B A0 09");
    EXPECT_EQ(hardwareAddressText(some).size(), 17u);
}

TEST(HostText, MessagesKeepTheSignPositionOfTheirNumbers) {
    EXPECT_EQ(hostNameErrorMessage(10093, false),
              "Windows Sockets error  10093 has occurred. Unable to successfully get Host Name.");
    EXPECT_EQ(hostNameErrorMessage(-1, true),
              "Windows Sockets error -1 has occurred.  Unable to successfully get Host Name.");
    EXPECT_EQ(unsupportedVersionMessage(1, 0), "Sockets version 1.0 is not supported by 32-bit Windows Sockets.");
    EXPECT_EQ(numberWithSign(0), " 0");
}

TEST(HostText, ShareNamesUpToTwelveCharactersFit) {
    EXPECT_TRUE(shareNameFits(0));
    EXPECT_TRUE(shareNameFits(12));
    EXPECT_FALSE(shareNameFits(13));
    EXPECT_FALSE(shareNameFits(1000));
}

}  // namespace
}  // namespace korvel::internet
