// Where PLENAR gets KORVEL from: the library beside it (unregistered use of a copied folder,
// through the manifest PLENAR embeds), the registered library otherwise, and what PLENAR says
// and still does when the classes cannot be created.
#include "scheduler/tests/plenar_test_support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <regex>
#include <string>
#include <vector>

#include "library/frame/braskedll.h"
#include "scheduler/app/resource_ids.h"

namespace {

using namespace plenar_test;

std::wstring lowerCase(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

class PlenarLibraryTest : public PlenarWindowTest {
protected:
    // The paths of the KORVEL.dll modules in PLENAR's process; nullopt while the process cannot
    // be looked into (it is still starting).
    std::optional<std::vector<std::wstring>> korvelModules() {
        unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId_));
        if (!snapshot) return std::nullopt;
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        if (!Module32FirstW(snapshot.get(), &module)) return std::nullopt;
        std::vector<std::wstring> paths;
        do {
            if (lowerCase(module.szModule) == L"korvel.dll") paths.push_back(lowerCase(module.szExePath));
        } while (Module32NextW(snapshot.get(), &module));
        return paths;
    }

    // The KORVEL.dll modules once PLENAR's window shows (its start-up has created the classes).
    std::vector<std::wstring> korvelModulesOnceStarted() {
        std::optional<std::vector<std::wstring>> modules;
        waitFor([&] { return (modules = korvelModules()).has_value(); }, 10s);
        return modules.value_or(std::vector<std::wstring>{L"<process not readable>"});
    }

    // A settings change as the user makes it.
    void changeDelay(HWND main, const wchar_t* value) {
        DWORD_PTR ignored;
        SendMessageTimeoutW(GetDlgItem(main, ids::kDelayEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
    }

    // The message of a PLENAR started from this folder when the classes cannot be created.
    std::wstring missingLibraryMessage() const {
        return L"La bibliothèque KORVEL.dll est introuvable, ne peut pas être chargée ou n'est pas "
               L"enregistrée\u00a0: la liste ne pourra être téléchargée que d'une adresse http://.\n\nPlacez KORVEL.dll dans le dossier de PLENAR\u00a0:\n" +
               folder_ + L"\nou enregistrez-la avec «\u00a0regsvr32 KORVEL.dll\u00a0».";
    }
};

TEST_F(PlenarLibraryTest, LibraryBesideTheProgramIsTheOneUsedAndSavesTheSettings) {
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"KORVEL.dll").c_str(), path(L"KORVEL.dll").c_str(), FALSE));
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 1s));
    // The build's library is registered as well: the one beside the program wins, and alone.
    EXPECT_EQ(korvelModulesOnceStarted(), std::vector<std::wstring>{lowerCase(path(L"KORVEL.dll"))});
    changeDelay(main, L"12");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"12");
    // Objects made later come from the same library.
    PostMessageW(main, ids::kTrayMessage, ids::kTrayIconId, WM_LBUTTONUP);
    HWND reopened = waitForVisibleMainWindow(main);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(reopened, ids::kDelayEdit)), L"12");
    changeDelay(reopened, L"13");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"13");
    EXPECT_EQ(korvelModulesOnceStarted(), std::vector<std::wstring>{lowerCase(path(L"KORVEL.dll"))});
    quitAndExpectEnd();
}

TEST_F(PlenarLibraryTest, WithoutLibraryBesideTheRegisteredOneIsUsedSilently) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 1s));
    EXPECT_EQ(korvelModulesOnceStarted(), std::vector<std::wstring>{lowerCase(besideTestProgram(L"KORVEL.dll"))});
    changeDelay(main, L"12");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"12");
    quitAndExpectEnd();
}

// A KORVEL.dll beside PLENAR that is no library: the classes cannot be created (the registered
// library is not taken instead, which would mix two libraries in one process). PLENAR says so
// once, then runs without it.
TEST_F(PlenarLibraryTest, UnloadableLibraryIsReportedOnceAndTheRestStillWorks) {
    writeFileBytes(path(L"KORVEL.dll"), std::string(4096, '\x5a'));
    writeFileBytes(path(L"lstplenar.txt"), "10:00=a\r\n");
    start();
    std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR", 20s);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, missingLibraryMessage());
    EXPECT_TRUE(message->hasIcon);
    // Modal: the window waits for the answer.
    HWND main = mainWindow();
    EXPECT_TRUE(main == nullptr || !IsWindowVisible(main));
    press(message->window, IDOK);

    main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s)) << tableRows(main);
    EXPECT_EQ(korvelModulesOnceStarted(), std::vector<std::wstring>{});
    // A change is accepted, not reported again, and written: the settings need no library.
    changeDelay(main, L"12");
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 1s));
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kDelayEdit)), L"12");
    EXPECT_NE(readFileBytes(path(L"param.ini")).find("DELAI=12"), std::string::npos);
    // The list still comes down from an http address: PLENAR's own client needs no library.
    DWORD_PTR ignored = 0;
    const std::wstring url = httpTestAddress(L"file/10:00=b");
    SendMessageTimeoutW(GetDlgItem(main, ids::kUrlEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, ids::kMenuDownload, 0, SMTO_NORMAL, 90000, &ignored));
    EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), httpTestBody("10:00=b"));

    // The window opened again from the icon: the same start-up, no second message.
    PostMessageW(main, ids::kTrayMessage, ids::kTrayIconId, WM_LBUTTONUP);
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 2s));
    HWND reopened = waitForVisibleMainWindow(main);
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(waitFor([&] { return tableRows(reopened) == 2001; }, 5s)) << tableRows(reopened);
    quitAndExpectEnd();
}

// The manifest PLENAR embeds for KORVEL names the classes with the identifiers the library was
// built with; the process manifest is still the program's own.
TEST(PlenarManifest, NamesEveryKorvelClassWithTheLibrarysIdentifiers) {
    const unique_hmodule program(
        LoadLibraryExW(besideTestProgram(L"PLENAR.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(program);
    const auto manifest = [&](int id) {
        HRSRC resource = FindResourceW(program.get(), MAKEINTRESOURCEW(id), RT_MANIFEST);
        if (!resource) return std::string();
        HGLOBAL loaded = LoadResource(program.get(), resource);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        return bytes ? std::string(static_cast<const char*>(bytes), SizeofResource(program.get(), resource))
                     : std::string();
    };

    const std::string process = manifest(1);
    EXPECT_NE(process.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(process.find("PerMonitorV2"), std::string::npos);
    EXPECT_EQ(process.find("comClass"), std::string::npos);

    const std::string korvel = manifest(PLENAR_KORVEL_MANIFEST);
    ASSERT_FALSE(korvel.empty());
    const auto text = [](const GUID& id) {
        wchar_t wide[40] = {};
        StringFromGUID2(id, wide, 40);
        return std::string(wide, wide + wcslen(wide));
    };
    EXPECT_NE(korvel.find("<file name=\"KORVEL.dll\">"), std::string::npos);
    EXPECT_NE(korvel.find("<typelib tlbid=\"" + text(LIBID_BRASKEDLL) + "\" version=\"1.0\""), std::string::npos);

    const struct {
        const char* name;
        const CLSID& id;
    } classes[] = {
        {"Cls_InitREG", CLSID_Cls_InitREG}, {"Cls_Windows", CLSID_Cls_Windows},
        {"Cls_Traduction", CLSID_Cls_Traduction}, {"Cls_Internet", CLSID_Cls_Internet},
        {"Cls_Date", CLSID_Cls_Date}, {"Cls_SQL", CLSID_Cls_SQL},
        {"Cls_Cryptage", CLSID_Cls_Cryptage}, {"Cls_Conversion", CLSID_Cls_Conversion},
        {"Cls_Multimedia", CLSID_Cls_Multimedia}, {"Cls_Math", CLSID_Cls_Math},
        {"Cls_SourisClv", CLSID_Cls_SourisClv},
    };
    std::vector<std::string> expected;
    for (const auto& c : classes)
        expected.push_back(text(c.id) + " Apartment BRASKEDLL." + c.name + " " + text(LIBID_BRASKEDLL));
    std::vector<std::string> named;
    const std::regex comClass(
        R"re(<comClass clsid="([^"]*)" threadingModel="([^"]*)" progid="([^"]*)" tlbid="([^"]*)"/>)re");
    for (auto m = std::sregex_iterator(korvel.begin(), korvel.end(), comClass); m != std::sregex_iterator(); ++m)
        named.push_back((*m)[1].str() + " " + (*m)[2].str() + " " + (*m)[3].str() + " " + (*m)[4].str());
    EXPECT_EQ(named, expected);
}

}  // namespace
