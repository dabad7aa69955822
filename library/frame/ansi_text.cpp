#include "library/frame/ansi_text.h"

#include <algorithm>
#include <new>

namespace korvel {

std::string toAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

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

std::wstring fromAnsi(std::string_view text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

BSTR makeString(std::wstring_view text) {
    BSTR s = SysAllocStringLen(text.data(), UINT(text.size()));
    if (!s) throw std::bad_alloc();
    return s;
}

AnsiArgument::AnsiArgument(BSTR* variable) : AnsiArgument(variable ? *variable : nullptr) {
    variable_ = variable;
}

AnsiArgument::AnsiArgument(BSTR value)
    : null_(value == nullptr), text_(toAnsi(textOf(value))), exact_(convertsExactly(textOf(value))) {}

AnsiArgument::~AnsiArgument() {
    if (!variable_ || null_) return;
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
