#include "library/text/core/typed_number.h"

namespace korvel::typed_number {

std::optional<std::wstring> clean(std::wstring_view typed) {
    std::wstring kept;
    kept.reserve(typed.size());
    size_t position = 0;  // among the characters other than blanks
    for (wchar_t c : typed) {
        if (c == L' ') continue;
        bool allowed = (c >= L'0' && c <= L'9') || c == L',' || c == L'.' || (c == L'-' && position == 0);
        if (!allowed) return std::nullopt;
        kept += c;
        ++position;
    }
    return kept;
}

}  // namespace korvel::typed_number
