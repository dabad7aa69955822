#include "library/sql/core/data_sources.h"

#include <algorithm>

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

namespace {

char folded(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// As the driver manager compares data source names: without regard to letter case.
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return folded(x) == folded(y); });
}

}  // namespace

bool DataSourceCheck::add(std::string_view nameBuffer, long nameLength, std::string_view descriptionBuffer,
                          long descriptionLength) {
    // A name longer than the buffer arrives cut (the buffer's last place holds its NUL): it is
    // the wanted name when its length is and what arrived begins the wanted name.
    const bool cut = nameLength >= 0 && !nameBuffer.empty() && size_t(nameLength) >= nameBuffer.size();
    const std::string_view listed = leftOf(nameBuffer, cut ? long(nameBuffer.size() - 1) : nameLength);
    const bool taken = cut ? size_t(nameLength) == wantedName_.size() &&
                                 sameName(listed, std::string_view(wantedName_).substr(0, listed.size()))
                           : sameName(listed, wantedName_);
    if (taken) {
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
