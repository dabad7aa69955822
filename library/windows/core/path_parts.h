// A path taken apart by text rules alone, as GET_NomFichier gives its parts: the disk is never
// looked at, and the path is split at backslashes as written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel::paths {

// Positions inside the path are 16-bit signed values, and at most this many backslashes are
// recorded; the member reports longer paths and further backslashes as run-time errors.
inline constexpr std::size_t kLongestSplitPath = 32767;
inline constexpr std::size_t kMostBackslashes = 20;

enum class SplitStatus {
    split,
    tooLong,             // more than kLongestSplitPath characters (an overflow)
    tooManyBackslashes,  // more than kMostBackslashes (a subscript out of range)
};

// Views into the path that was split.
struct PathParts {
    // "X:" when the path starts with a drive letter and a colon and holds a backslash; empty
    // otherwise (a path without a backslash, a UNC or rooted path, a relative one).
    std::wstring_view drive;
    // From the first backslash through the last one; "\" when there is exactly one; empty when
    // there is none.
    std::wstring_view folder;
    // The file name up to, not including, its first dot.
    std::wstring_view name;
    // The file name from its first dot on, as written: the caller upper-cases it with the
    // platform's casing rules. Empty when the file name has no dot.
    std::wstring_view extension;
};

struct SplitPath {
    SplitStatus status = SplitStatus::split;
    PathParts parts;  // empty unless status is split
};

// The file name is the text after the last backslash; without a backslash, the text after the
// first colon, or the whole path when there is no colon either.
SplitPath splitPath(std::wstring_view path) noexcept;

// Bits of a part selection (the help text of GET_NomFichier names them FN_DRIVE and so on).
enum PartBit : int { kDrivePart = 1, kFolderPart = 2, kNamePart = 4, kExtensionPart = 8 };

// The parts whose bit is set in `selection`, in the order drive, folder, name, extension;
// other bits are ignored.
std::wstring joinParts(const PathParts& parts, int selection);

// The text after the last backslash of `path`; empty when it has none (GetNomFichier_DuChemin).
std::wstring_view afterLastBackslash(std::wstring_view path) noexcept;

// The extension of the file name that ends `path`: the text after the last dot of its last
// component (after the last backslash, or after a drive's colon), without the dot, as written.
// Empty when that name has no dot or ends with one.
std::wstring_view extensionOf(std::wstring_view path) noexcept;

}  // namespace korvel::paths
