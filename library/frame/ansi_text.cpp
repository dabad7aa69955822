#include "library/frame/ansi_text.h"

#include <algorithm>
#include <new>

#include "common/win32/text_conversions.h"

namespace korvel {

std::string toAnsi(std::wstring_view text) { return tolvare::narrow(text, CP_ACP); }

bool convertsExactly(std::wstring_view text) noexcept {
    if (text.empty()) return true;
    // UTF-8 and UTF-7 hold every character, and take neither the flag nor the question.
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8 || codePage == CP_UTF7) return true;
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, &usedDefault);
    return size > 0 && !usedDefault;
}

std::wstring fromAnsi(std::string_view text) { return tolvare::widen(text, CP_ACP); }

BSTR makeString(std::wstring_view text) {
    BSTR s = SysAllocStringLen(text.data(), UINT(text.size()));
    if (!s) throw std::bad_alloc();
    return s;
}

AnsiArgument::AnsiArgument(BSTR* variable) : AnsiArgument(variable ? *variable : nullptr) {
    variable_ = variable;
}

namespace {

// Whether the code page holds some character of `text` only as another character that looks
// like it ("\uff32" as "R"), rather than exactly or as the default character "?".
bool heldAsLookAlike(std::wstring_view text, std::string_view converted) {
    if (text.empty()) return false;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string withoutLookAlikes(size_t(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), withoutLookAlikes.data(), size,
                        nullptr, nullptr);
    return withoutLookAlikes != converted;
}

}  // namespace

AnsiArgument::AnsiArgument(BSTR value)
    : null_(value == nullptr), text_(toAnsi(textOf(value))), exact_(convertsExactly(textOf(value))),
      lookAlike_(!exact_ && heldAsLookAlike(textOf(value), text_)) {}

AnsiArgument::~AnsiArgument() {
    // A text the code page holds only as a look-alike keeps the caller's own text: written back,
    // a refused "\uff32eport.txt" would become "Report.txt", and the variable used again would
    // name the very file the refusal protects. (Characters it lacks altogether come back as "?",
    // as they always have.)
    if (!variable_ || null_ || lookAlike_) return;
    // Writing back may fail only for lack of memory; the caller then keeps its own text.
    try {
        std::wstring back = fromAnsi(text_);
        if (BSTR copy = SysAllocStringLen(back.data(), UINT(back.size()))) {
            SysFreeString(*variable_);
            *variable_ = copy;
        }
    } catch (...) {
    }
}

BSTR leftOfBuffer(const char* buffer, size_t bufferSize, long count) {
    if (count <= 0) return makeString(L"");
    std::wstring whole = fromAnsi(std::string_view(buffer, bufferSize));
    return makeString(std::wstring_view(whole).substr(0, std::min(whole.size(), size_t(count))));
}

}  // namespace korvel
