// ExecuterURL, PartageRep and ShareFolder9x through the real library. The share services are
// stand-ins that record the record they receive (share_service_stand_ins.cpp): a client program
// runs in a folder beside them, where the system is Windows 98 for it (ShareFolder9x), or takes
// the NT-family service from that folder (PartageRep: the suite's environment lets Wine take
// netapi32 from a program's folder, see CMakeLists.txt). Without them, the members meet Wine's
// own services: ShareFolder9x must then refuse without calling anything.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/win32/testing/message_box_watcher.h"
#include "library/frame/tests/class_test_support.h"
#include "library/internet/tests/child_process.h"

using namespace korvel_test;

namespace {

constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);
constexpr HRESULT kSubscriptOutOfRange = HRESULT(0x800A0009);
constexpr HRESULT kDuplicateShareRaised = HRESULT(0x800A0846);  // 2118 raised as an error number

std::vector<std::string> linesOf(const std::wstring& path) {
    std::ifstream file(path.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string hexOf(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hr));
    return text;
}

// The share client in a folder of its own beside both stand-ins.
class ShareClient {
public:
    explicit ShareClient(std::wstring version) {
        child_.folder = temporaryFolder();
        child_.program = besideTestProgram(L"share_client.exe");
        // A name of this build's own: the 32-bit and 64-bit suites may run at once.
        child_.name = L"korvel_share_client_" + std::to_wstring(sizeof(void*) * 8) + L".exe";
        child_.besides = {{besideTestProgram(L"svrapi_stand_in.dll"), L"svrapi.dll"},
                          {besideTestProgram(L"netapi32_stand_in.dll"), L"netapi32.dll"}};
        child_.windowsVersion = std::move(version);
    }
    // Runs the calls; one "status result" line per call.
    std::vector<std::string> run(const std::vector<std::wstring>& calls) {
        std::wstring arguments = L"\"" + child_.folder + L"\\results.txt\"";
        for (const auto& call : calls) arguments += L" \"" + call + L"\"";
        EXPECT_EQ(runChildProgram(child_, arguments), 0);
        return linesOf(child_.folder + L"\\results.txt");
    }
    std::vector<std::string> log(const wchar_t* service) { return linesOf(child_.folder + L"\\" + service + L".log"); }

private:
    ChildProgram child_;
};

// Where the record's pointers sit depends on the bitness; the 9x record is byte-packed.
const std::string kShareInfo50Size = std::to_string(34 + 2 * sizeof(void*));

TEST(ShareFolder9x, OnWindows98TheServiceGetsThePackedRecordWithThePathUpperCased) {
    ShareClient client(L"win98");
    std::vector<std::string> results = client.run({L"9x|DOCUMENTS_12|c:\\data\\Sub Folder|Mes documents",
                                                   L"9x|DOCUMENTS_12|c:\\other|again",
                                                   L"9x|ABCDEFGHIJKLM|c:\\x|thirteen",
                                                   L"9x||c:\\empty|"});
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0], "00000000 0");
    EXPECT_EQ(results[1], hexOf(kDuplicateShareRaised) + " 0") << "the service's refusal is raised as its number";
    EXPECT_EQ(results[2], hexOf(kSubscriptOutOfRange) + " 0");
    EXPECT_EQ(results[3], "00000000 0");
    std::vector<std::string> log = client.log(L"svrapi.dll");
    ASSERT_EQ(log.size(), 3u) << "the thirteen-character name reached the service";
    const std::string zeros(36, '0');
    EXPECT_EQ(log[0], "level=50 size=" + kShareInfo50Size +
                          " server=[] result=0 name=[DOCUMENTS_12] namebytes=444f43554d454e54535f313200 type=0 "
                          "flags=258 remark=[Mes documents] path=[C:\\DATA\\SUB FOLDER] passwords=" + zeros);
    EXPECT_NE(log[1].find("result=2118 name=[DOCUMENTS_12]"), std::string::npos) << log[1];
    EXPECT_NE(log[2].find("name=[] namebytes=00000000000000000000000000 "), std::string::npos) << log[2];
    EXPECT_TRUE(client.log(L"netapi32.dll").empty());
}

TEST(PartageRep, TheNtServiceGetsLevelTwoWithNullPointersForEmptyTexts) {
    ShareClient client(L"");
    std::vector<std::string> results = client.run({L"nt||C:\\data|KORVEL1|Remarque|",
                                                   L"nt||C:\\data|KORVEL1|Remarque|",
                                                   L"nt|\\\\SERVEUR|C:\\d|KORVEL2||secret",
                                                   L"nt|||||",
                                                   L"9x|NT|C:\\data|no 9x service"});
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0], "00000000 0");
    EXPECT_EQ(results[1], "00000000 2118") << "the platform's status is the result, not an error";
    EXPECT_EQ(results[2], "00000000 0");
    EXPECT_EQ(results[4], hexOf(kFileNotFound) + " 0") << "the 9x member on an NT-family system";
    std::vector<std::string> log = client.log(L"netapi32.dll");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "level=2 server=[] result=0 name=[KORVEL1] type=0 remark=[Remarque] permissions=127 "
                      "max_uses=-1 current_uses=0 path=[C:\\data] password=<null> error_index=given");
    EXPECT_NE(log[1].find("result=2118 name=[KORVEL1]"), std::string::npos);
    EXPECT_EQ(log[2], "level=2 server=[\\\\SERVEUR] result=0 name=[KORVEL2] type=0 remark=<null> permissions=127 "
                      "max_uses=-1 current_uses=0 path=[C:\\d] password=[secret] error_index=given");
    EXPECT_NE(log[3].find("name=[] type=0 remark=<null>"), std::string::npos) << log[3];
    EXPECT_TRUE(client.log(L"svrapi.dll").empty()) << "the 9x service was called on an NT-family system";
}

TEST(ShareFolder9x, NameLimitComesBeforeThePlatformAndNtRefusesWithoutACall) {
    // This process is an NT-family one, with Wine's own svrapi, which faults when called.
    com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    ASSERT_TRUE(internet);
    for (const auto& [length, expected] : {std::pair{size_t(13), kSubscriptOutOfRange},
                                           std::pair{size_t(1000), kSubscriptOutOfRange},
                                           std::pair{size_t(12), kFileNotFound}, std::pair{size_t(0), kFileNotFound}}) {
        std::wstring name(length, L'N');
        BSTR texts[3] = {SysAllocStringLen(name.data(), UINT(name.size())), SysAllocString(L"C:\\"), SysAllocString(L"d")};
        EXPECT_EQ(internet->ShareFolder9x(&texts[0], &texts[1], &texts[2]), expected) << length;
        for (BSTR t : texts) SysFreeString(t);
    }
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    CallResult r;
    invoke(r, late.get(), L"ShareFolder9x", {text(L"PLENAR1"), text(L"C:\\"), text(L"PLENAR1")});
    ASSERT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, kFileNotFound);
    EXPECT_NE(std::wstring(r.exception.bstrDescription ? r.exception.bstrDescription : L"").find(L"svrapi.dll"),
              std::wstring::npos);
    EXPECT_EQ(internet->ShareFolder9x(nullptr, nullptr, nullptr), E_POINTER);
    LONG status = 0;
    EXPECT_EQ(internet->PartageRep(nullptr, nullptr, nullptr, nullptr, nullptr, &status), E_POINTER);
}

// Starts the shell's "Open" verb on a document whose type is associated with a recorder.
TEST(ExecuterURL, OpensTheAddressWithItsAssociatedProgramAndKeepsTheText) {
    const std::wstring folder = temporaryFolder();
    const std::wstring recorder = folder + L"\\url_recorder.exe";
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"rundll32.exe").c_str(), recorder.c_str(), FALSE));
    const std::wstring document = folder + L"\\page.kvurl";
    { std::ofstream(document.c_str()) << "x"; }
    class Association {
    public:
        explicit Association(const std::wstring& program) {
            set(L"Software\\Classes\\.kvurl", L"KorvelTestUrl");
            set(L"Software\\Classes\\KorvelTestUrl\\shell\\open\\command", L"\"" + program + L"\" \"%1\"");
        }
        ~Association() {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.kvurl");
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\KorvelTestUrl");
        }

    private:
        static void set(const std::wstring& key, const std::wstring& value) {
            tolvare::unique_hkey opened;
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(), nullptr);
            RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD((value.size() + 1) * sizeof(wchar_t)));
        }
    } association(recorder);

    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    VARIANT address = text(document.c_str());
    VARIANT owner = number(0);
    CallResult r;
    invoke(r, late.get(), L"ExecuterURL", {reference(&address), reference(&owner)});
    EXPECT_EQ(r.status, S_OK);
    EXPECT_EQ(textOf(address), document);
    std::string log;
    for (int i = 0; i < 300 && log.empty(); ++i, Sleep(100)) {
        std::ifstream file((recorder + L".log").c_str());
        std::getline(file, log);
    }
    EXPECT_NE(log.find("page.kvurl"), std::string::npos) << "the associated program was not started: " << log;
    VariantClear(&address);
    // Early-bound, nothing associated: the shell's failure is not the member's.
    com_ptr<_Cls_Internet> internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    BSTR none = SysAllocString(L"C:\\no such folder\\nothing.kvnone");
    LONG window = 0;
    tolvare::testing::MessageBoxAnswerer answerer;
    EXPECT_EQ(internet->ExecuterURL(&none, &window), S_OK);
    EXPECT_EQ(answerer.answered(), 0) << "the shell's failure showed a message";
    SysFreeString(none);
}

}  // namespace
