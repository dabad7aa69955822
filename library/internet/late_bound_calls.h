// Calls of an outside automation object by name (the Notes session), in the mode of a script
// whose failing call is skipped and leaves its error pending.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/errors.h"

namespace korvel::internet {

// A failure of a late-bound call, kept as a script's error state keeps it: the last one wins
// until it is cleared.
struct PendingError {
    long number = 0;
    std::wstring description;
    explicit operator bool() const { return number != 0; }
    void clear() { *this = PendingError{}; }
};

// Calls of an outside automation object by name, in the mode where a failing call is skipped
// and leaves its error pending.
class LateBoundCalls {
public:
    PendingError error;

    // Calls `member` of `object` with `arguments` (natural order, by value); the result when the
    // call succeeded.
    std::optional<tolvare::unique_variant> call(IDispatch* object, const wchar_t* member,
                                                std::vector<VARIANT> arguments = {},
                                                WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);

    // As `call`, for a member whose result is an object (a failure when it is none).
    tolvare::com_ptr<IDispatch> object(IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments = {});

private:
    std::nullopt_t fail(const RuntimeError& e);
};

// By-value arguments of the late-bound calls; the strings are owned by the holder.
class Arguments {
public:
    VARIANT text(std::wstring_view value);
    static VARIANT number(long value);
    static VARIANT boolean(bool value);

private:
    std::vector<tolvare::unique_bstr> owned_;
};

}  // namespace korvel::internet
