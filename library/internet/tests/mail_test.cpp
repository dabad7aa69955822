// The mail members of Cls_Internet through the real library: the message file and its opening
// by the program associated with message files (a recorder), and the Notes session driven by
// name, against no registered Notes (the failure path) and against a session object of the
// test's own that records every call and fails where it is told to. Every message box is read
// and answered.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/testing/message_box_watcher.h"
#include "common/win32/testing/top_level_windows.h"
#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;
using tolvare::testing::SeenMessageBox;

namespace {

BOOL CALLBACK readStatic(HWND child, LPARAM parameter) {
    auto* seen = reinterpret_cast<SeenMessageBox*>(parameter);
    if (tolvare::testing::windowClass(child) != L"Static") return TRUE;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0)) seen->hasIcon = true;
    } else if (std::wstring text = tolvare::testing::windowText(child); !text.empty()) {
        seen->text = text;
    }
    return TRUE;
}

// Runs `call` on a thread of its own (with its own apartment) and answers every message box
// it shows, one after the other, as a user pressing OK; the boxes in the order they came.
std::vector<SeenMessageBox> boxesShownBy(const std::function<void()>& call) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        CoInitialize(nullptr);
        call();
        CoUninitialize();
        done = true;
    });
    std::vector<SeenMessageBox> boxes;
    const DWORD self = GetCurrentProcessId();
    while (!done) {
        if (HWND box = tolvare::testing::findTopLevel(self, L"#32770", {}, nullptr, true)) {
            // A box can be visible a moment before its text is set: read until there is one.
            SeenMessageBox seen;
            for (int attempt = 0; attempt < 50 && seen.text.empty(); ++attempt) {
                if (attempt > 0) Sleep(10);
                seen = SeenMessageBox{};
                seen.caption = tolvare::testing::windowText(box);
                EnumChildWindows(box, readStatic, reinterpret_cast<LPARAM>(&seen));
            }
            boxes.push_back(seen);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
        }
        Sleep(20);
    }
    worker.join();
    return boxes;
}

// A Notes session of the test's own: every object it hands out records the calls made on it,
// by name, with their arguments, into one list, and the call named `failAt` fails with the
// description "refused: <name>".
class FakeNotes final : public IDispatch {
public:
    struct Shared {
        std::vector<std::wstring> calls;
        std::wstring failAt;
        HRESULT failWith = DISP_E_EXCEPTION;
        long itemType = 1;
    };
    static tolvare::com_ptr<IDispatch> make(std::wstring role, std::shared_ptr<Shared> shared) {
        return tolvare::com_ptr<IDispatch>::attach(new FakeNotes(std::move(role), std::move(shared)));
    }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) {
            std::wstring name = names[i];
            for (auto& c : name) c = wchar_t(towupper(c));
            auto [it, added] = ids_.try_emplace(name, DISPID(ids_.size() + 1));
            ids[i] = it->second;
        }
        return S_OK;
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                          UINT*) override {
        std::wstring name;
        for (const auto& [n, i] : ids_)
            if (i == id) name = n;
        std::wstring call = role_ + L"." + name + L"(";
        for (UINT k = params->cArgs; k-- > 0;) {
            VARIANT text;
            VariantInit(&text);
            VariantChangeType(&text, &params->rgvarg[k], VARIANT_ALPHABOOL, VT_BSTR);
            call += (k + 1 == params->cArgs ? L"" : L",") + textOf(text);
            VariantClear(&text);
        }
        shared_->calls.push_back(call + L")");
        if (name == shared_->failAt) {
            if (shared_->failWith != DISP_E_EXCEPTION) return shared_->failWith;
            std::memset(exception, 0, sizeof *exception);
            exception->scode = E_FAIL;  // an object's own failure: a negative error number
            exception->bstrDescription = SysAllocString((L"refused: " + name).c_str());
            return DISP_E_EXCEPTION;
        }
        if (result) VariantInit(result);
        auto object = [&](const wchar_t* role) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = make(role, shared_).detach();
        };
        if (name == L"GETDATABASE") object(L"database");
        if (name == L"CREATEDOCUMENT") object(L"document");
        if (name == L"CREATERICHTEXTITEM") object(L"item");
        if (name == L"TYPE") {
            V_VT(result) = VT_I4;
            V_I4(result) = shared_->itemType;
        }
        return S_OK;
    }

private:
    FakeNotes(std::wstring role, std::shared_ptr<Shared> shared) : role_(std::move(role)), shared_(std::move(shared)) {}
    std::atomic<ULONG> references_{1};
    std::wstring role_;
    std::shared_ptr<Shared> shared_;
    std::map<std::wstring, DISPID> ids_;
};

struct NotesCall {
    std::wstring to = L"dest@site.fr", subject = L"Sujet", body = L"Texte", attachment;
    bool confirm = false;
};

// One EcrireEmail_LotusNotes call on a new object whose session is `session` (none: the
// member creates it by name); the boxes it showed.
std::vector<SeenMessageBox> sendThroughNotes(IDispatch* session, const NotesCall& c) {
    return boxesShownBy([&] {
        com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
        ASSERT_TRUE(internet);
        if (session) {
            ASSERT_EQ(internet->putref_NSession(session), S_OK);
        }
        BSTR texts[4] = {SysAllocString(c.to.c_str()), SysAllocString(c.subject.c_str()), SysAllocString(c.body.c_str()),
                         SysAllocString(c.attachment.c_str())};
        VARIANT_BOOL confirm = c.confirm ? VARIANT_TRUE : VARIANT_FALSE;
        EXPECT_EQ(internet->EcrireEmail_LotusNotes(&texts[0], &texts[1], &texts[2], &texts[3], &confirm), S_OK);
        for (BSTR t : texts) SysFreeString(t);
    });
}

std::vector<std::wstring> textsOf(const std::vector<SeenMessageBox>& boxes) {
    std::vector<std::wstring> texts;
    for (const auto& b : boxes) texts.push_back(b.text);
    return texts;
}

TEST(LotusNotes, WithoutNotesTheMailboxFailureIsToldTwice) {
    CLSID none;
    ASSERT_FALSE(SUCCEEDED(CLSIDFromProgID(L"Notes.Notessession", &none))) << "a Notes session is registered here";
    std::vector<SeenMessageBox> boxes = sendThroughNotes(nullptr, {});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, L"TOLVARE");
    EXPECT_EQ(boxes[0].text, L"Error opening Notes mailbox: Variable objet ou variable de bloc With non définie");
    EXPECT_FALSE(boxes[0].hasIcon);
    EXPECT_EQ(boxes[1].text, L"Unable to connect to Notes mailbox ... Exiting!");
    EXPECT_TRUE(boxes[1].hasIcon) << "the critical-error icon";
    // The session stays empty after a failed creation.
    com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    IDispatch* session = reinterpret_cast<IDispatch*>(0xdeadbeef);
    ASSERT_EQ(internet->get_NSession(&session), S_OK);
    EXPECT_EQ(session, nullptr);
}

TEST(LotusNotes, ASessionSetByTheCallerIsDrivenInOrderAndKept) {
    auto shared = std::make_shared<FakeNotes::Shared>();
    auto session = FakeNotes::make(L"session", shared);
    NotesCall c;
    c.attachment = L"C:\\rapport.txt";
    c.confirm = true;
    EXPECT_EQ(textsOf(sendThroughNotes(session.get(), c)), std::vector<std::wstring>{L"Notes Sendmail OK."});
    EXPECT_EQ(shared->calls, (std::vector<std::wstring>{
                                 L"session.GETDATABASE(,Mail\\user.nsf)", L"database.OPENMAIL()",
                                 L"database.CREATEDOCUMENT()", L"document.REPLACEITEMVALUE(Subject,Sujet)",
                                 L"document.REPLACEITEMVALUE(Body,Texte)",
                                 L"document.REPLACEITEMVALUE(SendTo,dest@site.fr)",
                                 L"document.CREATERICHTEXTITEM(Attach)", L"item.TYPE()",
                                 L"item.EMBEDOBJECT(1454,,C:\\rapport.txt)", L"document.SEND(False)"}));
    // No attachment: the item is never touched; no confirmation asked: nothing shown.
    shared->calls.clear();
    EXPECT_TRUE(sendThroughNotes(session.get(), {}).empty());
    EXPECT_EQ(shared->calls.size(), 7u);
    for (const auto& call : shared->calls) EXPECT_EQ(call.find(L"item."), std::wstring::npos) << call;

    com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    ASSERT_EQ(internet->putref_NSession(session.get()), S_OK);
    IDispatch* kept = nullptr;
    ASSERT_EQ(internet->get_NSession(&kept), S_OK);
    EXPECT_EQ(kept, session.get());
    if (kept) kept->Release();
    // Late-bound, as a script sets and reads it.
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    VARIANT object;
    VariantInit(&object);
    V_VT(&object) = VT_DISPATCH;
    V_DISPATCH(&object) = session.get();
    CallResult put;
    invoke(put, late.get(), L"NSession", {object}, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(put.status, S_OK);
    CallResult get;
    invoke(get, late.get(), L"NSession", {}, DISPATCH_PROPERTYGET);
    EXPECT_EQ(get.status, S_OK);
    EXPECT_EQ(V_VT(get.value.get()), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(get.value.get()), session.get());
}

TEST(LotusNotes, EveryStepsFailureIsToldWithItsDescription) {
    struct Case {
        const wchar_t* failAt;
        std::vector<std::wstring> messages;
        long itemType = 1;
    } cases[] = {
        {L"GETDATABASE",
         {L"Error opening Notes mailbox: Variable objet ou variable de bloc With non définie",
          L"Unable to connect to Notes mailbox ... Exiting!"}},
        {L"OPENMAIL", {L"Error opening Notes mailbox: refused: OPENMAIL", L"Unable to connect to Notes mailbox ... Exiting!"}},
        {L"CREATEDOCUMENT", {L"Error on Notes SendMail: refused: CREATEDOCUMENT"}},
        // An object's own failure has a negative number; it is told all the same, and the
        // message is not reported sent.
        {L"REPLACEITEMVALUE", {L"Error on Notes SendMail: refused: REPLACEITEMVALUE", L"Notes Sendmail OK."}},
        {L"CREATERICHTEXTITEM", {L"Notes Sendmail OK."}},
        {L"TYPE", {L"Error on Notes SendMail - not Rich Text", L"Notes Sendmail OK."}},
        {L"", {L"Error on Notes SendMail - not Rich Text", L"Notes Sendmail OK."}, 2},
        {L"EMBEDOBJECT", {L"Error sending attachment: refused: EMBEDOBJECT", L"Notes Sendmail OK."}},
        {L"SEND", {L"Error on Notes SendMail: refused: SEND"}},
    };
    for (const Case& c : cases) {
        auto shared = std::make_shared<FakeNotes::Shared>();
        shared->failAt = c.failAt;
        shared->itemType = c.itemType;
        NotesCall call;
        call.attachment = L"C:\\piece jointe.doc";
        call.confirm = true;
        std::vector<SeenMessageBox> boxes = sendThroughNotes(FakeNotes::make(L"session", shared).get(), call);
        EXPECT_EQ(textsOf(boxes), c.messages) << c.failAt;
        for (const auto& box : boxes) EXPECT_EQ(box.caption, L"TOLVARE");
    }
}

// The message file beside the library, and the association of message files.
class OutlookExpressTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring folder = temporaryFolder();
        recorder_ = folder + L"\\mail_recorder.exe";
        ASSERT_TRUE(CopyFileW(besideTestProgram(L"rundll32.exe").c_str(), recorder_.c_str(), FALSE));
        set(L"Software\\Classes\\.eml", L"KorvelTestMessage");
        set(L"Software\\Classes\\KorvelTestMessage\\shell\\open\\command", L"\"" + recorder_ + L"\" \"%1\"");
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.eml");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\KorvelTestMessage");
    }
    static void set(const std::wstring& key, const std::wstring& value) {
        tolvare::unique_hkey opened;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    // The message file the recorder was given: the last quoted part of its command line.
    static std::string messageFileOf(const std::string& run) {
        const std::size_t close = run.rfind('"');
        const std::size_t open = close == std::string::npos ? close : run.rfind('"', close - 1);
        if (open == std::string::npos) return "<no file in " + run + ">";
        std::ifstream file(run.substr(open + 1, close - open - 1).c_str(), std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    // The unsent message files in the user's temporary folder.
    static std::set<std::wstring> messageFiles() {
        wchar_t folder[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, folder);
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((std::wstring(folder) + L"~KEM*.eml").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.insert(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    // The recorder's runs, waiting up to `count` of them.
    std::vector<std::string> runs(size_t count) {
        std::vector<std::string> lines;
        for (int i = 0; i < 300; ++i, Sleep(100)) {
            lines.clear();
            std::ifstream file((recorder_ + L".log").c_str());
            for (std::string line; std::getline(file, line);) lines.push_back(line);
            if (lines.size() >= count) break;
        }
        return lines;
    }

    std::wstring recorder_;
};

TEST_F(OutlookExpressTest, TheFileHoldsTheHeaderAndBodyAndIsOpened) {
    com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    BSTR t[6] = {SysAllocString(L"moi@ici.fr"), SysAllocString(L"toi@la.fr"), SysAllocString(L""), SysAllocString(L""),
                 SysAllocString(L"Bonjour"), SysAllocString(L"Ligne 1\r\nLigne 2")};
    short priority = 3;
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_EQ(internet->EcrireEmail_OutlookExpress(&t[0], &t[1], &t[2], &t[3], &t[4], &priority, &t[5], &done), S_OK);
    EXPECT_EQ(done, VARIANT_TRUE);
    // A second message at once gets a file of its own.
    BSTR other = SysAllocString(L"autre@la.fr");
    ASSERT_EQ(internet->EcrireEmail_OutlookExpress(&t[0], &other, &t[2], &t[3], &t[4], &priority, &t[5], &done), S_OK);
    std::vector<std::string> opened = runs(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0], opened[1]);
    EXPECT_NE(opened[0].find("~KEM"), std::string::npos) << opened[0];
    EXPECT_EQ(messageFileOf(opened[0]), "From: <moi@ici.fr>\r\nTo: \"toi@la.fr\"\r\nSubject: Bonjour\r\nX-Priority: 3 \r\n"
                                        "X-Unsent: 1\r\n\r\nLigne 1\r\nLigne 2\r\n");
    EXPECT_NE(messageFileOf(opened[1]).find("To: \"autre@la.fr\""), std::string::npos);
    SysFreeString(other);
    for (BSTR s : t) SysFreeString(s);
}

TEST_F(OutlookExpressTest, NoRecipientWritesAndOpensNothing) {
    const std::set<std::wstring> before = messageFiles();
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    VARIANT v[7] = {text(L"a@b"), text(L""), text(L"cc"), text(L"bcc"), text(L"s"), number(1), text(L"body")};
    std::vector<VARIANT> args;
    for (VARIANT& x : v) args.push_back(reference(&x));
    CallResult r;
    invoke(r, late.get(), L"EcrireEmail_OutlookExpress", args);
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(r.value.get()), VARIANT_FALSE);
    EXPECT_EQ(messageFiles(), before);
    Sleep(500);
    EXPECT_TRUE(runs(0).empty());
    for (VARIANT& x : v) VariantClear(&x);
}

TEST_F(OutlookExpressTest, LineBreaksInRecipientsAddNoHeaderLine) {
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    VARIANT v[7] = {text(L"a@b"), text(L"x@y\r\nBcc: spy@evil"), text(L"c\nd"), text(L""),
                    text(L"s\r\nX-Unsent: 0"), number(-1), text(L"body\r\nBcc: body")};
    std::vector<VARIANT> args;
    for (VARIANT& x : v) args.push_back(reference(&x));
    CallResult r;
    invoke(r, late.get(), L"EcrireEmail_OutlookExpress", args);
    ASSERT_EQ(r.status, S_OK);
    const std::vector<std::string> opened = runs(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(messageFileOf(opened[0]), "From: <a@b>\r\nTo: \"x@y Bcc: spy@evil\"\r\nCC: \"c d\"\r\nSubject: s X-Unsent: 0\r\n"
                                        "X-Priority:-1 \r\nX-Unsent: 1\r\n\r\nbody\r\nBcc: body\r\n");
    for (VARIANT& x : v) VariantClear(&x);
}

}  // namespace
