// Cls_SQL through the real library: SQL quoting, and Access data sources declared against
// Wine's ODBC, which hands the listing to the host's unixODBC driver manager. The user data
// sources it lists are written here into the .odbc.ini of the HOME the prefix runs with; what
// the member writes is read back with the platform's reg tool and profile reader, and removed.

#include <gtest/gtest.h>

#include <string>

#include "library/frame/tests/class_test_support.h"
#include "library/initreg/tests/reg_query.h"

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

void writeFile(const std::wstring& path, const std::string& contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << std::string(path.begin(), path.end());
    DWORD written = 0;
    WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr);
    CloseHandle(file);
}

const std::wstring kSources = L"Software\\ODBC\\ODBC.INI";
const std::wstring kAccess = L"Microsoft Access Driver (*.mdb)";

// A source whose driver is the Access driver by its description, one with the SQLite driver
// that the host has, and one named KorvelBase.
const char kWithAccess[] =
    "[KorvelAccess]\nDriver = Microsoft Access Driver (*.mdb)\nDatabase = /tmp/korvel.mdb\n\n"
    "[KorvelBase]\nDriver = SQLite3\nDatabase = /tmp/korvel.db\n";
const char kWithoutAccess[] = "[KorvelSqlite]\nDriver = SQLite3\nDatabase = /tmp/korvel.db\n";

class AccessSources : public ::testing::Test {
protected:
    void SetUp() override {
        sql = createByClassId<_Cls_SQL>(CLSID_Cls_SQL);
        ASSERT_TRUE(sql);
        // Without the host's driver manager every ODBC call fails at once: say what is missing
        // rather than report a misleading outcome.
        const wchar_t* manager = sizeof(void*) == 8 ? L"Z:\\usr\\lib\\x86_64-linux-gnu\\libodbc.so.2"
                                                    : L"Z:\\usr\\lib\\i386-linux-gnu\\libodbc.so.2";
        ASSERT_NE(GetFileAttributesW(manager), INVALID_FILE_ATTRIBUTES)
            << "the host's unixODBC driver manager for this bitness is not installed (tools/deps.sh installs it)";
        // The user data sources file that tools/wine-env.sh names for the host's driver manager
        // (a host path, which Wine's Z: drive reaches).
        wchar_t sources[MAX_PATH] = {};
        ASSERT_GT(GetEnvironmentVariableW(L"ODBCINI", sources, MAX_PATH), 0u)
            << "ODBCINI is not set: run the suite through tools/wine-run, which names the test HOME's .odbc.ini";
        sourcesFile = L"Z:" + std::wstring(sources);
        for (wchar_t& c : sourcesFile)
            if (c == L'/') c = L'\\';
        database = temporaryFolder() + L"\\base.mdb";
        writeFile(database, "not really a database");
        removeWrites();
        // Where the ODBC components are installed the list of the user's data sources exists:
        // the member only adds a value to it.
        HKEY odbc;
        iniFileWasThere = GetFileAttributesW(iniFile().c_str()) != INVALID_FILE_ATTRIBUTES;
        odbcKeyWasThere = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ODBC", 0, KEY_READ, &odbc) == ERROR_SUCCESS;
        if (odbcKeyWasThere) RegCloseKey(odbc);
        HKEY list;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kSources + L"\\ODBC Data Sources").c_str(), 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &list, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(list);
    }
    void TearDown() override {
        removeWrites();
        if (!odbcKeyWasThere) RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ODBC");
        if (!iniFileWasThere) DeleteFileW(iniFile().c_str());
        DeleteFileW(sourcesFile.c_str());
    }
    void listSources(const char* contents) {
        writeFile(sourcesFile, contents);
        // The driver manager may keep what it read for as long as the file's time is the same.
        Sleep(1100);
    }
    std::wstring create(const std::wstring& file, const std::wstring& name) {
        Text f(file), n(name);
        unique_variant result;
        HRESULT hr = sql->Creer_ODBC_Access(&f, &n, result.put());
        EXPECT_EQ(f.str(), file);
        EXPECT_EQ(n.str(), name);
        if (FAILED(hr)) return L"failed " + std::to_wstring(hr);
        EXPECT_EQ(V_VT(result.get()), VT_BSTR);
        return V_VT(result.get()) == VT_BSTR ? std::wstring(V_BSTR(result.get())) : L"";
    }
    std::wstring iniFile() {
        wchar_t windows[MAX_PATH];
        GetWindowsDirectoryW(windows, MAX_PATH);
        return std::wstring(windows) + L"\\ODBC.INI";
    }
    std::wstring iniValue(const std::wstring& section, const std::wstring& key) {
        wchar_t value[512] = {};
        GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<none>", value, 512, iniFile().c_str());
        return value;
    }
    void removeWrites() {
        for (const wchar_t* name : {kCreated, L"KorvelBase", L"korvelbase", L"korvelundo"}) {
            RegDeleteTreeW(HKEY_CURRENT_USER, (kSources + L"\\" + name).c_str());
            HKEY list;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, (kSources + L"\\ODBC Data Sources").c_str(), 0, KEY_WRITE, &list) ==
                ERROR_SUCCESS) {
                RegDeleteValueW(list, name);
                RegCloseKey(list);
            }
            WritePrivateProfileStringW(L"ODBC 32 bit Data Sources", name, nullptr, iniFile().c_str());
            WritePrivateProfileStringW(name, nullptr, nullptr, iniFile().c_str());
        }
    }

    static constexpr const wchar_t* kCreated = L"korvelcree";
    com_ptr<_Cls_SQL> sql;
    std::wstring sourcesFile, database;
    bool odbcKeyWasThere = false;
    bool iniFileWasThere = false;
};

TEST_F(AccessSources, TheFourOutcomes) {
    listSources(kWithAccess);
    // The file comes first, even for a name that is taken.
    EXPECT_EQ(create(database + L".absent", L"KorvelBase"), L"Fichier inexistant.");
    EXPECT_EQ(create(L"", L"KorvelBase"), L"Fichier inexistant.");
    EXPECT_EQ(create(database, L"KorvelBase"), L"Lien ODBC d\u00e9j\u00e0 existant.");
    EXPECT_EQ(iniValue(L"ODBC 32 bit Data Sources", L"KorvelBase"), L"<none>");

    listSources(kWithoutAccess);
    EXPECT_EQ(create(database, kCreated), L"MDAC non install\u00e9.");
    EXPECT_FALSE(regKeyExists(L"HKCU\\" + kSources + L"\\" + kCreated));

    // Names compare as the driver manager compares them: KORVELBASE is KorvelBase.
    listSources(kWithAccess);
    EXPECT_EQ(create(database, L"KORVELBASE"), L"Lien ODBC d\u00e9j\u00e0 existant.");
    EXPECT_EQ(create(database, L"korvelbase"), L"Lien ODBC d\u00e9j\u00e0 existant.");
    EXPECT_FALSE(regKeyExists(L"HKCU\\" + kSources + L"\\korvelbase"));
    EXPECT_EQ(create(database, kCreated), L"Creation OK");
    // Names no data source can have.
    for (const std::wstring& bad : {std::wstring(), std::wstring(L"a\\b"), std::wstring(L"[x]"), std::wstring(L"a=b")})
        EXPECT_EQ(create(database, bad), L"Lien ODBC incorrect.") << bad;
}

// A name longer than the 32 characters of old is compared whole.
TEST_F(AccessSources, ALongNameAlreadyListedIsTaken) {
    const std::string longName(60, 'k');
    listSources((std::string(kWithAccess) + "\n[" + longName + "]\nDriver = SQLite3\nDatabase = /tmp/k.db\n").c_str());
    EXPECT_EQ(create(database, std::wstring(longName.begin(), longName.end())), L"Lien ODBC d\u00e9j\u00e0 existant.");
    EXPECT_EQ(create(database, std::wstring(59, L'k')), L"Creation OK");
    RegDeleteTreeW(HKEY_CURRENT_USER, (kSources + L"\\" + std::wstring(59, L'k')).c_str());
    WritePrivateProfileStringW(L"ODBC 32 bit Data Sources", std::wstring(59, L'k').c_str(), nullptr, iniFile().c_str());
    WritePrivateProfileStringW(std::wstring(59, L'k').c_str(), nullptr, nullptr, iniFile().c_str());
    HKEY list;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kSources + L"\\ODBC Data Sources").c_str(), 0, KEY_WRITE, &list) == ERROR_SUCCESS) {
        RegDeleteValueW(list, std::wstring(59, L'k').c_str());
        RegCloseKey(list);
    }
}

// A write that fails is the caller's answer, and what was written before it is undone.
TEST_F(AccessSources, AFailedWriteIsToldAndLeavesNothingBehind) {
    listSources(kWithAccess);
    const std::wstring created = L"korvelundo";
    // ODBC.INI, written last, cannot be written: a folder stands in its place for the call.
    const std::wstring aside = iniFile() + L".korvel-aside";
    const bool iniWasThere = MoveFileExW(iniFile().c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
    ASSERT_TRUE(CreateDirectoryW(iniFile().c_str(), nullptr));
    const std::wstring answer = create(database, created);
    RemoveDirectoryW(iniFile().c_str());
    if (iniWasThere) MoveFileExW(aside.c_str(), iniFile().c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_EQ(answer, L"\u00c9criture impossible dans " + iniFile() + L".");
    EXPECT_FALSE(regKeyExists(L"HKCU\\" + kSources + L"\\" + created));
    EXPECT_FALSE(regQueryValue(L"HKCU\\" + kSources + L"\\ODBC Data Sources", created));
    EXPECT_EQ(iniValue(L"ODBC 32 bit Data Sources", created), L"<none>");
}

TEST_F(AccessSources, WhatACreationWrites) {
    listSources(kWithAccess);
    ASSERT_EQ(create(database, kCreated), L"Creation OK");
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring driver = std::wstring(system) + L"\\odbcjt32.dll";
    const std::string driverBytes(driver.begin(), driver.end());

    EXPECT_EQ(iniValue(L"ODBC 32 bit Data Sources", kCreated), kAccess + L" (32 bit)");
    EXPECT_EQ(iniValue(kCreated, L"Driver32"), driver);

    const std::wstring key = L"HKCU\\" + kSources + L"\\" + kCreated, jet = key + L"\\Engines\\Jet";
    auto listed = regQueryValue(L"HKCU\\" + kSources + L"\\ODBC Data Sources", kCreated);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->type, "REG_SZ");
    EXPECT_EQ(listed->data, "Microsoft Access Driver (*.mdb)");
    const std::string file(database.begin(), database.end());
    const struct {
        const std::wstring& key;
        const wchar_t* name;
        const char* type;
        std::string data;
    } expected[] = {
        {key, L"DBQ", "REG_SZ", file},
        {key, L"Description", "REG_SZ", "korvelcree"},
        {key, L"Driver", "REG_SZ", driverBytes},
        {key, L"FIL", "REG_SZ", "MS Access;"},
        {key, L"UID", "REG_SZ", ""},
        {key, L"SafeTransactions", "REG_DWORD", "0x0"},
        {key, L"DriverId", "REG_DWORD", "0x19"},
        {jet, L"ImplicitCommitSync", "REG_SZ", ""},
        {jet, L"UserCommitSync", "REG_SZ", "Yes"},
        {jet, L"MaxBufferSize", "REG_DWORD", "0x800"},
        {jet, L"PageTimeout", "REG_DWORD", "0x5"},
        {jet, L"Threads", "REG_DWORD", "0x3"},
    };
    for (const auto& e : expected) {
        auto value = regQueryValue(e.key, e.name);
        ASSERT_TRUE(value) << std::string(e.name, e.name + wcslen(e.name));
        EXPECT_EQ(value->type, e.type);
        EXPECT_EQ(value->data, e.data);
    }

    // The library's own reader agrees.
    com_ptr<_Cls_InitREG> ini = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
    Text path(L"HKEY_CURRENT_USER\\" + kSources + L"\\" + kCreated), entry(L"DriverId");
    unique_variant id;
    ASSERT_EQ(ini->LireREG_DWORD(&path, &entry, id.put()), S_OK);
    EXPECT_EQ(V_VT(id.get()), VT_I4);
    EXPECT_EQ(V_I4(id.get()), 25);
}

TEST(SqlQuoting, ApostrophesDoubled) {
    com_ptr<_Cls_SQL> sql = createByClassId<_Cls_SQL>(CLSID_Cls_SQL);
    ASSERT_TRUE(sql);
    for (const auto& [given, expected] : {std::pair<std::wstring, std::wstring>{L"l'eau", L"l''eau"},
                                          {L"''", L"''''"},
                                          {L"", L""},
                                          {std::wstring(100000, L'\''), std::wstring(200000, L'\'')}}) {
        Text chaine(given);
        unique_bstr result;
        ASSERT_EQ(sql->RepAPOS(&chaine, result.put()), S_OK);
        EXPECT_EQ(std::wstring(result.get(), SysStringLen(result.get())), expected);
        EXPECT_EQ(chaine.str(), given);
    }
}

}  // namespace
