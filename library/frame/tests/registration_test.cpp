// The library file and its registration: exports and version record, what registration
// writes, creation by class identifier and programmatic name, unloading, the round trip, and
// registration for a user who cannot write the machine's classes.

#include <gtest/gtest.h>

#include "class_test_support.h"
#include "common/win32/testing/message_box_watcher.h"
#include "expected_members.h"

using namespace korvel_test;
using tolvare::unique_hkey;

namespace {

std::wstring guidText(const GUID& g) {
    wchar_t buffer[40];
    StringFromGUID2(g, buffer, 40);
    return buffer;
}

std::wstring readValue(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"<none>";
    return buffer;
}

const wchar_t kMachineClasses[] = L"Software\\Classes\\";

TEST(LibraryFile, VersionRecord) {
    std::wstring path = besideTestProgram(L"KORVEL.dll");
    DWORD handle = 0, size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    auto text = [&](const wchar_t* name) -> std::wstring {
        wchar_t* value = nullptr;
        UINT n = 0;
        std::wstring key = std::wstring(L"\\StringFileInfo\\040C04E4\\") + name;
        if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &n)) return L"<none>";
        return value;
    };
    EXPECT_EQ(text(L"FileVersion"), L"1.00");
    EXPECT_EQ(text(L"ProductVersion"), L"1.00");
    EXPECT_EQ(text(L"ProductName"), L"TOLVARE");
    EXPECT_EQ(text(L"InternalName"), L"KORVEL");
    EXPECT_NE(text(L"OLESelfRegister"), L"<none>");
}

TEST(LibraryFile, ExportsTheFourEntryPointsByOrdinal) {
    HMODULE module = GetModuleHandleW(besideTestProgram(L"KORVEL.dll").c_str());
    ASSERT_NE(module, nullptr);
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"};
    for (WORD ordinal = 1; ordinal <= 4; ++ordinal)
        EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)), GetProcAddress(module, names[ordinal - 1]));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(reinterpret_cast<BYTE*>(module) + dos->e_lfanew);
    auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(reinterpret_cast<BYTE*>(module) + dir.VirtualAddress);
    EXPECT_EQ(exports->NumberOfFunctions, 4u);
    EXPECT_EQ(exports->Base, 1u);
}

TEST(Registration, WritesClassesProgrammaticNamesInterfacesAndTypeLibrary) {
    ASSERT_EQ(registerLibrary(), S_OK);
    const std::wstring path = besideTestProgram(L"KORVEL.dll");
    const std::wstring classes = kMachineClasses;
    const std::wstring library = classes + L"TypeLib\\" + guidText(LIBID_BRASKEDLL) + L"\\1.0";
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, library), L"BRASKE..INI REG WINDOWS WAIT");
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, library + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")), path);

    struct { const CLSID* clsid; const IID* iid; const wchar_t* name; } some[] = {
        {&CLSID_Cls_InitREG, &IID__Cls_InitREG, L"Cls_InitREG"},
        {&CLSID_Cls_SourisClv, &IID__Cls_SourisClv, L"Cls_SourisClv"},
    };
    for (const auto& c : some) {
        const std::wstring clsid = classes + L"CLSID\\" + guidText(*c.clsid);
        const std::wstring programmatic = std::wstring(L"BRASKEDLL.") + c.name;
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, clsid + L"\\InprocServer32"), path);
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, clsid + L"\\ProgID"), programmatic);
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, classes + programmatic + L"\\CLSID"), guidText(*c.clsid));
        const std::wstring iface = classes + L"Interface\\" + guidText(*c.iid);
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, iface + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, iface + L"\\TypeLib"), guidText(LIBID_BRASKEDLL));
    }
}

TEST(Registration, EveryClassIsCreatableByIdentifierAndByName) {
    tolvare::testing::MessageBoxAnswerer answerer;  // Cls_Cryptage greets the user at creation
    com_ptr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(besideTestProgram(L"KORVEL.dll").c_str(), REGKIND_NONE, library.put()), S_OK);
    for (const wchar_t* name : classNames()) {
        SCOPED_TRACE(name);
        com_ptr<ITypeInfo> coclass;
        MEMBERID id = 0;
        USHORT found = 1;
        ASSERT_EQ(library->FindName(const_cast<LPOLESTR>(name), 0, coclass.put(), &id, &found), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
        CLSID clsid = attr->guid;
        coclass->ReleaseTypeAttr(attr);

        com_ptr<IDispatch> byId = createByClassId<IDispatch>(clsid);
        ASSERT_TRUE(byId);
        com_ptr<IDispatch> byName = createByName((std::wstring(L"BRASKEDLL.") + name).c_str());
        ASSERT_TRUE(byName);
        EXPECT_NE(byId.get(), byName.get());  // independent objects

        com_ptr<ISupportErrorInfo> errors;
        ASSERT_EQ(byId.query(errors), S_OK);
        com_ptr<ITypeInfo> info;
        ASSERT_EQ(byId->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        IID iid = attr->guid;
        info->ReleaseTypeAttr(attr);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(iid), S_OK);
        com_ptr<IUnknown> typed;
        EXPECT_EQ(byId->QueryInterface(iid, typed.put_void()), S_OK);
        com_ptr<IUnknown> other;
        EXPECT_EQ(byId->QueryInterface(IID_IPersist, other.put_void()), E_NOINTERFACE);
    }
}

TEST(Registration, UnknownClassAndUnloading) {
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        libraryEntry("DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(libraryEntry("DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);
    com_ptr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);

    CoFreeUnusedLibraries();
    ASSERT_EQ(canUnloadNow(), S_OK);
    ASSERT_EQ(getClassObject(CLSID_Cls_Math, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);  // the factory itself
    com_ptr<_Cls_Math> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__Cls_Math, object.put_void()), S_OK);
    com_ptr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    object.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);  // the lock
    factory.reset();
    ASSERT_EQ(getClassObject(CLSID_Cls_Math, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(FALSE);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// The 32-bit and the 64-bit library share the type library's key: unregistering one leaves it
// to the other, and the last one takes it away. Interface keys have a view per bitness, as
// class keys do, and go with their library.
TEST(Registration, RoundTrip) {
    const std::wstring version = std::wstring(kMachineClasses) + L"TypeLib\\" + guidText(LIBID_BRASKEDLL) + L"\\1.0";
    const std::wstring interfaceKey = std::wstring(kMachineClasses) + L"Interface\\" + guidText(IID__Cls_InitREG);
    const std::wstring ownPlatform = version + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32");
    const std::wstring otherPlatform = version + (sizeof(void*) == 8 ? L"\\0\\win32" : L"\\0\\win64");
    auto setOther = [&](const std::wstring& path) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, otherPlatform.c_str(), nullptr, REG_SZ, path.c_str(),
                               DWORD((path.size() + 1) * sizeof(wchar_t)));
    };
    // The other bitness's suites may have registered their library in this prefix: put back
    // after the test.
    const std::wstring othersLibrary = readValue(HKEY_LOCAL_MACHINE, otherPlatform);

    ASSERT_EQ(setOther(L"C:\\other\\KORVEL.dll"), ERROR_SUCCESS);
    ASSERT_EQ(unregisterLibrary(), S_OK);
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(L"BRASKEDLL.Cls_InitREG", &clsid), CO_E_CLASSSTRING);
    EXPECT_FALSE(createByName(L"BRASKEDLL.Cls_InitREG"));
    com_ptr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance(CLSID_Cls_InitREG, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, ownPlatform), L"<none>");
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, version), L"BRASKE..INI REG WINDOWS WAIT");
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, interfaceKey), L"<none>");

    // Once the other one is gone too, nothing is left; and nothing left to remove is no failure.
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, otherPlatform.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(unregisterLibrary(), S_OK);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, version), L"<none>");
    EXPECT_EQ(unregisterLibrary(), S_OK);

    ASSERT_EQ(registerLibrary(), S_OK);
    EXPECT_TRUE(createByName(L"BRASKEDLL.Cls_InitREG"));
    if (othersLibrary != L"<none>") {
        EXPECT_EQ(setOther(othersLibrary), ERROR_SUCCESS);
    }
}

// A user who may not write the machine's classes: stand in a machine hive whose classes key
// takes no new subkeys (volatile keys cannot hold lasting ones), as a locked hive refuses them.
TEST(Registration, FallsBackToTheCurrentUserWhenTheMachineCannotBeWritten) {
    const wchar_t* standIn = L"Software\\KorvelTest\\LockedMachine";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvelTest");
    unique_hkey machine, software, classes;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, standIn, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              machine.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(machine.get(), L"Software", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              software.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(software.get(), L"Classes", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              classes.put(), nullptr), ERROR_SUCCESS);
    const std::wstring userClass =
        std::wstring(L"Software\\Classes\\CLSID\\") + guidText(CLSID_Cls_InitREG) + L"\\InprocServer32";

    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.get()), ERROR_SUCCESS);
    HRESULT registered = registerLibrary();
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    EXPECT_EQ(registered, S_OK);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, userClass), besideTestProgram(L"KORVEL.dll"));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\BRASKEDLL.Cls_Math\\CLSID")),
              guidText(CLSID_Cls_Math));

    // Unregistering removes the user's registration as well.
    EXPECT_EQ(unregisterLibrary(), S_OK);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, userClass), L"<none>");
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\BRASKEDLL.Cls_Math\\CLSID")), L"<none>");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvelTest");
    ASSERT_EQ(registerLibrary(), S_OK);
}

}  // namespace
