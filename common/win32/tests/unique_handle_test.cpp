#include "common/win32/unique_handle.h"

#include <gtest/gtest.h>

#include <string>

using namespace tolvare;

namespace {

// Closing is seen through a named event, which vanishes with its last handle. Asking about the
// handle value instead is unsound: another thread of the process (the runtime's, Wine's) may be
// given the same value the moment it is closed.
std::wstring eventName(int n) {
    return L"unique_handle_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(n);
}
HANDLE namedEvent(int n) { return CreateEventW(nullptr, TRUE, FALSE, eventName(n).c_str()); }
bool exists(int n) {
    unique_handle opened(OpenEventW(SYNCHRONIZE, FALSE, eventName(n).c_str()));
    return static_cast<bool>(opened);
}

TEST(UniqueHandle, ClosesOnDestructionResetAndMoveAssignment) {
    HANDLE first = namedEvent(1);
    HANDLE second = namedEvent(2);
    {
        unique_handle a(first), b(second);
        a = std::move(b);  // the old value of a is closed, b is left empty
        EXPECT_FALSE(exists(1));
        EXPECT_EQ(a.get(), second);
        EXPECT_FALSE(b);
    }
    EXPECT_FALSE(exists(2));

    unique_handle c(namedEvent(3));
    *c.put() = nullptr;  // put() closes what was held before handing out the slot
    EXPECT_FALSE(exists(3));
    c.reset(namedEvent(4));
    HANDLE released = c.release();
    EXPECT_TRUE(exists(4));
    CloseHandle(released);
    EXPECT_FALSE(exists(4));
}

TEST(UniqueHandle, FileHandlesUseTheInvalidValueNotNull) {
    unique_hfile none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
}

// The context active on this thread (the process default when none is: null).
HANDLE currentContext() {
    HANDLE raw = nullptr;
    if (!GetCurrentActCtx(&raw)) return INVALID_HANDLE_VALUE;
    unique_hactctx current(raw);  // GetCurrentActCtx adds a reference
    return current.get();
}

unique_hactctx contextFromManifest(const char* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"unique_actctx_" + std::to_wstring(GetCurrentProcessId()) +
                              L".manifest";
    const std::string text = std::string(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)") +
                             R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)" +
                             R"(<assemblyIdentity type="win32" name=")" + name + R"(" version="1.0.0.0"/></assembly>)";
    {
        unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr)) return {};
    }
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.lpSource = path.c_str();
    unique_hactctx context(CreateActCtxW(&request));
    DeleteFileW(path.c_str());
    return context;
}

TEST(UniqueActCtx, AFailedCreationIsEmpty) {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.lpSource = L"C:\\no such folder\\none.manifest";
    const unique_hactctx context(CreateActCtxW(&request));
    EXPECT_FALSE(context);
}

TEST(UniqueActCtx, ActivationsEndWithTheirScopesInnermostFirst) {
    const unique_hactctx outer = contextFromManifest("Tolvare.Test.Outer");
    const unique_hactctx inner = contextFromManifest("Tolvare.Test.Inner");
    ASSERT_TRUE(outer);
    ASSERT_TRUE(inner);
    const HANDLE before = currentContext();
    {
        ULONG_PTR cookie = 0;
        ASSERT_TRUE(ActivateActCtx(outer.get(), &cookie));
        const unique_actctx_cookie outerActivation(cookie);
        EXPECT_TRUE(outerActivation);
        EXPECT_EQ(currentContext(), outer.get());
        {
            ASSERT_TRUE(ActivateActCtx(inner.get(), &cookie));
            const unique_actctx_cookie innerActivation(cookie);
            EXPECT_EQ(currentContext(), inner.get());
        }
        EXPECT_EQ(currentContext(), outer.get());
    }
    EXPECT_EQ(currentContext(), before);
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
