#include "library/windows/core/windows_version.h"

namespace korvel::versions {

std::string_view windowsVersionName(unsigned long platformId, unsigned long major, unsigned long minor) noexcept {
    switch (platformId) {
    case kWin32s:
        return "32s";
    case kWindows9x:
        // The 9x family numbers its releases by the minor version alone.
        if (minor == 0) return "95";
        if (minor == 90) return "ME";
        return "98";
    case kWindowsNT:
        if (major == 3) {
            switch (minor) {
            case 0: return "NT3";
            case 1: return "NT3.1";
            case 5: return "NT3.5";
            case 51: return "NT3.51";
            default: return "";
            }
        }
        if (major == 4) return "NT 4";
        if (major == 5 && minor == 0) return "Win2000";
        if (major == 5 && minor == 1) return "WinXP";
        return "";
    default:
        return "";
    }
}

}  // namespace korvel::versions
