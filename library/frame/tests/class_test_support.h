// Shared by the class tests: the KORVEL.dll beside the test program, registered for the run,
// and small helpers for late-bound calls.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"

namespace korvel_test {

using tolvare::com_ptr;
using tolvare::unique_bstr;
using tolvare::unique_variant;

std::wstring besideTestProgram(const wchar_t* fileName);

// An entry point of the library file, loaded once.
FARPROC libraryEntry(const char* name);
HRESULT registerLibrary();
HRESULT unregisterLibrary();

// A new object by programmatic name ("BRASKEDLL.Cls_InitREG").
com_ptr<IDispatch> createByName(const wchar_t* programmaticName);

template <typename I>
com_ptr<I> createByClassId(const CLSID& clsid) {
    com_ptr<I> object;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), object.put_void());
    return object;
}

DISPID dispatchIdOf(IDispatch* object, const wchar_t* member);

// A late-bound call as script engines make it: arguments in natural order, each given as a
// VARIANT (by reference variants point at the caller's variables).
struct CallResult {
    HRESULT status = E_FAIL;
    unique_variant value;
    EXCEPINFO exception{};
    UINT argumentError = UINT(-1);
    ~CallResult();
};
void invoke(CallResult& out, IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments,
            WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);

VARIANT text(const wchar_t* value);       // a by-value string (owned by the call's caller)
VARIANT reference(VARIANT* variable);     // VT_BYREF|VT_VARIANT, as scripts pass variables
VARIANT number(long value);

std::wstring textOf(const VARIANT& v);
std::wstring temporaryFolder();           // a fresh folder for the test's files

}  // namespace korvel_test
