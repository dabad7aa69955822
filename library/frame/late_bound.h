// Calls on automation objects by name, as a script makes them: the file-system object of the
// scripting runtime and the window objects that clients hand to the language-file members.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/unique_handle.h"

namespace korvel {

class LateBound {
public:
    explicit LateBound(IDispatch* object) noexcept;
    // A new object by programmatic name; run-time error 429 when it cannot be created.
    static LateBound create(const wchar_t* programmaticName);

    IDispatch* get() const noexcept { return object_.get(); }

    // Each answers the status of the call: a raised error as its status (a run-time error n
    // as 0x800A0000 + n), the dispatch failures as they are.
    HRESULT property(const wchar_t* name, VARIANT* value) const noexcept;
    HRESULT setProperty(const wchar_t* name, const VARIANT& value) const noexcept;
    HRESULT call(const wchar_t* name, std::vector<VARIANT> arguments, VARIANT* result) const noexcept;

    // A property read as text; nothing when the read or the conversion fails.
    std::optional<std::wstring> textProperty(const wchar_t* name) const;
    // The objects of the collection, through its standard enumerator; nothing when it has none.
    std::optional<std::vector<tolvare::com_ptr<IDispatch>>> elements() const;

private:
    HRESULT invoke(const wchar_t* name, WORD flags, DISPPARAMS& parameters, VARIANT* result) const noexcept;

    tolvare::com_ptr<IDispatch> object_;
};

// Questions to the platform's scripting file-system object ("Scripting.FileSystemObject"),
// created for each and released after it, as the members that script their file tests use it.
// Throw a RuntimeError when the object cannot be created or the call fails.
bool askFileSystem(const wchar_t* method, std::wstring_view path);          // FileExists, FolderExists
std::wstring fileSystemText(const wchar_t* method, std::wstring_view path);  // GetFileName...

// The status of a run-time error number, as calls report it.
inline HRESULT runtimeStatus(long number) noexcept { return HRESULT(0x800A0000UL + ULONG(number)); }

}  // namespace korvel
