#include "library/sql/core/data_sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace korvel::sql {
namespace {

TEST(Apostrophes, EachIsDoubled) {
    EXPECT_EQ(doubledApostrophes(L"l'eau"), L"l''eau");
    EXPECT_EQ(doubledApostrophes(L"''"), L"''''");
    EXPECT_EQ(doubledApostrophes(L""), L"");
    EXPECT_EQ(doubledApostrophes(L"'a'"), L"''a''");
    // Only the apostrophe itself: the typographic one is another character.
    EXPECT_EQ(doubledApostrophes(L"l\u2019eau\"x\""), L"l\u2019eau\"x\"");
    EXPECT_EQ(doubledApostrophes(std::wstring(L"a\0'", 3)), std::wstring(L"a\0''", 4));
}

// A buffer of `size` characters as the driver manager fills it: the text cut to size - 1 and
// its NUL, the rest left as the blanks it was reset to.
std::string filled(const std::string& text, size_t size) {
    std::string buffer(size, ' ');
    size_t kept = std::min(text.size(), size - 1);
    buffer.replace(0, kept, text.substr(0, kept));
    buffer[kept] = '\0';
    return buffer;
}

struct Source {
    std::string name, description;
};

std::wstring check(const std::string& wanted, std::initializer_list<Source> sources) {
    DataSourceCheck c(wanted);
    for (const Source& s : sources) {
        if (!c.add(filled(s.name, 32), long(s.name.size()), filled(s.description, 128), long(s.description.size())))
            break;
    }
    return c.answer();
}

TEST(DataSourceCheck, TheFourAnswers) {
    const std::string access = "Microsoft Access Driver (*.mdb)";
    EXPECT_EQ(check("Base", {}), L"MDAC non install\u00e9.");
    EXPECT_EQ(check("Base", {{"Autre", "SQLite3"}}), L"MDAC non install\u00e9.");
    EXPECT_EQ(check("Base", {{"Autre", access}}), L"");
    EXPECT_EQ(check("Base", {{"Autre", access}, {"Base", "SQLite3"}}), L"Lien ODBC d\u00e9j\u00e0 existant.");
    // The name decides even before any Access source was seen.
    EXPECT_EQ(check("Base", {{"Base", "SQLite3"}, {"Autre", access}}), L"Lien ODBC d\u00e9j\u00e0 existant.");
}

TEST(DataSourceCheck, NamesCompareWithoutCaseAndWholeDescriptionsExactly) {
    const std::string access = "Microsoft Access Driver (*.mdb)";
    const std::wstring taken = L"Lien ODBC d\u00e9j\u00e0 existant.";
    EXPECT_EQ(check("base", {{"Base", access}}), taken);
    EXPECT_EQ(check("BASE_1", {{"base_1", access}}), taken);
    EXPECT_EQ(check("Base", {{"Base ", access}}), L"");
    EXPECT_EQ(check("Bas", {{"Base", access}}), L"");
    EXPECT_EQ(check("Base", {{"Autre", access + " (32 bit)"}}), L"MDAC non install\u00e9.");
    EXPECT_EQ(check("Base", {{"Autre", "microsoft access driver (*.mdb)"}}), L"MDAC non install\u00e9.");
    // A name the buffer cut is the wanted one when its whole length and what arrived agree.
    std::string longName(40, 'n');
    EXPECT_EQ(check(longName, {{longName, access}}), taken);
    EXPECT_EQ(check(std::string(40, 'N'), {{longName, access}}), taken);
    EXPECT_EQ(check(longName.substr(0, 31), {{longName, access}}), L"");
    EXPECT_EQ(check(longName + "x", {{longName, access}}), L"");
}

TEST(LeftOf, LengthsOutsideTheBuffer) {
    EXPECT_EQ(leftOf("abc", 2), "ab");
    EXPECT_EQ(leftOf("abc", 10), "abc");
    EXPECT_EQ(leftOf("abc", -1), "");
}

}  // namespace
}  // namespace korvel::sql
