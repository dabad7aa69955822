#include "common/win32/unique_handle.h"

#include <gtest/gtest.h>

using namespace tolvare;

namespace {

bool isOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, ClosesOnDestructionResetAndMoveAssignment) {
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        unique_handle a(first), b(second);
        a = std::move(b);  // the old value of a is closed, b is left empty
        EXPECT_FALSE(isOpen(first));
        EXPECT_EQ(a.get(), second);
        EXPECT_FALSE(b);
    }
    EXPECT_FALSE(isOpen(second));

    HANDLE third = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    unique_handle c(third);
    *c.put() = nullptr;  // put() closes what was held before handing out the slot
    EXPECT_FALSE(isOpen(third));
    HANDLE fourth = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    c.reset(fourth);
    HANDLE released = c.release();
    EXPECT_TRUE(isOpen(released));
    CloseHandle(released);
}

TEST(UniqueHandle, FileHandlesUseTheInvalidValueNotNull) {
    unique_hfile none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
}

TEST(ComPtr, CountsReferences) {
    com_ptr<ICreateErrorInfo> info;
    ASSERT_EQ(CreateErrorInfo(info.put()), S_OK);
    info->AddRef();
    EXPECT_EQ(info->Release(), 1u);  // only ours
    {
        com_ptr<ICreateErrorInfo> copy = info;
        copy->AddRef();
        EXPECT_EQ(copy->Release(), 2u);
    }
    com_ptr<IErrorInfo> asErrorInfo;
    ASSERT_EQ(info.query(asErrorInfo), S_OK);
    info.reset();
    asErrorInfo->AddRef();
    EXPECT_EQ(asErrorInfo->Release(), 1u);
}

TEST(UniqueVariant, ClearsItsValue) {
    unique_variant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = SysAllocString(L"texte");
    VARIANT moved = v.release();
    EXPECT_EQ(V_VT(v.get()), VT_EMPTY);
    VariantClear(&moved);
}

}  // namespace
