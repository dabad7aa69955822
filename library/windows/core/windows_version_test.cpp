#include "library/windows/core/windows_version.h"

#include <gtest/gtest.h>

namespace korvel::versions {
namespace {

TEST(WindowsVersionName, EveryNamedRelease) {
    EXPECT_EQ(windowsVersionName(0, 3, 11), "32s");
    EXPECT_EQ(windowsVersionName(1, 4, 0), "95");
    EXPECT_EQ(windowsVersionName(1, 4, 10), "98");
    EXPECT_EQ(windowsVersionName(1, 4, 90), "ME");
    EXPECT_EQ(windowsVersionName(1, 7, 3), "98");  // any other 9x minor version
    EXPECT_EQ(windowsVersionName(2, 3, 0), "NT3");
    EXPECT_EQ(windowsVersionName(2, 3, 1), "NT3.1");
    EXPECT_EQ(windowsVersionName(2, 3, 5), "NT3.5");
    EXPECT_EQ(windowsVersionName(2, 3, 51), "NT3.51");
    EXPECT_EQ(windowsVersionName(2, 4, 0), "NT 4");
    EXPECT_EQ(windowsVersionName(2, 4, 99), "NT 4");
    EXPECT_EQ(windowsVersionName(2, 5, 0), "Win2000");
    EXPECT_EQ(windowsVersionName(2, 5, 1), "WinXP");
}

TEST(WindowsVersionName, LaterAndUnknownVersionsAreEmpty) {
    EXPECT_EQ(windowsVersionName(2, 3, 2), "");
    EXPECT_EQ(windowsVersionName(2, 5, 2), "");
    EXPECT_EQ(windowsVersionName(2, 6, 0), "");
    EXPECT_EQ(windowsVersionName(2, 6, 1), "");
    EXPECT_EQ(windowsVersionName(2, 10, 0), "");
    EXPECT_EQ(windowsVersionName(3, 5, 1), "");  // Windows CE
    EXPECT_EQ(windowsVersionName(0xFFFFFFFF, 4, 0), "");
}

}  // namespace
}  // namespace korvel::versions
