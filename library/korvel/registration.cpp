#include "library/korvel/registration.h"

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"
#include "library/frame/module.h"
#include "library/korvel/class_table.h"

namespace korvel {

using tolvare::unique_hkey;

namespace {

// The automation marshaler (PSOAInterface), standard for dual interfaces described by a
// registered type library.
constexpr wchar_t kAutomationMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kLibraryVersion[] = L"1.0";
#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
#else
constexpr wchar_t kPlatform[] = L"win32";
#endif

std::wstring text(const GUID& guid) {
    wchar_t buffer[40];
    StringFromGUID2(guid, buffer, 40);
    return buffer;
}

std::wstring programmaticName(const ClassEntry& c) { return std::wstring(L"BRASKEDLL.") + c.name; }

std::wstring typeLibraryKey() { return L"TypeLib\\" + text(LIBID_BRASKEDLL); }

std::wstring folderOf(const std::wstring& path) {
    auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

class Writer {
public:
    explicit Writer(HKEY root) : root_(root) {}

    // Sets the value `name` (null: the default value) of the key `path`, creating the key.
    void set(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
        if (FAILED(status_)) return;
        unique_hkey key;
        LONG error = RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
        if (error == ERROR_SUCCESS)
            error = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   DWORD((value.size() + 1) * sizeof(wchar_t)));
        if (error != ERROR_SUCCESS) status_ = HRESULT_FROM_WIN32(error);
    }
    HRESULT status() const { return status_; }

private:
    HKEY root_;
    HRESULT status_ = S_OK;
};

// Deletes the key `path` with everything under it; a key that is not there is no failure.
LONG removeTree(HKEY root, const std::wstring& path) {
    LONG error = RegDeleteTreeW(root, path.c_str());
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

bool hasSubkeys(HKEY root, const std::wstring& path) {
    unique_hkey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

std::wstring defaultValue(HKEY root, const std::wstring& path) {
    wchar_t buffer[128] = {};
    LONG size = sizeof(buffer) - sizeof(wchar_t);
    if (RegQueryValueW(root, path.c_str(), buffer, &size) != ERROR_SUCCESS) return {};
    return buffer;
}

}  // namespace

HRESULT registerServer(HKEY classesRoot, const std::wstring& libraryPath) {
    Writer w(classesRoot);
    const std::wstring library = typeLibraryKey(), version = library + L"\\" + kLibraryVersion;
    w.set(version, nullptr, L"BRASKE..INI REG WINDOWS WAIT");
    w.set(version + L"\\0\\" + kPlatform, nullptr, libraryPath);
    w.set(version + L"\\FLAGS", nullptr, L"0");
    w.set(version + L"\\HELPDIR", nullptr, folderOf(libraryPath));

    size_t count = 0;
    const ClassEntry* classes = classTable(count);
    for (size_t i = 0; i < count; ++i) {
        const ClassEntry& c = classes[i];
        const std::wstring name = programmaticName(c), clsid = text(c.classId);
        const std::wstring classKey = L"CLSID\\" + clsid, interfaceKey = L"Interface\\" + text(c.interfaceId);
        w.set(classKey, nullptr, name);
        w.set(classKey + L"\\InprocServer32", nullptr, libraryPath);
        w.set(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        w.set(classKey + L"\\ProgID", nullptr, name);
        w.set(classKey + L"\\TypeLib", nullptr, text(LIBID_BRASKEDLL));
        w.set(classKey + L"\\VERSION", nullptr, kLibraryVersion);
        w.set(name, nullptr, name);
        w.set(name + L"\\CLSID", nullptr, clsid);
        w.set(interfaceKey, nullptr, std::wstring(L"_") + c.name);
        w.set(interfaceKey + L"\\ProxyStubClsid", nullptr, kAutomationMarshaler);
        w.set(interfaceKey + L"\\ProxyStubClsid32", nullptr, kAutomationMarshaler);
        w.set(interfaceKey + L"\\TypeLib", nullptr, text(LIBID_BRASKEDLL));
        w.set(interfaceKey + L"\\TypeLib", L"Version", kLibraryVersion);
    }
    return w.status();
}

HRESULT unregisterServer(HKEY classesRoot) {
    LONG error = ERROR_SUCCESS;
    auto remove = [&](const std::wstring& path) {
        LONG e = removeTree(classesRoot, path);
        if (error == ERROR_SUCCESS) error = e;
    };
    size_t count = 0;
    const ClassEntry* classes = classTable(count);
    for (size_t i = 0; i < count; ++i) {
        const ClassEntry& c = classes[i];
        const std::wstring name = programmaticName(c), clsid = text(c.classId);
        remove(L"CLSID\\" + clsid);
        // A programmatic name that another server has taken over since is not ours to remove.
        std::wstring owner = defaultValue(classesRoot, name + L"\\CLSID");
        if (owner.empty() || _wcsicmp(owner.c_str(), clsid.c_str()) == 0) remove(name);
    }

    // Interface keys, like class keys, have a view of their own for 32-bit programs on 64-bit
    // Windows: ours are in this library's view.
    for (size_t i = 0; i < count; ++i) remove(L"Interface\\" + text(classes[i].interfaceId));
    // The type library's key is one for both views: the other platform's library (32-bit
    // beside 64-bit) keeps it, and it goes only with the last of the two.
    const std::wstring library = typeLibraryKey(), version = library + L"\\" + kLibraryVersion;
    remove(version + L"\\0\\" + kPlatform);
    if (!hasSubkeys(classesRoot, version + L"\\0")) {
        remove(version);
        if (!hasSubkeys(classesRoot, library)) remove(library);
    }
    return HRESULT_FROM_WIN32(error);
}

}  // namespace korvel
