// Nothing a client passes may crash the host: every member of every class is called through
// Invoke with null and empty strings, wrong types, missing and extra arguments, and strings of
// a million characters. Each call must come back with a status.

#include <gtest/gtest.h>

#include "class_test_support.h"
#include "common/win32/testing/message_box_watcher.h"
#include "expected_members.h"
#include "library/windows/core/launchers.h"

using namespace korvel_test;

namespace {

std::vector<VARIANT> oddValues() {
    std::vector<VARIANT> values;
    VARIANT v;
    values.push_back(text(nullptr));
    values.push_back(text(L""));
    VariantInit(&v);
    values.push_back(v);  // empty
    V_VT(&v) = VT_NULL;
    values.push_back(v);
    values.push_back(number(-1));
    VariantInit(&v);
    V_VT(&v) = VT_R8;
    V_R8(&v) = 1e300;
    values.push_back(v);
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(nullptr, 1000000);
    for (UINT i = 0; i < 1000000; ++i) V_BSTR(&v)[i] = L'a' + (i % 26);
    values.push_back(v);
    VariantInit(&v);
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    SAFEARRAYBOUND bound{3, 0};
    V_ARRAY(&v) = SafeArrayCreate(VT_VARIANT, 1, &bound);
    values.push_back(v);
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = createByName(L"BRASKEDLL.Cls_Math").detach();
    values.push_back(v);
    return values;
}

// The members of Cls_Windows that open a control-panel page or a wizard.
bool isLauncher(std::wstring_view member) {
    for (const korvel::launchers::Launcher& launcher : korvel::launchers::allLaunchers())
        if (launcher.member == member) return true;
    return false;
}

// Calls every member of every class with each value in every argument position and count;
// returns the number of calls.
size_t callEveryMember(std::vector<VARIANT>& values) {
    std::wstring folder = temporaryFolder();
    SetCurrentDirectoryW(folder.c_str());
    size_t calls = 0;
    for (const wchar_t* name : classNames()) {
        com_ptr<IDispatch> object = createByName((std::wstring(L"BRASKEDLL.") + name).c_str());
        EXPECT_TRUE(object) << name;
        if (!object) continue;
        for (const auto& m : expectedMembers()) {
            if (std::wstring(m.interfaceName) != std::wstring(L"_") + name) continue;
            // It asks the session to end: the prefix's programs, this run's among them, would
            // end with it. The windows suite calls it where a stand-in takes the command.
            if (std::wstring(m.member) == L"Extinction_Ordinateur") continue;
            // They start the command runner at each call: the windows suite calls them where a
            // stand-in takes the runner's place.
            if (isLauncher(m.member)) continue;
            // A shortcut for every odd name in the user's start-up folder; the taskbar of the
            // session hidden and shown: the windows suite calls them with their own names and
            // under a desktop of its own.
            if (std::wstring(m.member) == L"CreationRaccourci") continue;
            if (std::wstring(m.member) == L"Cacher_BarreDesTaches" || std::wstring(m.member) == L"Montrer_BarreDesTaches")
                continue;
            // It makes HKCU\Software\<any text>: the initreg suite calls it with its own names.
            if (std::wstring(m.member) == L"EcritureREG_Software_RepInstall") continue;
            // It starts the volume control; the devices suite calls it where a stand-in records it.
            if (std::wstring(m.member) == L"ReglageVolume") continue;
            // They start the programs associated with addresses and message files, and ask the
            // platform to share host folders: the internet suite calls them beside stand-ins.
            if (std::wstring(m.member) == L"ExecuterURL") continue;
            if (std::wstring(m.member) == L"EcrireEmail_OutlookExpress") continue;
            if (std::wstring(m.member) == L"PartageRep") continue;
            WORD flags = m.kind == INVOKE_PROPERTYPUT      ? DISPATCH_PROPERTYPUT
                         : m.kind == INVOKE_PROPERTYPUTREF ? DISPATCH_PROPERTYPUTREF
                         : m.kind == INVOKE_PROPERTYGET    ? DISPATCH_PROPERTYGET
                                                           : DISPATCH_METHOD;
            for (VARIANT& value : values) {
                for (int count : {0, m.parameters, m.parameters + 1}) {
                    std::vector<VARIANT> args(size_t(count), value);  // shallow copies: the callee only reads
                    VARIANT variable;
                    VariantInit(&variable);
                    VariantCopy(&variable, &value);
                    if (count > 0) args[0] = reference(&variable);  // and one by reference
                    CallResult r;
                    invoke(r, object.get(), m.member, args, flags);
                    EXPECT_NE(r.status, E_UNEXPECTED) << name << L"." << m.member;
                    if (count > m.parameters) {  // a property's second value is a parameter it lacks
                        EXPECT_TRUE(r.status == DISP_E_BADPARAMCOUNT || r.status == DISP_E_PARAMNOTFOUND) << m.member;
                    }
                    VariantClear(&variable);
                    ++calls;
                }
            }
        }
    }
    return calls;
}

TEST(BadInput, EveryMemberAnswersEveryKindOfArgumentWithAStatus) {
    // Every member gives its documented result or a clean failure. Members that talk to the
    // user get their boxes answered, as a user pressing Enter would.
    tolvare::testing::MessageBoxAnswerer answerer;
    std::vector<VARIANT> values = oddValues();
    EXPECT_GT(callEveryMember(values), 1000u);
    EXPECT_GT(answerer.answered(), 0) << "odd arguments make some members speak to the user";
    for (VARIANT& v : values) VariantClear(&v);
}

// Unattended, by the environment or by the user's setting, the same calls show no box at all:
// a script that nobody watches never waits for a click.
TEST(BadInput, UnattendedNoMemberShowsABox) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TOLVARE\\KORVEL", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    std::vector<VARIANT> values{text(nullptr), text(L"x"), number(-1)};
    for (const bool byEnvironment : {true, false}) {
        const DWORD one = 1;
        if (byEnvironment) {
            SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", L"1");
        } else {
            ASSERT_EQ(RegSetValueExW(key, L"SansMessages", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one),
                      ERROR_SUCCESS);
        }
        tolvare::testing::MessageBoxAnswerer answerer;
        EXPECT_GT(callEveryMember(values), 100u);
        EXPECT_EQ(answerer.answered(), 0) << (byEnvironment ? "KORVEL_SANS_MESSAGES=1" : "SansMessages=1");
        SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", nullptr);
        RegDeleteValueW(key, L"SansMessages");
    }
    RegCloseKey(key);
    for (VARIANT& v : values) VariantClear(&v);
}

TEST(BadInput, EarlyBoundNullPointersAreRefused) {
    com_ptr<_Cls_InitREG> ini = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->RetourneCheminWindows(nullptr), E_POINTER);
    BSTR none = nullptr;
    // Null strings where the platform takes them: the platform's own answer, no crash.
    unique_bstr value;
    EXPECT_EQ(ini->IniLire(&none, &none, &none, &none, value.put()), S_OK);
}

}  // namespace
