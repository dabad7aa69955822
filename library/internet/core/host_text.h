// How Cls_Internet writes what the platform tells it about hosts and adapters, and the texts
// of its messages. Platform-free: bytes in, ANSI text out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel::internet {

// Each byte in decimal without leading zeros, joined by "." (10.0.0.1).
std::string dottedDecimal(const unsigned char* bytes, std::size_t count);

// The text before the first NUL character, or the whole text when it has none.
std::string_view textBeforeNul(std::string_view text);

// Six bytes of a hardware address as upper-case hexadecimal pairs joined by blanks.
std::string hardwareAddressText(const unsigned char (&bytes)[6]);

// A number as the automation runtime's Str writes it: one position for the sign, a blank for
// zero and positive numbers (" 3", "-3").
std::string numberWithSign(long value);

// The messages of the sockets members (caption "ERROR").
std::string unsupportedVersionMessage(int major, int minor);
// `code` is the platform's last sockets error; `spacedForm` is the host-name member's wording,
// which has two blanks after "occurred.".
std::string hostNameErrorMessage(long code, bool spacedForm);

// Whether a share name fits the 13-byte name field of the Windows 95/98 share record (a NUL
// follows the last character).
inline constexpr std::size_t kMaxShareNameLength = 12;
inline bool shareNameFits(std::size_t length) { return length <= kMaxShareNameLength; }

}  // namespace korvel::internet
