// The short name of a Windows version, as getWindowsVersion gives it, from the platform's
// version record.
#pragma once

#include <string_view>

namespace korvel::versions {

// Platform identifiers of the version record.
inline constexpr unsigned long kWin32s = 0;
inline constexpr unsigned long kWindows9x = 1;
inline constexpr unsigned long kWindowsNT = 2;

// "95", "98", "ME", "32s", "NT3", "NT3.1", "NT3.5", "NT3.51", "NT 4", "Win2000", "WinXP"; the
// empty text for every version these names do not cover (5.2 and later among them).
std::string_view windowsVersionName(unsigned long platformId, unsigned long major, unsigned long minor) noexcept;

}  // namespace korvel::versions
