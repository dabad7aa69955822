#include "library/frame/core/command_lines.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(CommandLines, ArgumentsAreQuotedAsTheParserReadsThemBack) {
    struct Case { const char* text; std::optional<std::string> quoted; };
    for (const Case& c : {Case{"C:\\Program Files\\Outil\\outil.exe", "\"C:\\Program Files\\Outil\\outil.exe\""},
                          Case{"a.txt --opt", "\"a.txt --opt\""},
                          Case{"C:\\Dossier\\", "\"C:\\Dossier\\\\\""},
                          Case{"C:\\a\\\\", "\"C:\\a\\\\\\\\\""},
                          Case{"", "\"\""},
                          Case{"dit \"non\"", std::nullopt}})
        EXPECT_EQ(quotedArgument(c.text), c.quoted) << c.text;
}

TEST(CommandLines, SystemProgramsAreNamedByTheirFullPath) {
    EXPECT_EQ(inFolder("rundll32.exe shell32.dll,Control_RunDLL main.cpl @", "C:\\windows\\system32"),
              "\"C:\\windows\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL main.cpl @");
    EXPECT_EQ(inFolder("RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,", "C:\\windows\\system32\\"),
              "\"C:\\windows\\system32\\RUNDLL32.exe\" SHELL32.DLL,Control_RunDLL MMSYS.CPL,,");
    EXPECT_EQ(inFolder("sndvol32 /t", "C:\\windows"), "\"C:\\windows\\sndvol32.exe\" /t");
    EXPECT_EQ(inFolder("sndvol32", "C:\\windows"), "\"C:\\windows\\sndvol32.exe\"");
}

}  // namespace
}  // namespace korvel
