// What PLENAR's main window shows and how it goes away and comes back: tabs, menus, columns,
// the icon it carries, the notification area (and the shell restarting under it), and a change
// of DPI.
#include "scheduler/tests/plenar_test_support.h"

#include <shellapi.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace plenar_test;

// The notification-area icon of a window, seen from another program through the shell: only a
// change of an icon that exists succeeds.
bool trayIconExists(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = ids::kTrayIconId;
    data.uFlags = NIF_TIP;
    lstrcpynW(data.szTip, L"PLENAR", ARRAYSIZE(data.szTip));
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool removeTrayIcon(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = ids::kTrayIconId;
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT clientOrigin(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

int width(const RECT& r) { return r.right - r.left; }
int height(const RECT& r) { return r.bottom - r.top; }

// An icon file of one 32 x 32 image of one colour (32-bit BGRA, opaque).
std::string solidIconFile(COLORREF colour) {
    std::string bytes;
    const auto put16 = [&](unsigned v) { bytes.push_back(char(v & 0xFF)); bytes.push_back(char(v >> 8)); };
    const auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    const unsigned pixels = 32 * 32 * 4, mask = 32 * 4, image = 40 + pixels + mask;
    put16(0), put16(1), put16(1);                          // icon directory, one image
    bytes.push_back(32), bytes.push_back(32), bytes.push_back(0), bytes.push_back(0);
    put16(1), put16(32), put32(image), put32(6 + 16);      // the image's entry
    put32(40), put32(32), put32(64), put16(1), put16(32);  // its bitmap header (height doubled)
    put32(0), put32(pixels + mask), put32(0), put32(0), put32(0), put32(0);
    for (unsigned i = 0; i < 32 * 32; ++i) {
        bytes.push_back(char(GetBValue(colour)));
        bytes.push_back(char(GetGValue(colour)));
        bytes.push_back(char(GetRValue(colour)));
        bytes.push_back(char(0xFF));
    }
    bytes.append(mask, '\0');
    return bytes;
}

COLORREF screenPixel(POINT point) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

POINT centreOf(HWND window) {
    const RECT r = windowRect(window);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class PlenarViewTest : public PlenarWindowTest {
protected:
    HWND startVisible(const wchar_t* clock = nullptr) {
        start(clock);
        HWND main = waitForVisibleMainWindow();
        if (main) {
            // Away from the corner where a bare X server shows the notification area.
            SetWindowPos(main, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
            SetForegroundWindow(main);
        }
        return main;
    }
};

TEST_F(PlenarViewTest, TabsMenusAndColumnsCarryTheirCaptionsAndTheTabsSwitchPages) {
    // The menu bar as the program carries it, in order, with the identifiers the window handles.
    unique_hmodule program(LoadLibraryExW(path(L"PLENAR.exe").c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program);
    HMENU bar = LoadMenuW(program.get(), MAKEINTRESOURCEW(ids::kMainMenuResource));
    ASSERT_NE(bar, nullptr);
    const auto caption = [](HMENU menu, int position) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
        return std::wstring(text);
    };
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    EXPECT_EQ(caption(bar, 0), L"&Fichier");
    EXPECT_EQ(caption(bar, 1), L"&A propos");
    EXPECT_EQ(caption(bar, 2), L"");
    EXPECT_EQ(caption(bar, 3), L"Aide (F1)");
    EXPECT_EQ(GetMenuItemID(bar, 1), static_cast<UINT>(ids::kMenuAbout));
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    const struct {
        const wchar_t* caption;
        int id;
    } fileItems[] = {{L"&Lancer le gestionnaire", ids::kMenuStart},
                     {L"&Télécharger la liste d'Internet", ids::kMenuDownload},
                     {L"&Sauver la liste et les paramètres", ids::kMenuSave},
                     {L"&Macros", ids::kMenuMacros},
                     {L"", 0},
                     {L"&Quitter", ids::kMenuQuit}};
    ASSERT_EQ(GetMenuItemCount(file), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(caption(file, i), fileItems[i].caption) << i;
        EXPECT_EQ(GetMenuItemID(file, i), static_cast<UINT>(fileItems[i].id)) << i;
    }
    EXPECT_TRUE(GetMenuState(file, 4, MF_BYPOSITION) & MF_SEPARATOR);
    DestroyMenu(bar);

    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n");
    HWND main = startVisible();
    ASSERT_NE(main, nullptr);
    EXPECT_NE(GetMenu(main), nullptr);
    HWND table = GetDlgItem(main, ids::kTable);
    EXPECT_EQ(tableColumnCaption(processId_, table, 0), L"Heures");
    EXPECT_EQ(tableColumnCaption(processId_, table, 1), L"Actions");
    EXPECT_EQ(tableColumnCaption(processId_, table, 2), L"Chiffre");
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s));
    EXPECT_EQ(tableCellText(processId_, table, 1, 0), L"07:45");
    EXPECT_EQ(tableCellText(processId_, table, 1, 1), L"b");
    EXPECT_EQ(tableCellText(processId_, table, 1, 2), L"0745");

    // The first page shows the table; a click on the second tab shows the settings and hides
    // the table, a click on the first brings it back.
    HWND tabs = GetDlgItem(main, ids::kTabStrip);
    HWND frame = GetDlgItem(main, ids::kSettingsFrame);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    EXPECT_EQ(tabCaption(processId_, tabs, 0), L"&Liste des actions");
    EXPECT_EQ(tabCaption(processId_, tabs, 1), L"&Paramètres");
    EXPECT_TRUE(IsWindowVisible(table));
    EXPECT_FALSE(IsWindowVisible(frame));
    const auto clickTab = [&](int tab) {
        const RECT r = tabScreenRect(processId_, tabs, tab);
        clickScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    };
    clickTab(1);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(frame) && IsWindowVisible(delay); }, 5s));
    EXPECT_FALSE(IsWindowVisible(table));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, ids::kListLabel)));
    clickTab(0);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(table) != FALSE; }, 5s));
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_FALSE(IsWindowVisible(delay));
    quitAndExpectEnd();
}

TEST_F(PlenarViewTest, TheWindowCarriesTheIconFileOrTheProgramsOwnIcon) {
    constexpr COLORREF kGreen = RGB(0, 200, 0);
    writeFileBytes(path(L"Activitl.ico"), solidIconFile(kGreen));
    HWND main = startVisible();
    ASSERT_NE(main, nullptr);
    HWND picture = GetDlgItem(main, ids::kPicture);
    EXPECT_TRUE(waitFor([&] { return screenPixel(centreOf(picture)) == kGreen; }, 5s))
        << std::hex << screenPixel(centreOf(picture));
    quitAndExpectEnd();

    // Without the file: the program's own clock, not a blank picture.
    DeleteFileW(path(L"Activitl.ico").c_str());
    main = startVisible();
    ASSERT_NE(main, nullptr);
    picture = GetDlgItem(main, ids::kPicture);
    COLORREF background = GetSysColor(COLOR_BTNFACE), seen = 0;
    EXPECT_TRUE(waitFor([&] {
        seen = screenPixel(centreOf(picture));
        return seen != background && seen != kGreen && seen != CLR_INVALID;
    }, 5s)) << std::hex << seen;
    quitAndExpectEnd();
}

TEST_F(PlenarViewTest, MinimisingHidesIntoTheNotificationAreaAndTheShellRestartingKeepsItReachable) {
    HWND main = startVisible();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return trayIconExists(main); }, 5s)) << "the icon is in the notification area";

    // Minimising sends the window into the notification area; the icon brings it back.
    ShowWindow(main, SW_MINIMIZE);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(main); }, 5s));
    PostMessageW(main, ids::kTrayMessage, ids::kTrayIconId, WM_LBUTTONUP);
    HWND reopened = waitForVisibleMainWindow(main);
    ASSERT_NE(reopened, nullptr);
    main = reopened;
    ASSERT_TRUE(waitFor([&] { return trayIconExists(main); }, 5s));

    // The shell starts again (its icons are gone) and says so: the icon comes back.
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(removeTrayIcon(main));
    EXPECT_FALSE(trayIconExists(main));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(main, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_TRUE(waitFor([&] { return trayIconExists(main); }, 5s)) << "the icon is added again";

    // A shell that refuses the icon (here: an icon of that window and number is already there,
    // so the new shell's answer to PLENAR is no): the start command minimises the window to the
    // taskbar instead of hiding it where nothing could bring it back.
    ASSERT_TRUE(removeTrayIcon(main));
    NOTIFYICONDATAW occupied{};
    occupied.cbSize = sizeof occupied;
    occupied.hWnd = main;
    occupied.uID = ids::kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &occupied));
    SendMessageTimeoutW(main, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return IsIconic(main) && IsWindowVisible(main); }, 5s))
        << "iconic " << IsIconic(main) << ", visible " << IsWindowVisible(main);
    removeTrayIcon(main);
    quitAndExpectEnd();
}

TEST_F(PlenarViewTest, ADpiChangeLaysTheWindowOutAgain) {
    HWND main = startVisible();
    ASSERT_NE(main, nullptr);
    HWND go = GetDlgItem(main, ids::kGoButton);
    HWND table = GetDlgItem(main, ids::kTable);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    const RECT goBefore = windowRect(go), tableBefore = windowRect(table), delayBefore = windowRect(delay);
    const RECT mainBefore = windowRect(main);
    const POINT oldOrigin = clientOrigin(main);
    const int actionsBefore = static_cast<int>(SendMessageW(table, LVM_GETCOLUMNWIDTH, 1, 0));

    // The window moves to a monitor at twice the DPI: the system proposes a rectangle.
    const RECT suggested{300, 100, 300 + 2 * width(mainBefore), 100 + 2 * height(mainBefore)};
    RemoteMemory memory(processId_, sizeof suggested);
    ASSERT_TRUE(memory.valid() && memory.write(&suggested, sizeof suggested));
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_DPICHANGED, MAKEWPARAM(192, 192),
                                    reinterpret_cast<LPARAM>(memory.address()), SMTO_ABORTIFHUNG, 5000, &ignored));

    // Every control is twice as large and twice as far from the corner; within a pixel of
    // rounding.
    const POINT newOrigin = clientOrigin(main);
    const auto expectDoubled = [&](const RECT& before, const RECT& after, const char* what) {
        EXPECT_NEAR(width(after), 2 * width(before), 2) << what;
        EXPECT_NEAR(height(after), 2 * height(before), 2) << what;
        EXPECT_NEAR(after.left - newOrigin.x, 2 * (before.left - oldOrigin.x), 2) << what;
        EXPECT_NEAR(after.top - newOrigin.y, 2 * (before.top - oldOrigin.y), 2) << what;
    };
    EXPECT_TRUE(IsWindowVisible(main)) << "a DPI change is no reason to hide the window";
    EXPECT_EQ(windowRect(main).left, suggested.left);
    EXPECT_EQ(windowRect(main).top, suggested.top);
    EXPECT_GT(width(windowRect(main)), width(mainBefore) * 3 / 2);
    expectDoubled(goBefore, windowRect(go), "GO");
    expectDoubled(tableBefore, windowRect(table), "table");
    expectDoubled(delayBefore, windowRect(delay), "delay field");
    const int actionsAfter = static_cast<int>(SendMessageW(table, LVM_GETCOLUMNWIDTH, 1, 0));
    EXPECT_NEAR(actionsAfter, 2 * actionsBefore, 2);
    quitAndExpectEnd();
}

}  // namespace
