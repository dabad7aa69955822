// A platform library loaded by name for one call, its entry points found or told as the
// run-time errors a script gets.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/errors.h"

namespace korvel::internet {

// A platform library loaded for one call. Loaded by name, as the component would be found by
// its own programs, so that the program's folder comes first.
class PlatformLibrary {
public:
    explicit PlatformLibrary(const wchar_t* name) : name_(name), module_(LoadLibraryW(name)) {}

    // The entry point, or the run-time error of a missing library or entry point.
    template <typename Function>
    Function entry(const char* function) const {
        if (!module_)
            throw RuntimeError(kFileNotFound, kApplicationTitle,
                               std::wstring(runtimeErrorDescription(kFileNotFound)) + L" : " + name_);
        auto address = GetProcAddress(module_.get(), function);
        if (!address)
            throw RuntimeError(kEntryPointNotFound, kApplicationTitle,
                               std::wstring(runtimeErrorDescription(kEntryPointNotFound)) + L" : " +
                                   fromAnsi(function) + L" (" + name_ + L")");
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    }

private:
    const wchar_t* name_;
    tolvare::unique_hmodule module_;
};

}  // namespace korvel::internet
