#include "library/text/core/language_keys.h"

namespace korvel::language {

std::wstring propertyKey(std::wstring_view name, std::optional<long> index, std::wstring_view property) {
    std::wstring key(name);
    if (index) {
        key += L'(';
        key += std::to_wstring(*index);
        key += L')';
    }
    key += L'.';
    key += property;
    return key;
}

std::wstring messageKey(long number) { return L"MSG" + std::to_wstring(number); }

std::wstring storedForm(std::wstring_view text) {
    if (text.find_first_of(L"\r\n") == std::wstring_view::npos && !text.starts_with(kEscapeMark))
        return std::wstring(text);
    std::wstring stored(kEscapeMark);
    for (const wchar_t c : text) {
        if (c == L'\\') stored += L"\\\\";
        else if (c == L'\r') stored += L"\\r";
        else if (c == L'\n') stored += L"\\n";
        else stored += c;
    }
    return stored;
}

std::wstring textOfStoredForm(std::wstring_view stored) {
    if (!stored.starts_with(kEscapeMark)) return std::wstring(stored);
    stored.remove_prefix(kEscapeMark.size());
    std::wstring text;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != L'\\' || i + 1 == stored.size()) {
            text += stored[i];
            continue;
        }
        const wchar_t next = stored[++i];
        text += next == L'r' ? L'\r' : next == L'n' ? L'\n' : next;
    }
    return text;
}

}  // namespace korvel::language
