// The keys of window language files and message files: one section per window named by the
// window, keys made of the window's or a control's name, the element number of a control in
// an indexed group, and the text property; messages in section "MSG" as MSG1, MSG2...
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel::language {

inline constexpr wchar_t kMessageSection[] = L"MSG";

// What the platform gives back of a value at most: a read buffer of 255 characters including
// the terminating NUL.
inline constexpr size_t kLongestValueRead = 254;

// "<name>.<property>", or "<name>(<index>).<property>" for an element of an indexed group.
std::wstring propertyKey(std::wstring_view name, std::optional<long> index, std::wstring_view property);

// "MSG<number>" in decimal, without leading zeros or blanks.
std::wstring messageKey(long number);

// A profile file holds one line per value: a text with line breaks is stored behind the mark
// "\~" with "\\", "\r" and "\n" for its backslashes and breaks, and so is a text that starts
// with the mark itself. Any other text is stored as it is, so that files written before, and
// by hand, read as they always did.
inline constexpr std::wstring_view kEscapeMark = L"\\~";
std::wstring storedForm(std::wstring_view text);
std::wstring textOfStoredForm(std::wstring_view stored);

}  // namespace korvel::language
