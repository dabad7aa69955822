#include "scheduler/app/text.h"

#include <oleauto.h>

#include <climits>
#include <vector>

namespace tolvare::plenar {

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
