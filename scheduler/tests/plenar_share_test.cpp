// PLENAR's share action ("SHARE=" rows) against stand-ins of the two share services: on
// Windows 98 it goes to the 9x service alone; on an NT-family system, where the 9x service is
// missing, to the NT-family service with the same name, path and description. The action runs
// in a client program started beside the stand-ins (see library/internet/tests).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "library/frame/tests/class_test_support.h"
#include "library/internet/tests/child_process.h"

using namespace korvel_test;

namespace {

std::vector<std::string> linesOf(const std::wstring& path) {
    std::ifstream file(path.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class ShareActionTest : public ::testing::Test {
protected:
    // Runs a pass with two share rows, then a second pass with one; the names given.
    std::vector<std::string> runPasses(const std::wstring& version) {
        child_.folder = temporaryFolder();
        child_.program = besideTestProgram(L"share_action_client.exe");
        child_.name = L"plenar_share_client_" + std::to_wstring(sizeof(void*) * 8) + L".exe";
        child_.besides = {{besideTestProgram(L"svrapi_stand_in.dll"), L"svrapi.dll"},
                          {besideTestProgram(L"netapi32_stand_in.dll"), L"netapi32.dll"}};
        child_.windowsVersion = version;
        EXPECT_EQ(runChildProgram(child_, L"\"" + child_.folder + L"\\names.txt\" \"share|c:\\A\" \"share|C:\\B\" pass \"share|C:\\A\""), 0);
        return linesOf(child_.folder + L"\\names.txt");
    }
    std::vector<std::string> log(const wchar_t* service) { return linesOf(child_.folder + L"\\" + service + L".log"); }

    ChildProgram child_;
};

TEST_F(ShareActionTest, OnAnNtFamilySystemTheRowsShareThroughTheNtService) {
    EXPECT_EQ(runPasses(L""), (std::vector<std::string>{"PLENAR1", "PLENAR2", "PLENAR1"}));
    std::vector<std::string> log = this->log(L"netapi32.dll");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "level=2 server=[] result=0 name=[PLENAR1] type=0 remark=[PLENAR1] permissions=127 "
                      "max_uses=-1 current_uses=0 path=[c:\\A] password=<null> error_index=given");
    EXPECT_NE(log[1].find("result=0 name=[PLENAR2] type=0 remark=[PLENAR2]"), std::string::npos) << log[1];
    EXPECT_NE(log[1].find("path=[C:\\B]"), std::string::npos) << log[1];
    // The next pass counts from 1 again and meets its own share: refused, silently.
    EXPECT_NE(log[2].find("result=2118 name=[PLENAR1]"), std::string::npos) << log[2];
    EXPECT_TRUE(this->log(L"svrapi.dll").empty());
}

TEST_F(ShareActionTest, OnWindows98TheRowsShareThroughThe9xServiceOnly) {
    EXPECT_EQ(runPasses(L"win98"), (std::vector<std::string>{"PLENAR1", "PLENAR2", "PLENAR1"}));
    std::vector<std::string> log = this->log(L"svrapi.dll");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find("result=0 name=[PLENAR1] "), std::string::npos) << log[0];
    EXPECT_NE(log[0].find("remark=[PLENAR1] path=[C:\\A]"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("remark=[PLENAR2] path=[C:\\B]"), std::string::npos) << log[1];
    // Refused as a duplicate: raised by the library, ignored by the pass, no second service.
    EXPECT_NE(log[2].find("result=2118 name=[PLENAR1]"), std::string::npos) << log[2];
    EXPECT_TRUE(this->log(L"netapi32.dll").empty());
}

}  // namespace
