// The library's module: its handle and file, the table of its eleven classes, and the counts
// that tell whether it may be unloaded.
#pragma once

#include <windows.h>

#include <string>

namespace korvel {

HMODULE moduleHandle() noexcept;
std::wstring modulePath();

// One creatable class of the library: what DllGetClassObject and registration need.
struct ClassEntry {
    const CLSID& classId;
    const IID& interfaceId;
    const wchar_t* name;  // class name; the programmatic name is "BRASKEDLL." + name
    HRESULT (*create)(REFIID riid, void** object);
};

// The eleven classes in type-library order.
const ClassEntry* classTable(size_t& count) noexcept;

// Creates an object of class T (which starts with one reference) and hands out `riid`.
template <typename T>
HRESULT createObject(REFIID riid, void** object) noexcept try {
    T* created = new T();
    HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
} catch (...) {
    return E_OUTOFMEMORY;
}

void lockModule() noexcept;
void unlockModule() noexcept;
bool moduleInUse() noexcept;

}  // namespace korvel
