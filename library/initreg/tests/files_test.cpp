// The file and folder members of Cls_InitREG, early-bound, against the platform's real file
// system: existence through the scripting file-system object, long and short names, renaming.

#include <gtest/gtest.h>

#include <string>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

struct Text {
    BSTR value;
    explicit Text(const std::wstring& s) : value(SysAllocStringLen(s.data(), UINT(s.size()))) {}
    ~Text() { SysFreeString(value); }
    Text(const Text&) = delete;
    BSTR* operator&() { return &value; }
    std::wstring str() const { return value ? std::wstring(value, SysStringLen(value)) : L"<null>"; }
};

void makeFile(const std::wstring& path, const char* contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, contents, DWORD(strlen(contents)), &written, nullptr);
    CloseHandle(file);
}

std::string contentsOf(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

class FileMembers : public ::testing::Test {
protected:
    void SetUp() override {
        ini = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
        ASSERT_TRUE(ini);
        folder = temporaryFolder();
    }
    bool fileExists(const std::wstring& path) {
        Text p(path);
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(ini->FichierExiste(&p, &answer), S_OK);
        EXPECT_EQ(p.str(), path);
        EXPECT_TRUE(answer == VARIANT_TRUE || answer == VARIANT_FALSE);
        return answer == VARIANT_TRUE;
    }
    bool folderExists(const std::wstring& path) {
        Text p(path);
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(ini->DossierExiste(&p, &answer), S_OK);
        EXPECT_TRUE(answer == VARIANT_TRUE || answer == VARIANT_FALSE);
        return answer == VARIANT_TRUE;
    }
    std::wstring longName(const std::wstring& path) {
        unique_bstr given(SysAllocStringLen(path.data(), UINT(path.size()))), result;
        EXPECT_EQ(ini->GET_NomLong(given.get(), result.put()), S_OK);
        return std::wstring(result.get(), SysStringLen(result.get()));
    }
    std::wstring shortName(const std::wstring& path) {
        unique_bstr given(SysAllocStringLen(path.data(), UINT(path.size()))), result;
        EXPECT_EQ(ini->GET_NomCourt(given.get(), result.put()), S_OK);
        return std::wstring(result.get(), SysStringLen(result.get()));
    }
    bool rename(const std::wstring& from, const std::wstring& to) {
        Text f(from), t(to);
        VARIANT_BOOL answer = 7;
        EXPECT_EQ(ini->RenommerFichier(&f, &t, &answer), S_OK);
        EXPECT_TRUE(answer == VARIANT_TRUE || answer == VARIANT_FALSE);
        return answer == VARIANT_TRUE;
    }

    com_ptr<_Cls_InitREG> ini;
    std::wstring folder;
};

TEST_F(FileMembers, FilesAndFoldersAreToldApart) {
    const std::wstring file = folder + L"\\un fichier.txt";
    makeFile(file, "x");
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(folderExists(file));
    EXPECT_TRUE(folderExists(folder));
    EXPECT_FALSE(fileExists(folder));
    EXPECT_FALSE(fileExists(folder + L"\\absent.txt"));
    EXPECT_FALSE(folderExists(folder + L"\\absent"));
    EXPECT_FALSE(fileExists(L""));
    EXPECT_FALSE(folderExists(L""));
    EXPECT_FALSE(fileExists(std::wstring(100000, L'f')));
    // Through the scripting object, which takes any character: no code page on the way.
    const std::wstring foreign = folder + L"\\\u4e00.txt";
    makeFile(foreign, "y");
    EXPECT_TRUE(fileExists(foreign));
}

TEST_F(FileMembers, LongAndShortNames) {
    const std::wstring file = folder + L"\\Un nom de fichier bien long.texte";
    makeFile(file, "x");
    wchar_t expected[1024];
    ASSERT_GT(GetShortPathNameW(file.c_str(), expected, 1024), 0u);
    const std::wstring shortForm = shortName(file);
    EXPECT_EQ(shortForm, expected);
    EXPECT_NE(shortForm, file);
    EXPECT_EQ(longName(shortForm), file);
    EXPECT_EQ(shortName(folder + L"\\absent du disque.texte"), L"");
    EXPECT_EQ(longName(folder + L"\\absent"), L"");
    EXPECT_EQ(longName(L""), L"");

    // A long form of 257 characters, which does not fit in the 255-character buffer while its
    // short form does: the platform writes nothing and reports the size it needs, and the
    // result is the unfilled buffer.
    const size_t component = 257 - folder.size() - 1;
    ASSERT_LE(component, 255u);
    const std::wstring deep = folder + L"\\" + std::wstring(component, L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    wchar_t deepShort[1024];
    ASSERT_GT(GetShortPathNameW(deep.c_str(), deepShort, 1024), 0u);
    ASSERT_LT(wcslen(deepShort), 255u);
    EXPECT_EQ(longName(deepShort), std::wstring(255, L' '));
}

TEST_F(FileMembers, RenamingNeverReplacesAFile) {
    const std::wstring a = folder + L"\\a.txt", b = folder + L"\\b.txt", c = folder + L"\\sub\\c.txt";
    makeFile(a, "A");
    makeFile(b, "B");
    EXPECT_FALSE(rename(a, b));
    EXPECT_EQ(contentsOf(a), "A");
    EXPECT_EQ(contentsOf(b), "B");
    EXPECT_FALSE(rename(folder + L"\\absent.txt", folder + L"\\z.txt"));
    EXPECT_FALSE(rename(a, L""));
    EXPECT_FALSE(rename(L"", a));
    EXPECT_FALSE(rename(a, c));  // no such folder

    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), nullptr));
    EXPECT_TRUE(rename(a, c));
    EXPECT_EQ(contentsOf(a), "<missing>");
    EXPECT_EQ(contentsOf(c), "A");
    // Folders too.
    EXPECT_TRUE(rename(folder + L"\\sub", folder + L"\\moved"));
    EXPECT_EQ(contentsOf(folder + L"\\moved\\c.txt"), "A");
}

// A name the ANSI code page holds only as a look-alike ("\uff32eport.txt" would become
// "Report.txt", full-width "\uff0e\uff0e\uff3c" would become "..\\") is refused as a file not found:
// the member never acts on the other file.
TEST_F(FileMembers, NamesThatWouldBecomeAnotherFilesAreNotFound) {
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "a UTF-8 code page holds every name";
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), nullptr));
    const std::wstring real = folder + L"\\Report.txt", iniPath = folder + L"\\Report.ini";
    makeFile(real, "R");
    makeFile(iniPath, "[s]\r\nk=valeur\r\n");
    for (const std::wstring& lookAlike :
         {folder + L"\\\uff32eport.txt", folder + L"\\sub\\\uff0e\uff0e\uff3cReport.txt"}) {
        EXPECT_FALSE(rename(lookAlike, folder + L"\\renamed.txt"));
        EXPECT_EQ(contentsOf(real), "R");
        EXPECT_EQ(shortName(lookAlike), L"");
        EXPECT_EQ(longName(lookAlike), L"");
    }
    EXPECT_FALSE(rename(real, folder + L"\\sub\\\uff0e\uff0e\uff3crenamed.txt"));
    EXPECT_EQ(contentsOf(real), "R");

    const std::wstring iniLookAlike = folder + L"\\\uff32eport.ini";
    Text section(L"s"), key(L"k"), fallback(L"d\u00e9faut"), file(iniLookAlike), value(L"autre");
    unique_bstr read;
    EXPECT_EQ(ini->IniLire(&section, &key, &fallback, &file, read.put()), S_OK);
    EXPECT_EQ(std::wstring(read.get(), SysStringLen(read.get())), L"d\u00e9faut");
    // The by-reference variable keeps the name as given, so the next call is refused too.
    EXPECT_EQ(file.str(), iniLookAlike);
    LONG written = 7;
    EXPECT_EQ(ini->IniEcrire(&section, &key, &value, &file, &written), S_OK);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(contentsOf(iniPath), "[s]\r\nk=valeur\r\n");
}

}  // namespace
