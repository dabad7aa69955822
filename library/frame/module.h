// The library's module: its handle and file, the creation of an object of a class, and the
// counts that tell whether it may be unloaded.
#pragma once

#include <windows.h>

#include <string>

namespace korvel {

HMODULE moduleHandle() noexcept;
std::wstring modulePath();

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
