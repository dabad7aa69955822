// Cls_InitREG's registry rules that need no platform: the key path split into its root and
// subkey, the seven root names, the French messages of registry result codes, and how a text
// read into the fixed working buffer becomes the member's result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::registry {

// The predefined key handles as 32-bit values (HKEY_CLASSES_ROOT is 0x80000000, and so on);
// 0 for a name that is none of the seven.
std::uint32_t rootKeyOf(std::wstring_view rootName) noexcept;

struct KeyPath {
    // False when the path does not begin with "HKEY_" or ends with a backslash: the caller is
    // told "Incorrect Format:" and nothing else happens (its variable keeps its text).
    bool wellFormed = false;
    // The root's handle value, 0 when the root name is unknown.
    std::uint32_t root = 0;
    // What the caller's path variable becomes: the text after the first backslash, or empty
    // when the path is a root name alone.
    std::wstring subkey;
};

KeyPath parseKeyPath(std::wstring_view path);

// A message box of the library's kind shows at most this many characters of its text.
inline constexpr std::size_t kLongestMessage = 1024;

// The text of the "Incorrect Format:" message for `path`, cut to what a message box shows.
std::wstring incorrectFormatMessage(std::wstring_view path);

// ErrorMsg's text for a registry result code.
std::wstring errorMessage(long code);

// LireREG_STRING's result from its working buffer (255 blanks overwritten by the stored text
// and its terminating NUL): blanks trimmed at both ends, then the last character (the NUL)
// dropped. A buffer of blanks only (a value stored with no data at all) gives the empty text.
std::wstring textOfStringBuffer(std::wstring_view buffer);

// Whether a subkey path may be handed to the key deletion: never the root key itself (an
// empty path), nor a path whose first name is empty.
bool deletableSubkey(std::wstring_view subkey) noexcept;

}  // namespace korvel::registry
