#include "scheduler/core/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tolvare::scheduler {
namespace {

// What the platform's conversion reads from a text that holds the number `value`.
NumberReading number(double value) {
    NumberReading reading;
    reading.value = value;
    const double whole = std::nearbyint(value);
    if (whole >= -32768 && whole <= 32767) reading.whole16 = static_cast<std::int16_t>(whole);
    if (whole >= -2147483648.0 && whole <= 2147483647.0) reading.whole32 = static_cast<std::int32_t>(whole);
    return reading;
}
const NumberReading kNotANumber{};

TEST(SettingsNumbers, PeriodAndIntervalReadings) {
    EXPECT_EQ(checkPeriodMilliseconds(number(30)), 30000u);
    EXPECT_EQ(checkPeriodMilliseconds(number(2.5)), 2500u);
    EXPECT_EQ(checkPeriodMilliseconds(number(0.0005)), 0u);
    EXPECT_EQ(checkPeriodMilliseconds(number(0)), 0u);
    EXPECT_FALSE(checkPeriodMilliseconds(number(-1)));
    EXPECT_FALSE(checkPeriodMilliseconds(kNotANumber));
    // Longer than a timer can wait: no period rather than a wrapped one.
    EXPECT_FALSE(checkPeriodMilliseconds(number(5e6)));
    EXPECT_FALSE(checkPeriodMilliseconds(number(std::numeric_limits<double>::infinity())));
    EXPECT_FALSE(checkPeriodMilliseconds(number(std::numeric_limits<double>::quiet_NaN())));

    // Only the very text "0" switches downloading off: 0,4 reads as 0 minutes and downloads at
    // every minute boundary.
    EXPECT_FALSE(downloadInterval("0", number(0)).enabled);
    const DownloadInterval almostZero = downloadInterval("0,4", number(0.4));
    EXPECT_TRUE(almostZero.enabled);
    EXPECT_EQ(almostZero.minutes, 0);
    EXPECT_EQ(downloadInterval("12,5", number(12.5)).minutes, 12);
    EXPECT_EQ(downloadInterval("00", number(0)).minutes, 0);
    EXPECT_TRUE(downloadInterval("00", number(0)).enabled);
    EXPECT_EQ(downloadInterval("junk", kNotANumber).minutes, 30);
}

TEST(SettingsFields, LimitsAndMessages) {
    struct Case {
        const NumericSetting& setting;
        NumberReading text;
        FieldVerdict verdict;
        std::string_view corrected;
    };
    const Case cases[] = {
        {kCheckPeriodSetting, number(12), FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, number(120), FieldVerdict::AboveLimit, "60"},
        {kCheckPeriodSetting, number(60), FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, number(60.4), FieldVerdict::AboveLimit, "60"},
        {kCheckPeriodSetting, number(-0.0), FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, number(-0.4), FieldVerdict::BelowLimit, "30"},
        {kCheckPeriodSetting, number(-5), FieldVerdict::BelowLimit, "30"},
        {kCheckPeriodSetting, number(2.5), FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, kNotANumber, FieldVerdict::NotANumber, "30"},
        // Outside 16 bits: not a number, not above the limit.
        {kCheckPeriodSetting, number(40000), FieldVerdict::NotANumber, "30"},
        {kCheckPeriodSetting, number(-40000), FieldVerdict::NotANumber, "30"},
        {kDownloadIntervalSetting, number(61), FieldVerdict::AboveLimit, "60"},
        {kDownloadIntervalSetting, number(0), FieldVerdict::Accepted, ""},
        {kMacroDurationSetting, number(240), FieldVerdict::Accepted, ""},
        {kMacroDurationSetting, number(250), FieldVerdict::AboveLimit, "30"},
    };
    for (const Case& c : cases) {
        const FieldCheck check = checkNumericField(c.setting, c.text);
        EXPECT_EQ(check.verdict, c.verdict) << c.setting.key << " " << c.text.value.value_or(-1);
        EXPECT_EQ(check.correctedText, c.corrected) << c.setting.key << " " << c.text.value.value_or(-1);
    }
    EXPECT_EQ(checkNumericField(kCheckPeriodSetting, number(90)).message,
              "Vous ne pouvez pas définir plus d'une minute de délai.");
    EXPECT_EQ(checkNumericField(kMacroDurationSetting, kNotANumber).message,
              "Veuillez renseigner un chiffre en seconde comme durée.");
    EXPECT_EQ(checkNumericField(kDownloadIntervalSetting, number(-1)).message,
              "Vous ne pouvez pas définir moins de 0 minute de délai.");
}

}  // namespace
}  // namespace tolvare::scheduler
