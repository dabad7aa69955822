#include "library/frame/ansi_text.h"

#include <gtest/gtest.h>

#include "common/win32/unique_handle.h"

using namespace korvel;
using tolvare::unique_bstr;

namespace {

TEST(AnsiArgument, WritesTheConvertedCopyBackIntoTheCallersVariable) {
    // The Windows-1252 code page holds é but not the CJK ideograph (nor a best fit for it).
    BSTR variable = SysAllocString(L"café \u4e2d");
    {
        AnsiArgument argument(&variable);
        EXPECT_STREQ(argument.get(), "caf\xe9 ?");
    }
    unique_bstr owner(variable);
    EXPECT_STREQ(owner.get(), L"café ?");
    // A look-alike ("\uff32" would be "R") is not written back: the variable keeps the name.
    BSTR name = SysAllocString(L"\uff32eport.txt");
    { AnsiArgument argument(&name); }
    unique_bstr nameOwner(name);
    EXPECT_STREQ(nameOwner.get(), L"\uff32eport.txt");
}

TEST(AnsiArgument, NullStaysNullAndEmptyStaysEmpty) {
    BSTR null = nullptr;
    {
        AnsiArgument argument(&null);
        EXPECT_EQ(argument.get(), nullptr);
    }
    EXPECT_EQ(null, nullptr);

    unique_bstr empty(SysAllocString(L""));
    AnsiArgument byValue(empty.get());
    ASSERT_NE(byValue.get(), nullptr);
    EXPECT_STREQ(byValue.get(), "");
}

TEST(AnsiArgument, ByValueLeavesTheCallersTextAlone) {
    unique_bstr text(SysAllocString(L"\u03a9"));
    BSTR before = text.get();
    { AnsiArgument argument(text.get()); }
    EXPECT_EQ(text.get(), before);
    EXPECT_STREQ(text.get(), L"\u03a9");
}

TEST(LeftOfBuffer, CountsCharactersOfTheWholeBufferNulsIncluded) {
    const char buffer[8] = {'a', '\0', 'b', '\0', '\0', 'x', 'y', 'z'};
    unique_bstr keys(leftOfBuffer(buffer, sizeof(buffer), 4));
    ASSERT_EQ(SysStringLen(keys.get()), 4u);
    EXPECT_EQ(std::wstring(keys.get(), 4), std::wstring(L"a\0b\0", 4));

    unique_bstr whole(leftOfBuffer(buffer, sizeof(buffer), 300));  // a count past the buffer
    EXPECT_EQ(SysStringLen(whole.get()), 8u);

    unique_bstr none(leftOfBuffer(buffer, sizeof(buffer), 0));
    ASSERT_NE(none.get(), nullptr);
    EXPECT_EQ(SysStringLen(none.get()), 0u);
}

}  // namespace
