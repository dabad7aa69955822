// The registry members of Cls_InitREG, early-bound by vtable position, against the platform's
// real registry; what they write is read back with the platform's own reg tool. Every key is
// under a key of the suite's own, removed before and after each case.

#include <gtest/gtest.h>

#include <string>

#include "common/win32/testing/message_box_watcher.h"
#include "library/frame/tests/class_test_support.h"
#include "library/initreg/tests/reg_query.h"

using namespace korvel_test;
using tolvare::testing::MessageBoxAnswerer;
using tolvare::testing::MessageBoxWatcher;

namespace {

// A by-reference text argument: owns the caller's variable.
struct Text {
    BSTR value;
    explicit Text(const std::wstring& s) : value(SysAllocStringLen(s.data(), UINT(s.size()))) {}
    ~Text() { SysFreeString(value); }
    Text(const Text&) = delete;
    BSTR* operator&() { return &value; }
    std::wstring str() const { return value ? std::wstring(value, SysStringLen(value)) : L"<null>"; }
};

// The two bitnesses' suites may run side by side: each has its own key.
const std::wstring kOwnKey = sizeof(void*) == 8 ? L"Software\\KorvelRegistryTest64" : L"Software\\KorvelRegistryTest32";
const std::wstring kPath = L"HKEY_CURRENT_USER\\" + kOwnKey;
const std::wstring kRegPath = L"HKCU\\" + kOwnKey;

std::wstring describe(const VARIANT* v) {
    switch (V_VT(v)) {
        case VT_EMPTY: return L"<empty>";
        case VT_I4: return L"I4:" + std::to_wstring(V_I4(v));
        case VT_BSTR: return std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v)));
        default: return L"<type " + std::to_wstring(V_VT(v)) + L">";
    }
}

class RegistryMembers : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kOwnKey.c_str());
        ini = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
        ASSERT_TRUE(ini);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kOwnKey.c_str()); }

    void create(const std::wstring& path) {
        Text p(path);
        unique_variant result;
        ASSERT_EQ(ini->CreerREG_Cle(&p, result.put()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
    }
    void writeText(const std::wstring& path, const std::wstring& entry, const std::wstring& value) {
        Text p(path), e(entry), v(value);
        unique_variant result;
        ASSERT_EQ(ini->EcrireREG_STRING(&p, &e, &v, result.put()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
    }
    void writeNumber(const std::wstring& path, const std::wstring& entry, LONG value) {
        Text p(path), e(entry);
        unique_variant result;
        ASSERT_EQ(ini->EcrireREG_DWORD(&p, &e, &value, result.put()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
    }
    HRESULT writeBytes(const std::wstring& path, const std::wstring& entry, const std::wstring& value) {
        Text p(path), e(entry), v(value);
        unique_variant result;
        return ini->EcrireREG_BINARY(&p, &e, &v, result.put());
    }
    std::wstring readText(const std::wstring& path, const std::wstring& entry) {
        Text p(path), e(entry);
        unique_variant result;
        HRESULT hr = ini->LireREG_STRING(&p, &e, result.put());
        if (FAILED(hr)) return L"failed " + std::to_wstring(hr & 0xFFFF);
        return describe(result.get());
    }
    std::wstring readNumber(const std::wstring& path, const std::wstring& entry) {
        Text p(path), e(entry);
        unique_variant result;
        EXPECT_EQ(ini->LireREG_DWORD(&p, &e, result.put()), S_OK);
        return describe(result.get());
    }
    std::wstring readBytes(const std::wstring& path, const std::wstring& entry) {
        Text p(path), e(entry);
        unique_variant result;
        EXPECT_EQ(ini->LireREG_BINARY(&p, &e, result.put()), S_OK);
        return describe(result.get());
    }
    void erase(const std::wstring& path) {
        Text p(path);
        unique_variant result;
        ASSERT_EQ(ini->EffaceREG_CLE(&p, result.put()), S_OK);
    }
    // A value stored directly, for the shapes the members never write.
    void store(const std::wstring& entry, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOwnKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, entry.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    com_ptr<_Cls_InitREG> ini;
};

TEST_F(RegistryMembers, ThePathVariableBecomesTheSubkeyPath) {
    Text path(L"HKEY_CURRENT_USER\\Software\\X"), entry(L"absent");
    unique_variant result;
    ASSERT_EQ(ini->LireREG_STRING(&path, &entry, result.put()), S_OK);
    EXPECT_EQ(path.str(), L"Software\\X");
    EXPECT_EQ(entry.str(), L"absent");

    Text root(L"HKEY_CURRENT_USER"), volatileEnv(L"no such value");
    ASSERT_EQ(ini->LireREG_STRING(&root, &volatileEnv, result.put()), S_OK);
    EXPECT_EQ(root.str(), L"");
    EXPECT_EQ(describe(result.get()), L"Error");

    // An unknown root: the variable is rewritten, nothing else happens and nothing is said.
    MessageBoxWatcher none(L"TOLVARE", IDOK, 1500);
    Text unknown(L"HKEY_FOO\\Bar"), name(L"v");
    ASSERT_EQ(ini->LireREG_STRING(&unknown, &name, result.put()), S_OK);
    EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
    EXPECT_EQ(unknown.str(), L"Bar");
    EXPECT_FALSE(none.wait());
}

TEST_F(RegistryMembers, IllFormedPathsAreToldAndChangeNothing) {
    create(kPath);
    writeText(kPath, L"before", L"kept");
    for (const std::wstring& bad : {kPath + L"\\", L"hkey_current_user\\" + kOwnKey, std::wstring(L"\\\\\\"),
                                    std::wstring()}) {
        MessageBoxWatcher watcher(L"TOLVARE");
        Text path(bad), entry(L"after"), value(L"x");
        unique_variant result;
        ASSERT_EQ(ini->EcrireREG_STRING(&path, &entry, &value, result.put()), S_OK);
        ASSERT_TRUE(watcher.wait()) << bad.c_str();
        EXPECT_EQ(watcher.seen().text, L"Incorrect Format:\n\n" + bad);
        EXPECT_FALSE(watcher.seen().hasIcon);
        EXPECT_EQ(path.str(), bad);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
    }
    EXPECT_FALSE(regQueryValue(kRegPath, L"after"));
    EXPECT_EQ(regQueryValue(kRegPath, L"before")->data, "kept");
}

TEST_F(RegistryMembers, OnlyKeyCreationMakesKeys) {
    const std::wstring nested = kPath + L"\\a\\b\\c";
    writeText(nested, L"t", L"x");
    writeNumber(nested, L"n", 1);
    EXPECT_EQ(writeBytes(nested, L"b", L"x"), S_OK);
    EXPECT_FALSE(regKeyExists(kRegPath));

    create(nested);
    EXPECT_TRUE(regKeyExists(kRegPath + L"\\a\\b\\c"));
    create(nested);  // an existing key is only opened
    writeText(nested, L"t", L"x");
    EXPECT_EQ(regQueryValue(kRegPath + L"\\a\\b\\c", L"t")->data, "x");
}

TEST_F(RegistryMembers, NumbersRoundTripAndMissingValuesReadAsError) {
    create(kPath);
    writeNumber(kPath, L"DriverId", 25);
    writeNumber(kPath, L"negative", -2);
    auto stored = regQueryValue(kRegPath, L"DriverId");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, "REG_DWORD");
    EXPECT_EQ(stored->data, "0x19");
    EXPECT_EQ(regQueryValue(kRegPath, L"negative")->data, "0xfffffffe");
    EXPECT_EQ(readNumber(kPath, L"DriverId"), L"I4:25");
    EXPECT_EQ(readNumber(kPath, L"negative"), L"I4:-2");
    EXPECT_EQ(readNumber(kPath, L"missing"), L"Error");
    EXPECT_EQ(readNumber(kPath + L"\\missing key", L"DriverId"), L"Error");
    // The stored type is not looked at; more than four bytes do not fit.
    const char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    store(L"eight", REG_BINARY, eight, 8);
    EXPECT_EQ(readNumber(kPath, L"eight"), L"Error");
    const unsigned char four[4] = {1, 0, 0, 0};
    store(L"four", REG_BINARY, four, 4);
    EXPECT_EQ(readNumber(kPath, L"four"), L"I4:1");
}

TEST_F(RegistryMembers, TextsAreTrimmedOnTheLeftAndLimitedTo254Characters) {
    create(kPath);
    writeText(kPath, L"plain", L"C:\\Program Files\\PLENAR");
    auto stored = regQueryValue(kRegPath, L"plain");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, "REG_SZ");
    EXPECT_EQ(stored->data, "C:\\Program Files\\PLENAR");
    EXPECT_EQ(readText(kPath, L"plain"), L"C:\\Program Files\\PLENAR");

    writeText(kPath, L"blanks", L"  abc ");
    EXPECT_EQ(readText(kPath, L"blanks"), L"abc ");
    writeText(kPath, L"only blanks", L"    ");
    EXPECT_EQ(readText(kPath, L"only blanks"), L"");
    writeText(kPath, L"empty", L"");
    EXPECT_EQ(readText(kPath, L"empty"), L"");
    writeText(kPath, L"accents", L"\u00e9t\u00e9");
    EXPECT_EQ(readText(kPath, L"accents"), L"\u00e9t\u00e9");

    writeText(kPath, L"254", std::wstring(254, L'x'));
    EXPECT_EQ(readText(kPath, L"254"), std::wstring(254, L'x'));
    writeText(kPath, L"255", std::wstring(255, L'x'));
    EXPECT_EQ(regQueryValue(kRegPath, L"255")->data, std::string(255, 'x'));
    EXPECT_EQ(readText(kPath, L"255"), L"Error");
    EXPECT_EQ(readText(kPath, L"missing"), L"Error");

    // A text value stored with no data at all, not even its terminator: the empty text.
    store(L"no data", REG_SZ, "", 0);
    EXPECT_EQ(readText(kPath, L"no data"), L"");
}

TEST_F(RegistryMembers, BytesRoundTripOneCharacterPerByte) {
    create(kPath);
    ASSERT_EQ(writeBytes(kPath, L"bytes", std::wstring{L'\x01', L'\x02', L'\xff'}), S_OK);
    auto stored = regQueryValue(kRegPath, L"bytes");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, "REG_BINARY");
    EXPECT_EQ(stored->data, "0102FF");
    EXPECT_EQ(readBytes(kPath, L"bytes"), (std::wstring{L'\x01', L'\x02', L'\xff'}));

    // NUL bytes stay inside the text.
    ASSERT_EQ(writeBytes(kPath, L"nul", std::wstring(L"a\0b", 3)), S_OK);
    EXPECT_EQ(regQueryValue(kRegPath, L"nul")->data, "610062");
    EXPECT_EQ(readBytes(kPath, L"nul"), std::wstring(L"a\0b", 3));

    // An empty text is an empty binary value.
    ASSERT_EQ(writeBytes(kPath, L"empty", L""), S_OK);
    stored = regQueryValue(kRegPath, L"empty");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, "REG_BINARY");
    EXPECT_EQ(stored->data, "");
    EXPECT_EQ(readBytes(kPath, L"empty"), L"");

    // A text value comes back with its terminator; a missing value is an error.
    writeText(kPath, L"text", L"ab");
    EXPECT_EQ(readBytes(kPath, L"text"), std::wstring(L"ab\0", 3));
    EXPECT_EQ(readBytes(kPath, L"missing"), L"Error");

    // Large values whole.
    std::wstring large(100000, L'\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = wchar_t(L'a' + i % 26);
    ASSERT_EQ(writeBytes(kPath, L"large", large), S_OK);
    EXPECT_EQ(readBytes(kPath, L"large"), large);
}

TEST_F(RegistryMembers, KeyDeletionRemovesOneLeafAndNeverARoot) {
    create(kPath + L"\\leaf");
    create(kPath + L"\\branch\\twig");
    erase(kPath + L"\\leaf");
    EXPECT_FALSE(regKeyExists(kRegPath + L"\\leaf"));
    erase(kPath + L"\\missing");
    // The platform's rule for a key with subkeys, which this one follows.
    erase(kPath + L"\\branch");
    EXPECT_TRUE(regKeyExists(kRegPath + L"\\branch\\twig"));
    erase(kPath + L"\\branch\\twig");
    erase(kPath + L"\\branch");
    EXPECT_FALSE(regKeyExists(kRegPath + L"\\branch"));

    erase(L"HKEY_CURRENT_USER");
    Text doubled(L"HKEY_CURRENT_USER\\\\Software");
    unique_variant result;
    ASSERT_EQ(ini->EffaceREG_CLE(&doubled, result.put()), S_OK);
    EXPECT_TRUE(regKeyExists(L"HKCU\\Software"));
    EXPECT_TRUE(regKeyExists(kRegPath));
}

TEST_F(RegistryMembers, InstallFolderUnderTheUsersSoftwareKey) {
    const std::wstring name = kOwnKey.substr(std::wstring(L"Software\\").size());
    Text soft(name), folder(L"C:\\Program Files\\Korvel");
    unique_bstr result;
    ASSERT_EQ(ini->EcritureREG_Software_RepInstall(&soft, &folder, result.put()), S_OK);
    EXPECT_EQ(std::wstring(result.get()), L"Ecriture dans HKEY_CURRENT_USER\\Software\\" + name);
    EXPECT_EQ(soft.str(), name);
    EXPECT_EQ(regQueryValue(kRegPath, L"RepInstall")->data, "C:\\Program Files\\Korvel");

    // No name: both steps are told the path is ill-formed, and the text is the same.
    MessageBoxAnswerer answerer;
    Text none(L""), other(L"C:\\x");
    ASSERT_EQ(ini->EcritureREG_Software_RepInstall(&none, &other, result.put()), S_OK);
    EXPECT_EQ(std::wstring(result.get()), L"Ecriture dans HKEY_CURRENT_USER\\Software\\");
    for (int i = 0; i < 100 && answerer.answered() < 2; ++i) Sleep(10);
    EXPECT_EQ(answerer.answered(), 2);
    EXPECT_FALSE(regQueryValue(L"HKCU\\Software", L"RepInstall"));
}

TEST_F(RegistryMembers, RootNamesAndErrorMessages) {
    Text name(L"HKEY_LOCAL_MACHINE");
    LONG handle = 0;
    ASSERT_EQ(ini->LireREG_ClePrincipale(&name, &handle), S_OK);
    EXPECT_EQ(ULONG(handle), 0x80000002u);
    EXPECT_EQ(name.str(), L"HKEY_LOCAL_MACHINE");
    Text lower(L"hkey_local_machine");
    ASSERT_EQ(ini->LireREG_ClePrincipale(&lower, &handle), S_OK);
    EXPECT_EQ(handle, 0);

    LONG code = 1014;
    unique_bstr message;
    ASSERT_EQ(ini->ErrorMsg(&code, message.put()), S_OK);
    EXPECT_EQ(std::wstring(message.get()), L"Code d'Erreur indefini:   1014");
    code = 5;
    ASSERT_EQ(ini->ErrorMsg(&code, message.put()), S_OK);
    EXPECT_EQ(std::wstring(message.get()), L"L'access a cette cle ne peut se faire");
}

TEST_F(RegistryMembers, OddPathsAndValuesWriteNowhereElse) {
    create(kPath);
    // NUL characters: the platform would stop at the first one and name another key or value.
    const std::wstring withNul = kPath + std::wstring(L"\0evil", 5);
    create(withNul);
    writeText(withNul, L"t", L"x");
    EXPECT_FALSE(regQueryValue(kRegPath, L"t"));
    writeText(kPath, std::wstring(L"t\0u", 3), L"x");
    EXPECT_FALSE(regQueryValue(kRegPath, L"t"));
    EXPECT_EQ(readText(withNul, L"t"), L"Error");

    // Paths far longer than any key name.
    const std::wstring longPath = kPath + L"\\" + std::wstring(100000, L'k');
    create(longPath);
    writeText(longPath, L"t", L"x");
    EXPECT_EQ(readText(longPath, L"t"), L"Error");
    writeText(kPath, std::wstring(100000, L'v'), L"x");
    EXPECT_EQ(readText(kPath, std::wstring(100000, L'v')), L"Error");

    // Characters outside the code page: as the code page writes them.
    writeText(kPath, L"foreign", L"\u4e00\u0416");
    EXPECT_NE(readText(kPath, L"foreign"), L"Error");
    EXPECT_EQ(writeBytes(kPath, L"foreign bytes", L"\u4e00"), S_OK);
    EXPECT_EQ(readBytes(kPath, L"foreign bytes").size(), 1u);
}

}  // namespace
