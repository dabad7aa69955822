#include "scheduler/core/settings.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

TEST(SettingsNumbers, Whole16RoundsHalfToEvenWithTheGivenSeparator) {
    EXPECT_EQ(parseWhole16("12", ","), 12);
    EXPECT_EQ(parseWhole16(" +12\t", ","), 12);
    EXPECT_EQ(parseWhole16("2,5", ","), 2);
    EXPECT_EQ(parseWhole16("3,5", ","), 4);
    EXPECT_EQ(parseWhole16("-2,5", ","), -2);
    EXPECT_EQ(parseWhole16("2.5", "."), 2);
    EXPECT_EQ(parseWhole16("32767", ","), 32767);
    EXPECT_EQ(parseWhole16("-32768,5", ","), -32768);

    for (const char* bad : {"", " ", "-", ",", "2.5", "1e2", "12a", "3 0", "32768", "32767,5",
                            "-32769", "40000", "99999999999999999999999"})
        EXPECT_FALSE(parseWhole16(bad, ",")) << bad;
}

TEST(SettingsNumbers, PeriodAndIntervalReadings) {
    EXPECT_EQ(checkPeriodMilliseconds("30", ","), 30000u);
    EXPECT_EQ(checkPeriodMilliseconds("2,5", ","), 2500u);
    EXPECT_EQ(checkPeriodMilliseconds("0,0005", ","), 0u);
    EXPECT_EQ(checkPeriodMilliseconds("0,0015", ","), 2u);
    EXPECT_FALSE(checkPeriodMilliseconds("-1", ","));
    EXPECT_FALSE(checkPeriodMilliseconds("x", ","));

    EXPECT_FALSE(downloadIntervalFromText("0", ",").enabled);
    const DownloadInterval almostZero = downloadIntervalFromText("0,4", ",");
    EXPECT_TRUE(almostZero.enabled);
    EXPECT_EQ(almostZero.minutes, 0);
    EXPECT_EQ(downloadIntervalFromText("12,5", ",").minutes, 12);
    EXPECT_EQ(downloadIntervalFromText("junk", ",").minutes, 30);
}

TEST(SettingsFields, LimitsAndMessages) {
    struct Case {
        const NumericSetting& setting;
        std::string_view text;
        FieldVerdict verdict;
        std::string_view corrected;
    };
    const Case cases[] = {
        {kCheckPeriodSetting, "12", FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, "120", FieldVerdict::AboveLimit, "60"},
        {kCheckPeriodSetting, "60", FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, "60,4", FieldVerdict::AboveLimit, "60"},
        {kCheckPeriodSetting, "-0", FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, "-0,4", FieldVerdict::BelowLimit, "30"},
        {kCheckPeriodSetting, "-5", FieldVerdict::BelowLimit, "30"},
        {kCheckPeriodSetting, "2,5", FieldVerdict::Accepted, ""},
        {kCheckPeriodSetting, "", FieldVerdict::NotANumber, "30"},
        {kCheckPeriodSetting, "40000", FieldVerdict::NotANumber, "30"},
        {kDownloadIntervalSetting, "61", FieldVerdict::AboveLimit, "60"},
        {kDownloadIntervalSetting, "0", FieldVerdict::Accepted, ""},
        {kMacroDurationSetting, "240", FieldVerdict::Accepted, ""},
        {kMacroDurationSetting, "250", FieldVerdict::AboveLimit, "30"},
    };
    for (const Case& c : cases) {
        const FieldCheck check = checkNumericField(c.setting, c.text, ",");
        EXPECT_EQ(check.verdict, c.verdict) << c.setting.key << " " << c.text;
        EXPECT_EQ(check.correctedText, c.corrected) << c.setting.key << " " << c.text;
    }
    EXPECT_EQ(checkNumericField(kCheckPeriodSetting, "90", ",").message,
              "Vous ne pouvez pas définir plus d'une minute de délai.");
    EXPECT_EQ(checkNumericField(kMacroDurationSetting, "x", ",").message,
              "Veuillez renseigner un chiffre en seconde comme durée.");
    EXPECT_EQ(checkNumericField(kDownloadIntervalSetting, "-1", ",").message,
              "Vous ne pouvez pas définir moins de 0 minute de délai.");
}

}  // namespace
}  // namespace tolvare::scheduler
