// The eleven creatable classes of KORVEL.dll: what DllGetClassObject and registration need of
// each. The DLL's root alone knows every class; the classes and the frame know none of it.
#pragma once

#include <windows.h>

#include <cstddef>

namespace korvel {

struct ClassEntry {
    const CLSID& classId;
    const IID& interfaceId;
    const wchar_t* name;  // class name; the programmatic name is "BRASKEDLL." + name
    HRESULT (*create)(REFIID riid, void** object);
};

// The eleven classes in type-library order.
const ClassEntry* classTable(std::size_t& count) noexcept;

}  // namespace korvel
