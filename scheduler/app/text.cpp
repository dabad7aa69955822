#include "scheduler/app/text.h"

#include <oleauto.h>

#include <climits>
#include <vector>

namespace tolvare::plenar {

std::wstring widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    // The list may hold anything a web server sent; sizes past INT_MAX cannot be converted in
    // one call, and no row of the table is ever that long.
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

scheduler::NumberReading readNumber(const std::wstring& text) {
    scheduler::NumberReading reading;
    // The conversions take a terminated string; a text with a NUL inside is not a number.
    if (text.find(L'\0') != std::wstring::npos) return reading;
    // The conversions' declarations take a writable string, which they only read.
    std::wstring copy = text;
    OLECHAR* chars = copy.data();
    SHORT whole16 = 0;
    if (SUCCEEDED(VarI2FromStr(chars, LOCALE_USER_DEFAULT, 0, &whole16))) reading.whole16 = whole16;
    LONG whole32 = 0;
    if (SUCCEEDED(VarI4FromStr(chars, LOCALE_USER_DEFAULT, 0, &whole32))) reading.whole32 = whole32;
    double value = 0;
    if (SUCCEEDED(VarR8FromStr(chars, LOCALE_USER_DEFAULT, 0, &value))) reading.value = value;
    return reading;
}

std::wstring programPath() {
    // Paths past MAX_PATH are possible on current systems; grow until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring programFolder() {
    const std::wstring path = programPath();
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring upperCase(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

}  // namespace tolvare::plenar
