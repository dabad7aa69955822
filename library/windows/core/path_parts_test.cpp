#include "library/windows/core/path_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel::paths {
namespace {

// The four parts as one text, separated by bars.
std::wstring partsOf(std::wstring_view path) {
    SplitPath split = splitPath(path);
    EXPECT_EQ(split.status, SplitStatus::split);
    const PathParts& p = split.parts;
    return std::wstring(p.drive) + L"|" + std::wstring(p.folder) + L"|" + std::wstring(p.name) + L"|" +
           std::wstring(p.extension);
}

TEST(SplitPath, DriveFolderNameAndExtension) {
    EXPECT_EQ(partsOf(L"C:\\dir\\sub\\file.txt"), L"C:|\\dir\\sub\\|file|.txt");
    EXPECT_EQ(partsOf(L"d:\\file.txt"), L"d:|\\|file|.txt");
    EXPECT_EQ(partsOf(L"C:\\dir\\"), L"C:|\\dir\\||");
    // The extension starts at the file name's first dot; dots of folders do not count.
    EXPECT_EQ(partsOf(L"file.tar.gz"), L"||file|.tar.gz");
    EXPECT_EQ(partsOf(L"C:\\dir.d\\file"), L"C:|\\dir.d\\|file|");
    EXPECT_EQ(partsOf(L"C:\\dir\\.profile"), L"C:|\\dir\\||.profile");
    EXPECT_EQ(partsOf(L""), L"|||");
    // Embedded NULs are characters like any other.
    EXPECT_EQ(partsOf(std::wstring(L"C:\\a\0b\\c\0.t", 11)), std::wstring(L"C:|\\a\0b\\|c\0|.t", 14));
}

TEST(SplitPath, WithoutABackslashTheFileNameFollowsTheFirstColon) {
    EXPECT_EQ(partsOf(L"C:file.txt"), L"||file|.txt");
    EXPECT_EQ(partsOf(L"a:b:c.d"), L"||b:c|.d");
}

TEST(SplitPath, OnlyADriveLetterMakesADrivePart) {
    EXPECT_EQ(partsOf(L"\\\\server\\share\\file.txt"), L"|\\\\server\\share\\|file|.txt");
    EXPECT_EQ(partsOf(L"\\dir\\file.txt"), L"|\\dir\\|file|.txt");
    EXPECT_EQ(partsOf(L"dir\\sub\\file.txt"), L"|\\sub\\|file|.txt");
    EXPECT_EQ(partsOf(L"3:\\x"), L"|\\|x|");
    EXPECT_EQ(partsOf(L"\u00e9:\\x"), L"|\\|x|");
}

TEST(SplitPath, LimitsOfBackslashesAndLength) {
    EXPECT_EQ(splitPath(std::wstring(20, L'\\') + L"f").status, SplitStatus::split);
    EXPECT_EQ(splitPath(std::wstring(21, L'\\') + L"f").status, SplitStatus::tooManyBackslashes);
    std::wstring longest(kLongestSplitPath, L'a');
    EXPECT_EQ(splitPath(longest).status, SplitStatus::split);
    EXPECT_EQ(splitPath(longest + L"a").status, SplitStatus::tooLong);
    // Both faults at once: the length is the one reported.
    EXPECT_EQ(splitPath(std::wstring(kLongestSplitPath + 1, L'\\')).status, SplitStatus::tooLong);
}

TEST(JoinParts, SelectedPartsInTheirFixedOrder) {
    PathParts parts = splitPath(L"C:\\dir\\sub\\file.txt").parts;
    EXPECT_EQ(joinParts(parts, 0), L"");
    EXPECT_EQ(joinParts(parts, kNamePart | kExtensionPart), L"file.txt");
    EXPECT_EQ(joinParts(parts, kDrivePart | kExtensionPart), L"C:.txt");
    EXPECT_EQ(joinParts(parts, 16 | kFolderPart), L"\\dir\\sub\\");  // other bits are ignored
    for (const wchar_t* path : {L"C:\\dir\\sub\\file.txt", L"\\\\srv\\share\\a.b.c", L"e:\\", L".hidden"}) {
        EXPECT_EQ(joinParts(splitPath(path).parts, 15), path);
        EXPECT_EQ(joinParts(splitPath(path).parts, -1), path);
    }
}

}  // namespace
}  // namespace korvel::paths

namespace korvel::paths {
namespace {

TEST(AfterLastBackslash, TheFileNameOrNothing) {
    EXPECT_EQ(afterLastBackslash(L"C:\\dir\\file.txt"), L"file.txt");
    EXPECT_EQ(afterLastBackslash(L"file.txt"), L"");
    EXPECT_EQ(afterLastBackslash(L"C:\\dir\\"), L"");
    EXPECT_EQ(afterLastBackslash(L"\\\\srv\\share"), L"share");
    EXPECT_EQ(afterLastBackslash(L"C:file.txt"), L"");  // a colon is no separator here
}

TEST(ExtensionOf, TextAfterTheLastDotOfTheName) {
    EXPECT_EQ(extensionOf(L"C:\\dir\\report.final.TXT"), L"TXT");
    EXPECT_EQ(extensionOf(L"archive.tar.gz"), L"gz");
    EXPECT_EQ(extensionOf(L"C:\\dir.d\\file"), L"");  // the folder's dot is not the name's
    EXPECT_EQ(extensionOf(L"C:notes.md"), L"md");
    EXPECT_EQ(extensionOf(L"name."), L"");
    EXPECT_EQ(extensionOf(L".profile"), L"profile");
    EXPECT_EQ(extensionOf(L"."), L"");
    EXPECT_EQ(extensionOf(L""), L"");
    EXPECT_EQ(extensionOf(std::wstring(40000, L'.')), L"");
}

}  // namespace
}  // namespace korvel::paths
