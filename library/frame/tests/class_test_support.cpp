#include "class_test_support.h"

#include <gtest/gtest.h>

namespace korvel_test {

namespace {

// COM for the test thread and the library registered from the build for the whole run.
class LibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(registerLibrary(), S_OK);
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

}  // namespace

std::wstring besideTestProgram(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + fileName;
}

FARPROC libraryEntry(const char* name) {
    static HMODULE library = LoadLibraryW(besideTestProgram(L"KORVEL.dll").c_str());
    return library ? GetProcAddress(library, name) : nullptr;
}

HRESULT registerLibrary() {
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(libraryEntry("DllRegisterServer"));
    return entry ? entry() : E_FAIL;
}

HRESULT unregisterLibrary() {
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(libraryEntry("DllUnregisterServer"));
    return entry ? entry() : E_FAIL;
}

com_ptr<IDispatch> createByName(const wchar_t* programmaticName) {
    CLSID clsid;
    com_ptr<IDispatch> object;
    if (SUCCEEDED(CLSIDFromProgID(programmaticName, &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    return object;
}

DISPID dispatchIdOf(IDispatch* object, const wchar_t* member) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

CallResult::~CallResult() {
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

void invoke(CallResult& out, IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments, WORD flags) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    out.status = object->Invoke(dispatchIdOf(object, member), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                out.value.put(), &out.exception, &out.argumentError);
}

VARIANT text(const wchar_t* value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = value ? SysAllocString(value) : nullptr;
    return v;
}

VARIANT reference(VARIANT* variable) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&v) = variable;
    return v;
}

VARIANT number(long value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

std::wstring textOf(const VARIANT& v) {
    if (V_VT(&v) != VT_BSTR || !V_BSTR(&v)) return {};
    return std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
}

std::wstring temporaryFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    // Process identifiers come back from run to run, and a folder left by an earlier run would
    // hold its files: only a folder made now will do.
    static int serial = 0;
    std::wstring folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
        folder = std::wstring(base) + L"korvel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
        if (CreateDirectoryW(folder.c_str(), nullptr)) break;
    }
    return folder;
}

}  // namespace korvel_test
