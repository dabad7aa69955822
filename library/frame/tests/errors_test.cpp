#include "library/frame/errors.h"

#include <gtest/gtest.h>

#include "common/win32/testing/message_box_watcher.h"
#include "common/win32/unique_handle.h"

using namespace korvel;
using tolvare::com_ptr;
using tolvare::unique_bstr;

namespace {

const IID kSomeInterface = {0x363812C2, 0x5C28, 0x11D6, {0x87, 0x3E, 0x00, 0x01, 0x02, 0xD7, 0x60, 0x84}};

struct ThreadError {
    GUID guid{};
    std::wstring source, description;
};

ThreadError takeThreadError() {
    com_ptr<IErrorInfo> info;
    ThreadError e;
    if (GetErrorInfo(0, info.put()) != S_OK) return e;
    unique_bstr source, description;
    info->GetGUID(&e.guid);
    info->GetSource(source.put());
    info->GetDescription(description.put());
    e.source = source.get() ? source.get() : L"";
    e.description = description.get() ? description.get() : L"";
    return e;
}

TEST(Failures, RunTimeErrorNumbersBecomeAutomationStatuses) {
    EXPECT_EQ(RuntimeError(kOverflow).status(), HRESULT(0x800A0006));
    EXPECT_EQ(RuntimeError(kFileNotFound).status(), HRESULT(0x800A0035));
    // A number that is already a status passes unchanged (the library's own object errors).
    EXPECT_EQ(RuntimeError(long(0x8004FDE8), L"s", L"").status(), HRESULT(0x8004FDE8));
}

TEST(Failures, GuardedSetsTheErrorObjectFromWhatWasThrown) {
    HRESULT hr = guarded(kSomeInterface, []() -> HRESULT { throw RuntimeError(kSubscriptOutOfRange); });
    EXPECT_EQ(hr, HRESULT(0x800A0009));
    ThreadError e = takeThreadError();
    EXPECT_TRUE(IsEqualGUID(e.guid, kSomeInterface));
    EXPECT_EQ(e.source, L"TOLVARE");
    EXPECT_EQ(e.description, L"L'indice n'appartient pas à la sélection");

    EXPECT_EQ(guarded(kSomeInterface, []() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(guarded(kSomeInterface, []() -> HRESULT { throw 42; }), E_UNEXPECTED);
    EXPECT_EQ(guarded(kSomeInterface, [] { return S_OK; }), S_OK);
}

TEST(Failures, UnattendedAMessageGoesToTheErrorTheMemberRaises) {
    // "0" or anything but "1" leaves the boxes as they are.
    SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", L"0");
    EXPECT_FALSE(unattended());
    SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", L"1");
    EXPECT_TRUE(unattended());
    tolvare::testing::MessageBoxAnswerer nobody;
    EXPECT_EQ(guarded(kSomeInterface,
                      []() -> HRESULT {
                          showLibraryMessage(L"Incorrect Format:\n\nHKEY_FOO\\", MB_ICONEXCLAMATION);
                          throw RuntimeError(kFileNotFound);
                      }),
              HRESULT(0x800A0035));
    ThreadError e = takeThreadError();
    EXPECT_EQ(e.description, L"Fichier introuvable (TOLVARE : Incorrect Format:\n\nHKEY_FOO\\)");
    // The next member starts afresh.
    EXPECT_EQ(guarded(kSomeInterface, []() -> HRESULT { throw RuntimeError(kFileNotFound); }), HRESULT(0x800A0035));
    EXPECT_EQ(takeThreadError().description, L"Fichier introuvable");
    SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", nullptr);
    EXPECT_EQ(nobody.answered(), 0);
}

TEST(Failures, LibraryMessagesAreModalBoxesCaptionedTolvare) {
    tolvare::testing::MessageBoxWatcher user(L"TOLVARE");
    showLibraryMessage(L"Incorrect Format:\n\nHKEY_FOO\\", MB_ICONEXCLAMATION);
    ASSERT_TRUE(user.wait());
    EXPECT_EQ(user.seen().text, L"Incorrect Format:\n\nHKEY_FOO\\");
    EXPECT_TRUE(user.seen().hasIcon);

    tolvare::testing::MessageBoxWatcher plain(L"TOLVARE");
    showLibraryMessage(L"sans icône");
    ASSERT_TRUE(plain.wait());
    EXPECT_EQ(plain.seen().text, L"sans icône");
    EXPECT_FALSE(plain.seen().hasIcon);
}

}  // namespace
