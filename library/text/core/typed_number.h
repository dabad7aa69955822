// A number as the user typed it, cleaned before it is spelled: blanks go, digits, commas and
// points stay, and a minus sign only in front.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel::typed_number {

// The kept characters, or nothing when a character other than those (or a minus sign past the
// first position, counted once the blanks are gone) was typed. Texts of any length: positions
// are not limited to 16 bits.
std::optional<std::wstring> clean(std::wstring_view typed);

}  // namespace korvel::typed_number
