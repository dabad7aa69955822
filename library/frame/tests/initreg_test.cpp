// The INI and Windows-path members of Cls_InitREG, called early-bound by vtable position as
// PLENAR calls them, against the platform's real profile files.

#include <gtest/gtest.h>

#include "class_test_support.h"

using namespace korvel_test;

namespace {

// A by-reference text argument: owns the caller's variable.
struct Text {
    BSTR value;
    explicit Text(const wchar_t* s) : value(s ? SysAllocString(s) : nullptr) {}
    explicit Text(const std::wstring& s) : value(SysAllocStringLen(s.data(), UINT(s.size()))) {}
    ~Text() { SysFreeString(value); }
    BSTR* operator&() { return &value; }
    std::wstring str() const { return value ? std::wstring(value, SysStringLen(value)) : L"<null>"; }
};

class IniMembers : public ::testing::Test {
protected:
    void SetUp() override {
        ini = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
        ASSERT_TRUE(ini);
        file = temporaryFolder() + L"\\param.ini";
    }
    std::wstring read(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) {
        Text s(section), k(key), d(fallback), f(file);
        unique_bstr result;
        EXPECT_EQ(ini->IniLire(&s, &k, &d, &f, result.put()), S_OK);
        return result.get() ? std::wstring(result.get(), SysStringLen(result.get())) : L"<null>";
    }
    LONG write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        Text s(section), k(key), v(value), f(file);
        LONG result = -7;
        EXPECT_EQ(ini->IniEcrire(&s, &k, &v, &f, &result), S_OK);
        return result;
    }

    com_ptr<_Cls_InitREG> ini;
    std::wstring file;
};

TEST_F(IniMembers, MissingFileSectionOrKeyGivesTheDefault) {
    // The scheduler's first start: no param.ini yet.
    EXPECT_EQ(read(L"PARAM", L"DELAI", L"30"), L"30");
    EXPECT_EQ(read(L"PARAM", L"DELAI", L""), L"");
    ASSERT_NE(write(L"PARAM", L"DELAI", L"45"), 0);
    EXPECT_EQ(read(L"PARAM", L"DELAI", L"30"), L"45");
    EXPECT_EQ(read(L"PARAM", L"DELAIDL", L"60"), L"60");
    EXPECT_EQ(read(L"AUTRE", L"DELAI", L"30"), L"30");
}

TEST_F(IniMembers, ValuesAreCutAt254CharactersAndNotTrimmed) {
    std::wstring exactly254(254, L'x'), longer(300, L'y');
    write(L"S", L"k254", exactly254.c_str());
    write(L"S", L"k300", longer.c_str());
    write(L"S", L"blanks", L"  a b  ");
    EXPECT_EQ(read(L"S", L"k254", L""), exactly254);
    EXPECT_EQ(read(L"S", L"k300", L""), std::wstring(254, L'y'));
    // The profile service drops the blanks around a stored value; nothing else is trimmed.
    EXPECT_EQ(read(L"S", L"blanks", L""), L"a b");
}

TEST_F(IniMembers, NullKeyOrSectionListsNamesSeparatedByNuls) {
    write(L"S1", L"alpha", L"1");
    write(L"S1", L"beta", L"2");
    write(L"S2", L"gamma", L"3");
    EXPECT_EQ(read(L"S1", nullptr, L""), std::wstring(L"alpha\0beta\0", 11));
    EXPECT_EQ(read(nullptr, nullptr, L""), std::wstring(L"S1\0S2\0", 6));
}

TEST_F(IniMembers, NullValueDeletesTheKeyAndNullKeyTheSection) {
    write(L"S", L"a", L"1");
    write(L"S", L"b", L"2");
    EXPECT_NE(write(L"S", L"a", nullptr), 0);
    EXPECT_EQ(read(L"S", L"a", L"gone"), L"gone");
    EXPECT_EQ(read(L"S", L"b", L""), L"2");
    EXPECT_NE(write(L"S", nullptr, nullptr), 0);
    EXPECT_EQ(read(L"S", L"b", L"gone"), L"gone");
}

TEST_F(IniMembers, AFolderThatCannotBeWrittenGivesZeroAndNoError) {
    file = temporaryFolder() + L"\\no\\such\\folder\\param.ini";
    EXPECT_EQ(write(L"PARAM", L"DELAI", L"30"), 0);
}

TEST_F(IniMembers, TextOutsideTheCodePageComesBackReplacedInTheCallersVariables) {
    Text s(L"PARAM"), k(L"clé\u4e2d"), v(L"valeur \u4e2d"), f(file);
    LONG result = 0;
    ASSERT_EQ(ini->IniEcrire(&s, &k, &v, &f, &result), S_OK);
    EXPECT_NE(result, 0);
    EXPECT_EQ(k.str(), L"clé?");
    EXPECT_EQ(v.str(), L"valeur ?");
    EXPECT_EQ(s.str(), L"PARAM");
    EXPECT_EQ(read(L"PARAM", L"clé?", L""), L"valeur ?");
}

TEST_F(IniMembers, SystemProfileFile) {
    Text s(L"KorvelTest"), k(L"cle"), v(L"valeur"), d(L"défaut");
    LONG result = 0;
    ASSERT_EQ(ini->WinIniEcrire(&s, &k, &v, &result), S_OK);
    EXPECT_NE(result, 0);
    unique_bstr value;
    ASSERT_EQ(ini->WinIniLire(&s, &k, &d, value.put()), S_OK);
    EXPECT_STREQ(value.get(), L"valeur");
    Text none(nullptr);
    ASSERT_EQ(ini->WinIniEcrire(&s, &none, &none, &result), S_OK);  // removes the section
    ASSERT_EQ(ini->WinIniLire(&s, &k, &d, value.put()), S_OK);
    EXPECT_STREQ(value.get(), L"défaut");
}

TEST_F(IniMembers, WindowsAndSystemFolders) {
    char expected[MAX_PATH];
    unique_bstr windows, system;
    ASSERT_EQ(ini->RetourneCheminWindows(windows.put()), S_OK);
    GetWindowsDirectoryA(expected, MAX_PATH);
    EXPECT_EQ(std::wstring(windows.get()), std::wstring(expected, expected + strlen(expected)));
    ASSERT_EQ(ini->RetourneCheminSystem(system.put()), S_OK);
    GetSystemDirectoryA(expected, MAX_PATH);
    EXPECT_EQ(std::wstring(system.get()), std::wstring(expected, expected + strlen(expected)));
    EXPECT_LE(SysStringLen(system.get()), 255u);
}

}  // namespace
