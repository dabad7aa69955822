#include "library/windows/core/launchers.h"

#include <gtest/gtest.h>

#include <set>

namespace korvel::launchers {
namespace {

TEST(Launchers, EveryPageHasItsExactCommandText) {
    // Written out from the applets' documented command lines, independently of the table.
    const std::pair<Page, std::string_view> expected[] = {
        {Page::display, "RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,"},
        {Page::accessibility, "RUNDLL32 SHELL32.DLL,Control_RunDLL ACCESS.CPL,,"},
        {Page::programs, "RUNDLL32 SHELL32.DLL,Control_RunDLL APPWIZ.CPL,,"},
        {Page::regionalSettings, "RUNDLL32 SHELL32.DLL,Control_RunDLL INTL.CPL,,"},
        {Page::gameControllers, "rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,"},
        {Page::mainApplets, "rundll32.exe shell32.dll,Control_RunDLL main.cpl @"},
        {Page::mailAndFax, "rundll32.exe shell32.dll,Control_RunDLL mlcfg32.cpl"},
        {Page::multimedia, "RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,"},
        {Page::system, "RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,"},
        {Page::browserSettings, "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,"},
        {Page::addHardwarePage, "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl @1"},
        {Page::modems, "rundll32.exe shell32.dll,Control_RunDLL modem.cpl"},
        {Page::network, "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl"},
        {Page::passwords, "rundll32.exe shell32.dll,Control_RunDLL password.cpl"},
        {Page::dateApplet, "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl"},
        {Page::workgroupPostOffice, "rundll32.exe shell32.dll,Control_RunDLL wgpocpl.cpl"},
        {Page::openWith, "rundll32.exe shell32.dll,OpenAs_RunDLL "},
        {Page::floppyCopy, "rundll32 diskcopy.dll,DiskCopyRunDll"},
        {Page::newShortcut, "rundll32.exe AppWiz.Cpl,NewLinkHere "},
        {Page::addHardwareWizard, "rundll32.exe sysdm.cpl, InstallDevice_RunDLL"},
        {Page::addPrinterWizard, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL AddPrinter"},
        {Page::dialUpWizard, "rundll32.exe rnaui.dll, RnaWizard"},
        {Page::documentScrap, "rundll32.exe shscrap.dll,OpenScrap_RunDLL /r /x "},
        {Page::newBriefcase, "rundll32.exe syncui.dll, Briefcase_Create"},
        {Page::printersFolder, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL PrintersFolder"},
        {Page::fontsFolder, "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL FontsFolder"},
        {Page::timeApplet, "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl,,/f"},
        {Page::powerOptions, "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl"},
    };
    ASSERT_EQ(std::size(expected), kPageCount);
    std::set<std::wstring_view> members;
    for (const auto& [page, text] : expected) {
        EXPECT_EQ(launcher(page).commandText, text) << static_cast<int>(page);
        members.insert(launcher(page).member);
    }
    EXPECT_EQ(members.size(), kPageCount) << "each page belongs to a member of its own";
    EXPECT_EQ(launcher(Page::display).member, L"GstAffichage");
    EXPECT_EQ(launcher(Page::powerOptions).member, L"GstEnergie");
}

TEST(Launchers, TabsAreAppendedInDecimalWithTheirSign) {
    EXPECT_EQ(commandWithTab(Page::display, 3), "RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,3");
    EXPECT_EQ(commandWithTab(Page::system, 0), "RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,0");
    EXPECT_EQ(commandWithTab(Page::display, -1), "RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,-1");
    EXPECT_EQ(commandWithTab(Page::mainApplets, 2), "rundll32.exe shell32.dll,Control_RunDLL main.cpl @2");
    EXPECT_EQ(commandWithTab(Page::browserSettings, -32768),
              "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,-32768");
    EXPECT_EQ(commandWithTab(Page::multimedia, 32767), "RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,32767");
    // A page without a tab takes none.
    EXPECT_EQ(commandWithTab(Page::floppyCopy, 5), "rundll32 diskcopy.dll,DiskCopyRunDll");
}

TEST(Launchers, PathsAreAppendedUnquoted) {
    EXPECT_EQ(commandWithText(Page::openWith, "C:\\a.xyz"), "rundll32.exe shell32.dll,OpenAs_RunDLL C:\\a.xyz");
    EXPECT_EQ(commandWithText(Page::newShortcut, "C:\\My Folder"),
              "rundll32.exe AppWiz.Cpl,NewLinkHere C:\\My Folder");
    EXPECT_EQ(commandWithText(Page::newShortcut, ""), "rundll32.exe AppWiz.Cpl,NewLinkHere ");
    EXPECT_EQ(commandWithText(Page::documentScrap, "d:\\x.shs"),
              "rundll32.exe shscrap.dll,OpenScrap_RunDLL /r /x d:\\x.shs");
    EXPECT_EQ(commandWithText(Page::powerOptions, "ignored"), "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl");
}

}  // namespace
}  // namespace korvel::launchers
