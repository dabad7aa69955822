#include "library/internet/core/host_text.h"

namespace korvel::internet {

std::string dottedDecimal(const unsigned char* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += '.';
        text += std::to_string(unsigned(bytes[i]));
    }
    return text;
}

std::string_view textBeforeNul(std::string_view text) {
    std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string hardwareAddressText(const unsigned char (&bytes)[6]) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string numberWithSign(long value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string unsupportedVersionMessage(int major, int minor) {
    return "Sockets version " + std::to_string(major) + "." + std::to_string(minor) +
           " is not supported by 32-bit Windows Sockets.";
}

std::string hostNameErrorMessage(long code, bool spacedForm) {
    return "Windows Sockets error " + numberWithSign(code) +
           (spacedForm ? " has occurred.  Unable to successfully get Host Name."
                       : " has occurred. Unable to successfully get Host Name.");
}

}  // namespace korvel::internet
