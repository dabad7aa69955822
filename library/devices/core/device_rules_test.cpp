#include "library/devices/core/device_rules.h"

#include <gtest/gtest.h>

namespace korvel::devices {
namespace {

std::string headWithRate(unsigned rate, size_t size = 44) {
    std::string head(size, '\0');
    for (size_t i = 0; i < 4 && kRateOffset + i < size; ++i) head[kRateOffset + i] = char((rate >> (8 * i)) & 0xFF);
    return head;
}

TEST(WavRate, OnlyNamesEndingInWavAreRead) {
    for (const wchar_t* name : {L"son.wav", L"C:\\SON.WAV", L"son.Wav", L"wav", L"sonwav", L"C:\\a b\\c.wav"})
        EXPECT_TRUE(namesWavFile(name)) << name;
    for (const wchar_t* name : {L"son.mp3", L"son.wav ", L"son.wa", L"av", L"", L"son.wav\\", L"son.w\u00e0v"})
        EXPECT_FALSE(namesWavFile(name)) << name;
}

TEST(WavRate, SixteenBitsAtOffset24) {
    EXPECT_EQ(wavRateResult(headWithRate(8000)), 8000);
    EXPECT_EQ(wavRateResult(headWithRate(22050)), 22050);
    EXPECT_EQ(wavRateResult(headWithRate(32767)), 32767);
    // Rates that do not fit: their low 16 bits, negative; adding 65536 gives the rate back.
    EXPECT_EQ(wavRateResult(headWithRate(44100)), -21436);
    EXPECT_EQ(wavRateResult(headWithRate(48000)), -17536);
    EXPECT_EQ(wavRateResult(headWithRate(48000)) + 65536, 48000);
    // Only the low half of the field is read.
    EXPECT_EQ(wavRateResult(headWithRate(0x10000 + 8000)), 8000);
    // Exactly the bytes it needs; fewer give no rate.
    EXPECT_EQ(wavRateResult(headWithRate(11025, kBytesForRate)), 11025);
    EXPECT_EQ(wavRateResult(headWithRate(11025, kBytesForRate - 1)), 0);
    EXPECT_EQ(wavRateResult(""), 0);
}

TEST(DriveLetter, OneNonNumericCharacterIsAskedAbout) {
    EXPECT_EQ(driveRootOf(L"C"), L"C:\\");
    EXPECT_EQ(driveRootOf(L"d"), L"d:\\");
    EXPECT_EQ(driveRootOf(L"?"), L"?:\\");
    EXPECT_EQ(driveRootOf(L"\u00e9"), L"\u00e9:\\");
    for (std::wstring_view refused : {std::wstring_view(L""), std::wstring_view(L"D:"), std::wstring_view(L"C:\\"),
                                      std::wstring_view(L"4"), std::wstring_view(L"0"), std::wstring_view(L"\0", 1)})
        EXPECT_FALSE(driveRootOf(refused).has_value());
}

TEST(ScreenSize, PixelsThroughTwips) {
    // 15 twips per pixel at 96 dots per inch, 12 at 120: the pixel count comes back.
    EXPECT_EQ(pixelsThroughTwips(1024, 96), 1024);
    EXPECT_EQ(pixelsThroughTwips(768, 96), 768);
    EXPECT_EQ(pixelsThroughTwips(1920, 120), 1920);
    EXPECT_EQ(pixelsThroughTwips(1280, 144), 1280);
    // 1440/110 = 13.09 twips per pixel: the extent is rounded before the division by 13.
    EXPECT_EQ(pixelsThroughTwips(1024, 110), 13405 / 13);
    EXPECT_EQ(pixelsThroughTwips(0, 96), 0);
    EXPECT_EQ(pixelsThroughTwips(800, 0), 800);
    EXPECT_EQ(pixelsThroughTwips(800, 5000), 230);  // 0.288 twips per pixel: no whole step
    EXPECT_EQ(toShort(32767), 32767);
    EXPECT_EQ(toShort(-32768), -32768);
    EXPECT_FALSE(toShort(32768).has_value());
    EXPECT_FALSE(toShort(-32769).has_value());
}

TEST(KeyboardState, ToggleBytes) {
    EXPECT_TRUE(isToggledOnAndUp(0x01));
    EXPECT_FALSE(isToggledOnAndUp(0x81));  // held down
    EXPECT_FALSE(isToggledOnAndUp(0x00));
    EXPECT_FALSE(isToggledOnAndUp(0x80));
    EXPECT_EQ(flippedToggle(0x01), 0x00);
    EXPECT_EQ(flippedToggle(0x81), 0x01);
    EXPECT_EQ(flippedToggle(0x00), 0x01);
    EXPECT_TRUE(isKeyCode(0));
    EXPECT_TRUE(isKeyCode(255));
    EXPECT_FALSE(isKeyCode(256));
    EXPECT_FALSE(isKeyCode(-1));
}

}  // namespace
}  // namespace korvel::devices
