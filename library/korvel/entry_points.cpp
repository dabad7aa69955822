// The four exports of KORVEL.dll (by ordinal, see korvel.def) and the class factory.

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <atomic>

#include "common/win32/unique_handle.h"
#include "library/frame/dispatch.h"
#include "library/frame/module.h"
#include "library/korvel/class_table.h"
#include "library/korvel/registration.h"

namespace korvel {
namespace {

using tolvare::unique_hkey;

class ClassFactory final : public tolvare::ComObject<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(const ClassEntry& entry) noexcept : entry_(entry) { objectCreated(); }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return entry_.create(riid, object);
    }
    IFACEMETHODIMP LockServer(BOOL lock) override {
        lock ? lockModule() : unlockModule();
        return S_OK;
    }

private:
    friend class tolvare::ComObject<ClassFactory, IClassFactory>;  // deletes it with its last reference
    ~ClassFactory() override { objectDestroyed(); }

    const ClassEntry& entry_;
};

// The per-user classes root, for users who cannot write the machine's.
HRESULT userClassesRoot(unique_hkey& key) {
    return HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
}

HRESULT machineClassesRoot(unique_hkey& key) {
    return HRESULT_FROM_WIN32(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_ALL_ACCESS, key.put()));
}

bool accessDenied(HRESULT hr) { return hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) || hr == E_ACCESSDENIED; }

}  // namespace
}  // namespace korvel

using namespace korvel;

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    size_t count = 0;
    const ClassEntry* classes = classTable(count);
    for (size_t i = 0; i < count; ++i) {
        if (!IsEqualCLSID(clsid, classes[i].classId)) continue;
        ClassFactory* factory = new (std::nothrow) ClassFactory(classes[i]);
        if (!factory) return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return moduleInUse() ? S_FALSE : S_OK; }

// Registers for the whole machine. When the machine's classes cannot be written (a user
// without administrator rights), the same registration is made for the current user alone, so
// that the library is usable all the same: regsvr32 KORVEL.dll run by that user.
STDAPI DllRegisterServer() try {
    std::wstring path = modulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    unique_hkey root;
    HRESULT hr = machineClassesRoot(root);
    if (SUCCEEDED(hr)) hr = registerServer(root.get(), path);
    if (FAILED(hr)) {
        if (root) unregisterServer(root.get());
        hr = userClassesRoot(root);
        if (SUCCEEDED(hr)) hr = registerServer(root.get(), path);
    }
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
} catch (...) {
    return SELFREG_E_CLASS;
}

// Removes the registration wherever this user may have made it: the machine's and his own.
STDAPI DllUnregisterServer() try {
    HRESULT result = S_OK;
    unique_hkey root;
    HRESULT hr = machineClassesRoot(root);
    if (SUCCEEDED(hr)) hr = unregisterServer(root.get());
    if (FAILED(hr) && !accessDenied(hr)) result = hr;
    unique_hkey user;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, user.put()) == ERROR_SUCCESS) {
        hr = unregisterServer(user.get());
        if (FAILED(hr)) result = hr;
    }
    return SUCCEEDED(result) ? S_OK : SELFREG_E_CLASS;
} catch (...) {
    return SELFREG_E_CLASS;
}

}  // extern "C"
