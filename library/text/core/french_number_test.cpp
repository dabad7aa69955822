#include "library/text/core/french_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "library/text/core/language_keys.h"
#include "library/text/core/typed_number.h"

using namespace korvel::french;

namespace {

// An independent reading of the rules, by cases rather than by tables and joiners.
std::wstring unitWord(int n) {
    static const wchar_t* const words[] = {L"",       L"un",     L"deux",   L"trois",    L"quatre",
                                           L"cinq",   L"six",    L"sept",   L"huit",     L"neuf",
                                           L"dix",    L"onze",   L"douze",  L"treize",   L"quatorze",
                                           L"quinze", L"seize",  L"dix-sept", L"dix-huit", L"dix-neuf"};
    return words[n];
}

std::wstring expectedBelowHundred(int n) {
    if (n < 20) return unitWord(n);
    if (n < 70) {
        static const wchar_t* const tens[] = {L"", L"", L"vingt", L"trente", L"quarante", L"cinquante", L"soixante"};
        std::wstring base = tens[n / 10];
        int u = n % 10;
        if (u == 0) return base;
        if (u == 1) return base + L" et un";
        return base + L"-" + unitWord(u);
    }
    if (n == 71) return L"soixante et onze";
    if (n < 80) return L"soixante-" + unitWord(n - 60);
    if (n == 80) return L"quatre-vingts";
    return L"quatre-vingt-" + unitWord(n - 80);
}

std::wstring expectedBelowThousand(int n) {
    int h = n / 100, r = n % 100;
    if (h == 0) return expectedBelowHundred(r);
    std::wstring head = h == 1 ? L"cent" : unitWord(h) + L" cent";
    if (r == 0) return h == 1 ? head : head + L"s";
    return head + L" " + expectedBelowHundred(r);
}

std::wstring expectedWhole(std::int64_t n) {
    if (n == 0) return L"zéro";
    int groups[4] = {int(n / 1000000000 % 1000), int(n / 1000000 % 1000), int(n / 1000 % 1000), int(n % 1000)};
    std::wstring s;
    if (groups[0]) s += expectedBelowThousand(groups[0]) + (groups[0] == 1 ? L" milliard " : L" milliards ");
    if (groups[1]) s += expectedBelowThousand(groups[1]) + (groups[1] == 1 ? L" million " : L" millions ");
    if (groups[2] == 1) s += L" mille ";
    else if (groups[2]) s += expectedBelowThousand(groups[2]) + L" mille ";
    s += expectedBelowThousand(groups[3]);
    while (!s.empty() && s.front() == L' ') s.erase(0, 1);
    while (!s.empty() && s.back() == L' ') s.pop_back();
    return s;
}

std::wstring spell(double x, bool isAmount = false, std::wstring_view unit = L"euro",
                   std::wstring_view hundredth = L"centime") {
    Amount a;
    EXPECT_EQ(splitAmount(x, a), SplitStatus::split) << x;
    return amountInWords(a, Currency{isAmount, unit, hundredth});
}

TEST(FrenchNumber, EveryNumberBelowTenThousandFollowsTheRules) {
    for (int n = 0; n < 10000; ++n) ASSERT_EQ(wholeInWords(n), expectedWhole(n)) << n;
}

TEST(FrenchNumber, ASpreadUpToTwelveDigitsFollowsTheRules) {
    std::mt19937_64 random(12);
    std::uniform_int_distribution<std::int64_t> any(0, kLargestWholePart);
    for (int i = 0; i < 50000; ++i) {
        std::int64_t n = any(random);
        ASSERT_EQ(wholeInWords(n), expectedWhole(n)) << n;
    }
    // Every group alone, with its neighbours empty, at each scale.
    for (std::int64_t scale : {1LL, 1000LL, 1000000LL, 1000000000LL})
        for (std::int64_t g = 1; g < 1000; ++g) ASSERT_EQ(wholeInWords(g * scale), expectedWhole(g * scale)) << g * scale;
}

TEST(FrenchNumber, TheStatedExamples) {
    const std::pair<std::int64_t, const wchar_t*> examples[] = {
        {0, L"zéro"}, {1, L"un"}, {17, L"dix-sept"}, {20, L"vingt"}, {21, L"vingt et un"}, {22, L"vingt-deux"},
        {61, L"soixante et un"}, {70, L"soixante-dix"}, {71, L"soixante et onze"}, {72, L"soixante-douze"},
        {80, L"quatre-vingts"}, {81, L"quatre-vingt-un"}, {90, L"quatre-vingt-dix"}, {91, L"quatre-vingt-onze"},
        {99, L"quatre-vingt-dix-neuf"}, {100, L"cent"}, {101, L"cent un"}, {180, L"cent quatre-vingts"},
        {200, L"deux cents"}, {201, L"deux cent un"}, {1000, L"mille"}, {1001, L"mille un"}, {2000, L"deux mille"},
        {80000, L"quatre-vingts mille"}, {200000, L"deux cents mille"}, {1000000, L"un million"},
        {1001000, L"un million  mille"}, {2000000, L"deux millions"}, {1000000000, L"un milliard"},
        {999999999999, L"neuf cent quatre-vingt-dix-neuf milliards neuf cent quatre-vingt-dix-neuf millions "
                       L"neuf cent quatre-vingt-dix-neuf mille neuf cent quatre-vingt-dix-neuf"}};
    for (const auto& [n, words] : examples) EXPECT_EQ(wholeInWords(n), words) << n;
}

TEST(FrenchNumber, AmountsWithAndWithoutCurrency) {
    EXPECT_EQ(spell(0, true), L"zéro euro");
    EXPECT_EQ(spell(1, true), L"un euro");
    EXPECT_EQ(spell(2, true), L"deux euros");
    EXPECT_EQ(spell(1.5, true), L"un euro et cinquante centimes");
    EXPECT_EQ(spell(1.01, true), L"un euro et un centime");
    EXPECT_EQ(spell(2.01, true), L"deux euros et un centime");
    EXPECT_EQ(spell(1000000, true), L"un million euros");
    EXPECT_EQ(spell(80), L"quatre-vingts");
    EXPECT_EQ(spell(1000), L"mille");
    EXPECT_EQ(spell(12.5), L"douze et cinquante ");
    EXPECT_EQ(spell(2.01), L"deux et un ");
    EXPECT_EQ(spell(0), L"zéro");
    // Empty names still get their blanks and plural marks.
    EXPECT_EQ(spell(2.5, true, L"", L""), L"deux s et cinquante s");
    EXPECT_EQ(spell(1.01, true, L"", L""), L"un  et un ");
    EXPECT_EQ(spell(0, true, L"", L""), L"zéro ");
    // Below one unit the hundredths are spelled too.
    EXPECT_EQ(spell(0.5, true), L"zéro euro et cinquante centimes");
    EXPECT_EQ(spell(0.01), L"zéro et un ");
}

TEST(FrenchNumber, HundredthsAreRoundedAndCarried) {
    // Every hundredth of a few whole parts, as the nearest double gives it (2.07 lies below).
    for (std::int64_t whole : {0LL, 2LL, 19LL, 1234567LL, 999999999998LL}) {
        for (int c = 0; c < 100; ++c) {
            Amount a;
            ASSERT_EQ(splitAmount(double(whole) + c / 100.0, a), SplitStatus::split);
            EXPECT_EQ(a.whole, whole);
            EXPECT_EQ(a.hundredths, c) << whole << " + " << c;
        }
    }
    EXPECT_EQ(spell(2.07), L"deux et sept ");
    EXPECT_EQ(spell(2.996), L"trois");
    EXPECT_EQ(spell(19.9999999, true), L"vingt euros");
    EXPECT_EQ(spell(0.999, true), L"un euro");
    // Ties go to the even hundredth.
    Amount a;
    ASSERT_EQ(splitAmount(0.125, a), SplitStatus::split);
    EXPECT_EQ(a.hundredths, 12);
    ASSERT_EQ(splitAmount(0.375, a), SplitStatus::split);
    EXPECT_EQ(a.hundredths, 38);
}

TEST(FrenchNumber, ValuesOutsideTheDomainAreRefused) {
    Amount a;
    EXPECT_EQ(splitAmount(-0.5, a), SplitStatus::negative);
    EXPECT_EQ(splitAmount(-1, a), SplitStatus::negative);
    EXPECT_EQ(splitAmount(1e12, a), SplitStatus::tooLarge);
    EXPECT_EQ(splitAmount(999999999999.996, a), SplitStatus::tooLarge);
    EXPECT_EQ(splitAmount(1e300, a), SplitStatus::tooLarge);
    EXPECT_EQ(splitAmount(std::numeric_limits<double>::infinity(), a), SplitStatus::tooLarge);
    EXPECT_EQ(splitAmount(-std::numeric_limits<double>::infinity(), a), SplitStatus::negative);
    EXPECT_EQ(splitAmount(std::nan(""), a), SplitStatus::notANumber);
    EXPECT_EQ(splitAmount(999999999999.0, a), SplitStatus::split);
    EXPECT_EQ(a.whole, 999999999999);
}

TEST(TypedNumber, KeepsDigitsSeparatorsAndALeadingMinus) {
    using korvel::typed_number::clean;
    EXPECT_EQ(clean(L" 1 234,50 "), L"1234,50");
    EXPECT_EQ(clean(L"-12"), L"-12");
    EXPECT_EQ(clean(L"  -1.5"), L"-1.5");  // first once the blanks are gone
    EXPECT_EQ(clean(L""), L"");
    EXPECT_EQ(clean(L"   "), L"");
    EXPECT_EQ(clean(L"12-3"), std::nullopt);
    EXPECT_EQ(clean(L"12a"), std::nullopt);
    EXPECT_EQ(clean(L"--1"), std::nullopt);
    EXPECT_EQ(clean(L"1\t2"), std::nullopt);  // only character 32 is a blank
    EXPECT_EQ(clean(std::wstring(L"1\0" L"2", 3)), std::nullopt);
    // Longer than 16-bit positions reach.
    std::wstring longText(40000, L'7');
    longText[39999] = L'x';
    EXPECT_EQ(clean(longText), std::nullopt);
    longText[39999] = L' ';
    EXPECT_EQ(clean(longText), std::wstring(39999, L'7'));
}

TEST(LanguageKeys, KeysWithAndWithoutIndex) {
    using namespace korvel::language;
    EXPECT_EQ(propertyKey(L"frmMain", std::nullopt, L"Caption"), L"frmMain.Caption");
    EXPECT_EQ(propertyKey(L"lblInfo", 1, L"Caption"), L"lblInfo(1).Caption");
    EXPECT_EQ(propertyKey(L"txt", -3, L"ToolTipText"), L"txt(-3).ToolTipText");
    EXPECT_EQ(messageKey(1), L"MSG1");
    EXPECT_EQ(messageKey(32767), L"MSG32767");
}

TEST(LanguageFiles, MultiLineTextsAreStoredOnOneLineAndComeBackWhole) {
    using namespace korvel::language;
    struct Case { std::wstring text, stored; };
    for (const Case& c : {Case{L"Ligne simple", L"Ligne simple"},
                          Case{L"C:\\Dossier\\", L"C:\\Dossier\\"},
                          Case{L"un\r\ndeux", L"\\~un\\r\\ndeux"},
                          Case{L"a\\n\nb", L"\\~a\\\\n\\nb"},
                          Case{L"\n[MSG]\nMSG1=x", L"\\~\\n[MSG]\\nMSG1=x"},
                          Case{L"\\~ déjà marqué", L"\\~\\\\~ déjà marqué"},
                          Case{L"", L""}}) {
        EXPECT_EQ(storedForm(c.text), c.stored);
        EXPECT_EQ(storedForm(c.text).find_first_of(L"\r\n"), std::wstring::npos);
        EXPECT_EQ(textOfStoredForm(storedForm(c.text)), c.text);
    }
    // What older files and people wrote reads as it always did.
    EXPECT_EQ(textOfStoredForm(L"C:\\n\\r"), L"C:\\n\\r");
}

}  // namespace
