#include "library/sql/core/data_sources.h"

namespace korvel::sql {

std::wstring doubledApostrophes(std::wstring_view text) {
    std::wstring doubled;
    doubled.reserve(text.size());
    for (wchar_t c : text) {
        doubled.push_back(c);
        if (c == L'\'') doubled.push_back(c);
    }
    return doubled;
}

std::string_view leftOf(std::string_view buffer, long length) noexcept {
    if (length < 0) return {};
    return buffer.substr(0, size_t(length));
}

bool DataSourceCheck::add(std::string_view nameBuffer, long nameLength, std::string_view descriptionBuffer,
                          long descriptionLength) {
    if (leftOf(nameBuffer, nameLength) == wantedName_) {
        nameTaken_ = true;
        return false;
    }
    if (leftOf(descriptionBuffer, descriptionLength) == kAccessDriver) accessDriverSeen_ = true;
    return true;
}

std::wstring DataSourceCheck::answer() const {
    if (nameTaken_) return std::wstring(kNameTaken);
    return accessDriverSeen_ ? std::wstring() : std::wstring(kComponentsMissing);
}

}  // namespace korvel::sql
