// GET_NomFichier and GET_DossierSpecial of Cls_Windows through the real library: early-bound
// by vtable position as PLENAR calls them, and late-bound by name as scripts call them.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

class PathMembers : public ::testing::Test {
protected:
    void SetUp() override {
        windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
        ASSERT_TRUE(windows);
    }
    // The part of `path`, or the failure status as text; the caller's variables come back as
    // they were.
    std::wstring part(const std::wstring& path, short partie) {
        BSTR variable = SysAllocStringLen(path.data(), UINT(path.size()));
        short selection = partie;
        BSTR result = reinterpret_cast<BSTR>(0xdeadbeef);
        HRESULT hr = windows->GET_NomFichier(&variable, &selection, &result);
        EXPECT_EQ(str(variable), path);
        EXPECT_EQ(selection, partie);
        SysFreeString(variable);
        if (FAILED(hr)) {
            EXPECT_EQ(result, nullptr);
            return L"failed " + std::to_wstring(hr & 0xFFFF);
        }
        unique_bstr owned(result);
        return str(result);
    }
    std::wstring folder(LONG csidl) {
        unique_bstr result;
        EXPECT_EQ(windows->GET_DossierSpecial(&csidl, result.put()), S_OK) << csidl;
        return str(result.get());
    }

    com_ptr<_Cls_Windows> windows;
};

TEST_F(PathMembers, NomFichierPartsOfPaths) {
    const std::wstring path = L"C:\\dir\\sub\\file.txt";
    EXPECT_EQ(part(path, 0), L"");
    EXPECT_EQ(part(path, 1), L"C:");
    EXPECT_EQ(part(path, 2), L"\\dir\\sub\\");
    EXPECT_EQ(part(path, 4), L"file");
    EXPECT_EQ(part(path, 8), L".TXT");
    EXPECT_EQ(part(path, 4 + 8), L"file.TXT");
    EXPECT_EQ(part(path, 15), L"C:\\dir\\sub\\file.TXT");
    EXPECT_EQ(part(path, -1), L"C:\\dir\\sub\\file.TXT");
    EXPECT_EQ(part(L"C:\\file.txt", 2), L"\\");
    EXPECT_EQ(part(L"file.tar.gz", 4), L"file");
    EXPECT_EQ(part(L"file.tar.gz", 1 + 2 + 8), L".TAR.GZ");
    EXPECT_EQ(part(L"C:file.txt", 1 + 4), L"file");
    EXPECT_EQ(part(L"\\\\server\\share\\file.txt", 15), L"\\\\server\\share\\file.TXT");
    // Upper case by the platform's rules, beyond ASCII and beyond the ANSI code page.
    EXPECT_EQ(part(L"C:\\été\\fête.été", 15), L"C:\\été\\fête.ÉTÉ");
    EXPECT_EQ(part(L"x.\u03b1\u03b2", 8), L".\u0391\u0392");
}

TEST_F(PathMembers, NomFichierRunTimeErrors) {
    std::wstring twenty = L"C:" + std::wstring(19, L'\\') + L"\\f.txt";
    EXPECT_EQ(part(twenty, 4 + 8), L"f.TXT");
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(part(L"C:\\" + twenty.substr(2), 4), L"failed 9");
    com_ptr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    unique_bstr description;
    info->GetDescription(description.put());
    EXPECT_EQ(str(description.get()), L"L'indice n'appartient pas à la sélection");

    std::wstring longest = L"C:\\" + std::wstring(32767 - 7, L'a') + L".txt";
    EXPECT_EQ(part(longest, 8), L".TXT");
    EXPECT_EQ(part(longest + L"x", 8), L"failed 6");
    EXPECT_EQ(part(std::wstring(40000, L'\\'), 0), L"failed 6");

    BSTR none = nullptr;
    short all = 15;
    unique_bstr result;
    EXPECT_EQ(windows->GET_NomFichier(&none, &all, result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"");
    EXPECT_EQ(windows->GET_NomFichier(&none, nullptr, result.put()), E_POINTER);
}

TEST_F(PathMembers, DossierSpecialFileSystemFolders) {
    for (int csidl : {CSIDL_STARTUP, CSIDL_APPDATA, CSIDL_PERSONAL, CSIDL_SYSTEM, CSIDL_INTERNET_CACHE}) {
        wchar_t platform[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, platform)));
        std::wstring expected = platform;
        // Exactly one backslash at the end, also where the shell gives one itself (Wine's
        // Documents folder, which links to the user's home).
        if (expected.back() != L'\\') expected += L'\\';
        EXPECT_EQ(folder(csidl), expected) << csidl;
    }
    std::wstring cache = folder(CSIDL_INTERNET_CACHE);
    EXPECT_EQ(cache.substr(cache.size() - 11), L"\\INetCache\\");
    // Virtual folders and unknown identifiers.
    for (LONG csidl : {LONG(CSIDL_DRIVES), LONG(CSIDL_BITBUCKET), LONG(CSIDL_CONTROLS), LONG(CSIDL_PRINTERS),
                       LONG(CSIDL_NETWORK), -1L, 0x7FFFL})
        EXPECT_EQ(folder(csidl), L"") << csidl;
    EXPECT_EQ(windows->GET_DossierSpecial(nullptr, nullptr), E_POINTER);
}

// The shell hands the path over in the ANSI code page: an accented folder name must come
// back as it is on disk, not as its bytes read in another code page.
TEST_F(PathMembers, DossierSpecialAccentedFolderName) {
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::wstring moved = temporaryFolder() + L"\\Démarrage été œuvre €";  // œ and € differ from Latin-1
    ASSERT_TRUE(CreateDirectoryW(moved.c_str(), nullptr));
    HKEY folders = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &folders), ERROR_SUCCESS);
    wchar_t saved[1024] = {};
    DWORD savedType = 0, savedSize = sizeof saved;
    bool hadValue = RegQueryValueExW(folders, L"Favorites", nullptr, &savedType, reinterpret_cast<BYTE*>(saved),
                                     &savedSize) == ERROR_SUCCESS;
    RegSetValueExW(folders, L"Favorites", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(moved.c_str()),
                   DWORD((moved.size() + 1) * sizeof(wchar_t)));
    std::wstring path = folder(CSIDL_FAVORITES);
    if (hadValue)
        RegSetValueExW(folders, L"Favorites", 0, savedType, reinterpret_cast<const BYTE*>(saved), savedSize);
    else
        RegDeleteValueW(folders, L"Favorites");
    RegCloseKey(folders);
    EXPECT_EQ(path, moved + L"\\");
}

TEST_F(PathMembers, LateBoundAsScriptsCall) {
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Windows");
    ASSERT_TRUE(late);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GET_NomFichier"), 0x60030025);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GET_DossierSpecial"), 0x60030028);

    // Script variables: a text and a Long for the 16-bit part. Both keep their values; the
    // number comes back as the parameter's type, as by-reference variables do.
    VARIANT path = text(L"C:\\dir\\sub\\file.txt"), partie = number(4 + 8);
    CallResult name;
    invoke(name, late.get(), L"GET_NomFichier", {reference(&path), reference(&partie)});
    ASSERT_EQ(name.status, S_OK);
    EXPECT_EQ(V_VT(name.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*name.value.get()), L"file.TXT");
    EXPECT_EQ(textOf(path), L"C:\\dir\\sub\\file.txt");
    EXPECT_EQ(V_VT(&partie), VT_I2);
    EXPECT_EQ(V_I2(&partie), 12);
    CallResult failed;
    invoke(failed, late.get(), L"GET_NomFichier", {text((L"C:" + std::wstring(21, L'\\')).c_str()), number(4)});
    EXPECT_EQ(failed.status, DISP_E_EXCEPTION);
    EXPECT_EQ(failed.exception.scode, HRESULT(0x800A0009));

    VARIANT csidl = number(CSIDL_STARTUP);
    CallResult startup, asText, drives;
    invoke(startup, late.get(), L"GET_DossierSpecial", {reference(&csidl)});
    ASSERT_EQ(startup.status, S_OK);
    EXPECT_EQ(V_VT(startup.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*startup.value.get()), folder(CSIDL_STARTUP));
    invoke(asText, late.get(), L"GET_DossierSpecial", {text(L"7")});
    EXPECT_EQ(textOf(*asText.value.get()), folder(CSIDL_STARTUP));
    invoke(drives, late.get(), L"GET_DossierSpecial", {number(CSIDL_DRIVES)});
    EXPECT_EQ(V_VT(drives.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*drives.value.get()), L"");
    for (VARIANT* v : {&path, &partie, &csidl}) VariantClear(v);
}

}  // namespace
