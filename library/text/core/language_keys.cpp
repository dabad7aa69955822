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

}  // namespace korvel::language
