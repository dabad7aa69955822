#include "scheduler/core/list_validators.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

TEST(ListValidators, RoundTripAndWhatIsRefused) {
    const ListValidators whole{"https://a/l.txt", listDigest("07:45=b\r\n"), "W/\"x y\"", "Tue, 02 Jan 2024 10:00:00 GMT"};
    EXPECT_EQ(parseValidators(formatValidators(whole)), whole);
    const ListValidators tagOnly{"http://a/", listDigest(""), "\"1\"", ""};
    EXPECT_EQ(parseValidators(formatValidators(tagOnly)), tagOnly);

    for (const char* text : {"", "address http://a/\r\ndigest 1-0\r\n", "etag \"1\"\r\n",
                             "address http://a/\r\ndigest 1-0\r\netag \"1\"\r\nother x\r\n", "garbage"})
        EXPECT_FALSE(parseValidators(text)) << text;

    // A validator that cannot be a field value is not kept.
    const ListValidators broken{"http://a/", "1-0", "\"1\"\r\nX: y", ""};
    EXPECT_FALSE(parseValidators(formatValidators(broken)));
}

TEST(ListValidators, TheDigestTellsAnyChangeApart) {
    const std::string list = "07:45=C:\\Windows\\notepad.exe\r\n12:00=http://a/\r\n";
    EXPECT_EQ(listDigest(list), listDigest(std::string(list)));
    for (const std::string& other : {list + " ", list.substr(1), std::string("17:45") + list.substr(5), std::string()})
        EXPECT_NE(listDigest(other), listDigest(list)) << other;
}

}  // namespace
}  // namespace tolvare::scheduler
