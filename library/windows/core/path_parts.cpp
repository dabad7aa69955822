#include "library/windows/core/path_parts.h"

namespace korvel::paths {

namespace {

bool startsWithDriveLetter(std::wstring_view path) noexcept {
    if (path.size() < 2 || path[1] != L':') return false;
    wchar_t c = path[0];
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

SplitPath splitPath(std::wstring_view path) noexcept {
    SplitPath result;
    // The length is checked before any backslash is counted: a long path is an overflow
    // whatever it holds.
    if (path.size() > kLongestSplitPath) {
        result.status = SplitStatus::tooLong;
        return result;
    }
    std::size_t backslashes = 0;
    for (wchar_t c : path) {
        if (c == L'\\' && ++backslashes > kMostBackslashes) {
            result.status = SplitStatus::tooManyBackslashes;
            return result;
        }
    }

    PathParts& parts = result.parts;
    std::wstring_view fileName;
    if (backslashes > 0) {
        std::size_t first = path.find(L'\\'), last = path.rfind(L'\\');
        // Only a real drive letter makes a drive part: taking the first two characters of a
        // rooted, UNC or relative path would give "\d" or "\\" or "di", and rebuilding the
        // whole path from its parts would then double or invent characters.
        if (startsWithDriveLetter(path)) parts.drive = path.substr(0, 2);
        parts.folder = path.substr(first, last - first + 1);
        fileName = path.substr(last + 1);
    } else {
        std::size_t colon = path.find(L':');
        fileName = colon == std::wstring_view::npos ? path : path.substr(colon + 1);
    }
    std::size_t dot = fileName.find(L'.');
    parts.name = fileName.substr(0, dot);
    if (dot != std::wstring_view::npos) parts.extension = fileName.substr(dot);
    return result;
}

std::wstring joinParts(const PathParts& parts, int selection) {
    std::wstring result;
    if (selection & kDrivePart) result += parts.drive;
    if (selection & kFolderPart) result += parts.folder;
    if (selection & kNamePart) result += parts.name;
    if (selection & kExtensionPart) result += parts.extension;
    return result;
}

std::wstring_view afterLastBackslash(std::wstring_view path) noexcept {
    std::size_t last = path.rfind(L'\\');
    return last == std::wstring_view::npos ? std::wstring_view() : path.substr(last + 1);
}

std::wstring_view extensionOf(std::wstring_view path) noexcept {
    std::size_t nameStart = path.find_last_of(L"\\:");
    std::wstring_view name = nameStart == std::wstring_view::npos ? path : path.substr(nameStart + 1);
    std::size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view() : name.substr(dot + 1);
}

}  // namespace korvel::paths
