// How a member's failure reaches its caller. Every member entry point runs its body through
// `guarded`, which turns exceptions into a status and the thread's error object:
//  - a run-time error n (RuntimeError) gives 0x800A0000 + n, or n itself when n is already a
//    status, with source and description in the error object;
//  - a raised error of the library's own (IniLire's) is a RuntimeError with its own number;
//  - std::bad_alloc gives E_OUTOFMEMORY, anything else E_UNEXPECTED.
// Members that turn failures into results or message boxes catch them themselves and use
// `showLibraryMessage`.
#pragma once

#include <windows.h>

#include <new>
#include <string>
#include <string_view>

namespace korvel {

// The application title that the library's messages and error sources carry.
inline constexpr wchar_t kApplicationTitle[] = L"TOLVARE";

// Run-time error numbers used by the members.
enum RuntimeErrorNumber : long {
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kSubscriptOutOfRange = 9,
    kArrayFixedOrLocked = 10,
    kTypeMismatch = 13,
    kBadFileNameOrNumber = 52,
    kFileNotFound = 53,
    kPathFileAccessError = 75,
    kPathNotFound = 76,
    kObjectVariableNotSet = 91,
    kObjectRequired = 424,
    kCannotCreateObject = 429,
    kPropertyOrMethodNotSupported = 438,
    kEntryPointNotFound = 453,
};

class RuntimeError {
public:
    // A run-time error with the standard description of its number and the library's source.
    explicit RuntimeError(long number);
    RuntimeError(long number, std::wstring source, std::wstring description);

    // 0x800A0000 + n for a run-time error number, the number itself when it is a status.
    HRESULT status() const noexcept;
    long number() const noexcept { return number_; }
    const std::wstring& source() const noexcept { return source_; }
    const std::wstring& description() const noexcept { return description_; }

private:
    long number_;
    std::wstring source_;
    std::wstring description_;
};

// The standard French description of a run-time error number ("" when unknown).
std::wstring_view runtimeErrorDescription(long number) noexcept;

// Sets the calling thread's error object and returns `status`.
HRESULT reportFailure(HRESULT status, const IID& iid, std::wstring_view source,
                      std::wstring_view description) noexcept;

// The messages of the member running on this thread that were not shown (unattended use):
// forgotten when a member starts; added to the description of an error it raises.
void forgetUnshownMessages() noexcept;
std::wstring withUnshownMessages(const std::wstring& description);

// Runs a member body (returning HRESULT) and maps every exception to a status and error object.
template <typename Body>
HRESULT guarded(const IID& iid, Body&& body) noexcept {
    forgetUnshownMessages();
    try {
        return body();
    } catch (const RuntimeError& error) {
        try {
            return reportFailure(error.status(), iid, error.source(), withUnshownMessages(error.description()));
        } catch (...) {
            return reportFailure(error.status(), iid, error.source(), error.description());
        }
    } catch (const std::bad_alloc&) {
        return reportFailure(E_OUTOFMEMORY, iid, kApplicationTitle, runtimeErrorDescription(kOutOfMemory));
    } catch (...) {
        return reportFailure(E_UNEXPECTED, iid, kApplicationTitle, L"");
    }
}

// The library's modal message box: OK button, caption TOLVARE unless another is given. Every
// box has OK alone, so a member goes on after it as after the click. Unattended (see
// unattended()), no box: the caption and text go to the debug output and to the description
// of an error the member raises anyway.
void showLibraryMessage(std::wstring_view text, UINT icon = 0, const wchar_t* caption = kApplicationTitle) noexcept;

// Whether nobody may be there to click: the process's window station is not visible (a
// service, a scheduled task run without a session), the environment variable
// KORVEL_SANS_MESSAGES is 1, or HKCU\Software\TOLVARE\KORVEL\SansMessages is a DWORD 1.
// Asked at each box, so that a script may change its mind between calls.
bool unattended() noexcept;

}  // namespace korvel
