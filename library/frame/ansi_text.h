// Text on its way between automation callers (UTF-16) and the platform's ANSI entry points.
// The rule for every member that calls an ANSI entry point: the caller's text is converted to
// the system ANSI code page for the call, and for a parameter taken by reference the converted
// copy is converted back and stored in the caller's variable afterwards, so the caller sees
// its text unchanged except for characters that the code page cannot hold.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "common/win32/bstr_texts.h"

namespace korvel {

std::string toAnsi(std::wstring_view text);
std::wstring fromAnsi(std::string_view text);

// Whether every character of `text` has its own character in the ANSI code page. The
// conversion above maps the others to look-alikes ("\uff32eport.txt" to "Report.txt", full-width
// dots and backslashes to "..\\"): a path that does not convert exactly would name another file,
// so members that hand a path to the platform refuse it instead, as a file not found.
bool convertsExactly(std::wstring_view text) noexcept;

// A new automation string; throws std::bad_alloc when the platform cannot allocate it.
BSTR makeString(std::wstring_view text);
using tolvare::textOf;

// The ANSI copy of one text argument. A null caller string stays a null pointer, an empty one
// becomes an empty text: the platform gives the two different meanings.
class AnsiArgument {
public:
    // By reference: the copy is written back into *variable when this goes out of scope, unless
    // the code page holds the text only through look-alikes (the variable then keeps the
    // caller's text).
    explicit AnsiArgument(BSTR* variable);
    // By value: nothing is written back.
    explicit AnsiArgument(BSTR value);
    AnsiArgument(const AnsiArgument&) = delete;
    AnsiArgument& operator=(const AnsiArgument&) = delete;
    ~AnsiArgument();

    // The text for the platform call; null when the caller passed a null string.
    const char* get() const noexcept { return null_ ? nullptr : text_.c_str(); }
    // Whether get() is the caller's text itself, not a look-alike (see convertsExactly).
    bool exact() const noexcept { return exact_; }

private:
    BSTR* variable_ = nullptr;
    bool null_;
    std::string text_;
    bool exact_;
    bool lookAlike_;
};

// The first `count` characters of an ANSI buffer as automation text, the buffer read whole
// (NUL characters included) and converted before counting, as a fixed-length text would be.
// A count past the end gives the whole buffer; zero or less gives the empty text.
BSTR leftOfBuffer(const char* buffer, size_t bufferSize, long count);

}  // namespace korvel
