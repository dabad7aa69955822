#include "common/win32/text_conversions.h"

#include <climits>

namespace tolvare {

std::wstring widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    // A list may hold anything a web server sent; sizes past INT_MAX cannot be converted in one
    // call, and no row of the table is ever that long.
    const int length = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), needed);
    return out;
}

std::string narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

}  // namespace tolvare
