// The action assistant end to end: opened from the table's blank row of a real PLENAR, driven
// as a user drives it (option buttons, the open dialog, the folder list, the time, the keys of
// a dialog), and judged by the rows it adds to the table and to the saved list.
#include "scheduler/tests/plenar_test_support.h"

#include "scheduler/app/action_assistant.h"

#include <string>
#include <vector>

namespace {

using namespace plenar_test;

// Controls of the open dialog: the file-name box (a combo box in the explorer style) and the
// list of file types.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypes = 0x470;

std::string narrowAscii(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string ansi(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

using tolvare::testing::clientRectIn;

POINT centreOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool checked(HWND button) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

// Keys pressed on the keyboard, to whatever window has the focus.
void pressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void doubleClickScreen(POINT point) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[5] = {};
    const DWORD buttons[5] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 5; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = MulDiv(point.x, 65535, width - 1);
        inputs[i].mi.dy = MulDiv(point.y, 65535, height - 1);
        inputs[i].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons[i];
    }
    SendInput(5, inputs, sizeof(INPUT));
}

// The entries of a list box of another process (the system copies their texts across).
std::vector<std::wstring> listEntries(HWND list) {
    std::vector<std::wstring> entries;
    DWORD_PTR count = 0;
    SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &length);
        std::wstring text(length + 1, L'\0');
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                            &ignored);
        text.resize(wcsnlen(text.c_str(), text.size()));
        entries.push_back(text);
    }
    return entries;
}

int selectedEntry(HWND list) {
    DWORD_PTR index = 0;
    SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &index);
    return static_cast<int>(static_cast<LRESULT>(index));
}

// The middle of an entry of a list box of another process, scrolled into view first as a user
// would with the scroll bar.
POINT entryPoint(HWND list, int index) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(list, LB_SETTOPINDEX, index, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    RECT rect{};
    SendMessageTimeoutW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect), SMTO_ABORTIFHUNG, 5000, &ignored);
    POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(list, &point);
    return point;
}

// The picture a message box shows beside its text, if any.
HICON shownIcon(HWND box) {
    HICON icon = nullptr;
    for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(box, child, L"Static", nullptr)) {
        DWORD_PTR shown = 0;
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &shown) && shown)
            icon = reinterpret_cast<HICON>(shown);
    }
    return icon;
}

class PlenarAssistantTest : public PlenarWindowTest {
protected:
    static constexpr const wchar_t* kClock = L"10:20:00";

    // PLENAR's clock started at 10:20; on a slow machine it may show the next minute.
    static bool isClockTime(const std::wstring& text) { return text == L"10:20" || text == L"10:21"; }

    HWND startShown(const std::string& list = {}) {
        if (!list.empty()) writeFileBytes(path(L"lstplenar.txt"), list);
        start(kClock);
        main_ = waitForVisibleMainWindow();
        if (!main_) return nullptr;
        // Away from the corner where a bare X server shows the notification area.
        SetWindowPos(main_, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
        SetForegroundWindow(main_);
        table_ = GetDlgItem(main_, ids::kTable);
        settled(main_);
        return main_;
    }

    HWND findAssistant() const {
        return findTopLevel(processId_, ids::kAssistantWindowClass, ids::kAssistantCaption);
    }

    // A click on the table's blank row; the assistant shows, in front. Each click goes to
    // another cell of the row, so that two clicks never make a double-click.
    HWND openAssistant() {
        clickScreen(cellPoint(table_, 0, clicks_++ % 3));
        HWND assistant = nullptr;
        waitFor([&] { return (assistant = findAssistant()) != nullptr && IsWindowVisible(assistant) &&
                             GetForegroundWindow() == assistant; },
                10s);
        return assistant && IsWindowVisible(assistant) ? assistant : nullptr;
    }

    HWND control(HWND assistant, int id) const { return GetDlgItem(assistant, id); }
    HWND option(HWND assistant, int index) const { return GetDlgItem(assistant, ids::kAssistantFirstOption + index); }

    // The open dialog the assistant shows, in front of it.
    HWND waitForOpenDialog() {
        HWND dialog = nullptr;
        waitFor([&] { return (dialog = findTopLevel(processId_, L"#32770", {}, nullptr, true)) != nullptr; }, 15s);
        // Its controls are made while it opens.
        waitFor([&] { return dialog && fileNameBox(dialog) != nullptr; }, 5s);
        return dialog;
    }

    // The edit of the file name: in the explorer style inside a (possibly extended) combo box.
    static HWND fileNameBox(HWND dialog) {
        HWND box = GetDlgItem(dialog, kFileNameCombo);
        if (!box) return GetDlgItem(dialog, kFileNameEdit);
        HWND edit = nullptr;
        EnumChildWindows(box, findEdit, reinterpret_cast<LPARAM>(&edit));
        return edit;
    }

    static BOOL CALLBACK findEdit(HWND child, LPARAM found) {
        if (windowClass(child) != L"Edit") return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }

    // What the file-type list of the open dialog shows, and all it offers.
    std::wstring fileTypeShown(HWND dialog) { return windowText(GetDlgItem(dialog, kFileTypes)); }
    int fileTypeCount(HWND dialog) {
        DWORD_PTR count = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, kFileTypes), CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        return static_cast<int>(count);
    }

    // Types a full path into the open dialog's file name and presses Open.
    void chooseInOpenDialog(HWND dialog, const std::wstring& file) {
        HWND name = fileNameBox(dialog);
        ASSERT_NE(name, nullptr);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()), SMTO_ABORTIFHUNG, 5000,
                            &ignored);
        press(dialog, IDOK);
        ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 10s)) << "the open dialog stays";
    }

    // A click on an option that shows the open dialog; the file is chosen there.
    void chooseFile(HWND assistant, int index, const std::wstring& file) {
        clickScreen(centreOf(option(assistant, index)));
        HWND dialog = waitForOpenDialog();
        ASSERT_NE(dialog, nullptr);
        chooseInOpenDialog(dialog, file);
    }

    void typeTime(HWND assistant, const std::wstring& time) {
        HWND field = control(assistant, ids::kAssistantTime);
        SendMessageW(field, EM_SETSEL, 0, -1);
        type(field, time);
    }

    // "&Valider" pressed; the assistant goes (hidden) and the table has one row more.
    void validate(HWND assistant) {
        const int rows = tableRows(main_);
        clickScreen(centreOf(control(assistant, ids::kAssistantValidate)));
        EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(assistant); }, 5s)) << "the assistant stays on screen";
        EXPECT_TRUE(waitFor([&] { return tableRows(main_) == rows + 1; }, 5s)) << "no row was added";
        EXPECT_TRUE(IsWindow(assistant)) << "validating closed the assistant";
    }

    std::vector<std::wstring> row(int viewRow) {
        return {tableCellText(processId_, table_, viewRow, 0), tableCellText(processId_, table_, viewRow, 1),
                tableCellText(processId_, table_, viewRow, 2)};
    }

    // The row as the table shows it once it has drawn it again (a slow machine reads the
    // cells while the table is still being refilled).
    void expectRow(int viewRow, const std::vector<std::wstring>& expected) {
        std::vector<std::wstring> shown;
        EXPECT_TRUE(waitFor([&] { return (shown = row(viewRow)) == expected; }, 10s))
            << "row " << viewRow << " is " << ::testing::PrintToString(shown);
    }

    // The list once the main window's save command has run.
    std::string savedList() {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(main_, WM_COMMAND, ids::kMenuSave, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
        return readFileBytes(path(L"lstplenar.txt"));
    }

    // The window with the keyboard focus in PLENAR.
    HWND focusOf(HWND window) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        return info.hwndFocus;
    }

    void makeFolder(const std::wstring& relative) {
        ASSERT_TRUE(CreateDirectoryW(path(relative.c_str()).c_str(), nullptr));
    }

    HWND main_ = nullptr;
    HWND table_ = nullptr;
    int clicks_ = 0;
};

using Row = std::vector<std::wstring>;

TEST_F(PlenarAssistantTest, OpensFromTheBlankRowAsAFixedDialogAndWritesAnAddressWhenNoOptionIsChosen) {
    ASSERT_NE(startShown("18:00=a\r\n07:45=b\r\n"), nullptr);
    HWND assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);

    // A fixed window without minimise and maximise boxes, over the main window.
    EXPECT_EQ(windowText(assistant), L"Assistant actions:");
    const LONG_PTR style = GetWindowLongPtrW(assistant, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(GetWindow(assistant, GW_OWNER), main_);
    EXPECT_TRUE(IsWindowEnabled(main_)) << "the assistant is modeless";

    // The designed controls, their texts and places (twips / 15 at 96 DPI; the options reach to
    // the fields so that their captions show whole), and what shows.
    RECT client{};
    GetClientRect(assistant, &client);
    EXPECT_EQ(client.right, 383);
    EXPECT_EQ(client.bottom, 223);
    struct Expected {
        int id;
        const wchar_t* text;
        RECT place;
        bool visible;
    };
    const Expected controls[] = {
        {ids::kAssistantFirstOption + 0, L"Programme:", {16, 24, 108, 49}, true},
        {ids::kAssistantFirstOption + 1, L"Macro:", {16, 48, 108, 73}, true},
        {ids::kAssistantFirstOption + 2, L"Partage:", {16, 72, 108, 97}, true},
        {ids::kAssistantFirstOption + 3, L"URL:", {16, 96, 108, 121}, true},
        {ids::kAssistantFileName, L"", {112, 24, 369, 49}, false},
        {ids::kAssistantFolders, nullptr, {112, 24, 369, 105}, false},
        {ids::kAssistantAddress, L"http://", {112, 96, 369, 115}, false},
        {ids::kAssistantTimeLabel, L"Heure de lancement:", {32, 144, 161, 161}, true},
        {ids::kAssistantTime, nullptr, {168, 144, 249, 163}, true},
        {ids::kAssistantValidate, L"&Valider", {64, 184, 177, 209}, true},
        {ids::kAssistantCancel, L"&Annuler", {200, 184, 313, 209}, true},
    };
    for (const Expected& expected : controls) {
        SCOPED_TRACE(expected.id);
        HWND window = control(assistant, expected.id);
        ASSERT_NE(window, nullptr);
        if (expected.text) {
            EXPECT_EQ(windowText(window), expected.text);
        }
        const RECT place = clientRectIn(assistant, window);
        EXPECT_EQ(place.left, expected.place.left);
        EXPECT_EQ(place.top, expected.place.top);
        EXPECT_EQ(place.right, expected.place.right);
        EXPECT_EQ(place.bottom, expected.place.bottom);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, expected.visible);
    }
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(checked(option(assistant, i))) << i;
    EXPECT_TRUE(isClockTime(windowText(control(assistant, ids::kAssistantTime))))
        << narrowAscii(windowText(control(assistant, ids::kAssistantTime)));

    // Tab goes round as in a dialog: the options (one stop), the time, the buttons.
    EXPECT_EQ(focusOf(assistant), option(assistant, 0));
    const int tabOrder[] = {ids::kAssistantTime, ids::kAssistantValidate, ids::kAssistantCancel,
                            ids::kAssistantFirstOption};
    for (int id : tabOrder) {
        pressKeys({VK_TAB});
        EXPECT_TRUE(waitFor([&] { return focusOf(assistant) == control(assistant, id); }, 5s)) << id;
    }

    // No option chosen: the address field's text, untouched; a time of five characters of any
    // kind, with its key made of its first and last two.
    typeTime(assistant, L"ab:cd");
    validate(assistant);
    expectRow(0, Row{L"", L"", L""});
    expectRow(3, Row{L"ab:cd", L"IEURL=http://", L"abcd"});

    // Opened again, it shows what it held; Enter presses "&Valider".
    ASSERT_EQ(openAssistant(), assistant);
    EXPECT_EQ(windowText(control(assistant, ids::kAssistantTime)), L"ab:cd");
    typeTime(assistant, L"25:99");
    clickScreen(centreOf(control(assistant, ids::kAssistantTime)));
    ASSERT_TRUE(waitFor([&] { return focusOf(assistant) == control(assistant, ids::kAssistantTime); }, 5s));
    pressKeys({VK_RETURN});
    EXPECT_TRUE(waitFor([&] { return tableRows(main_) == 5; }, 5s));
    EXPECT_FALSE(IsWindowVisible(assistant));
    expectRow(0, Row{L"", L"", L""});
    EXPECT_EQ(row(1)[0], L"07:45");
    EXPECT_EQ(row(2)[0], L"18:00");
    expectRow(3, Row{L"25:99", L"IEURL=http://", L"2599"});
    EXPECT_EQ(row(4)[0], L"ab:cd");
    EXPECT_EQ(savedList(), "07:45=b\r\n18:00=a\r\n25:99=IEURL=http://\r\nab:cd=IEURL=http://\r\n");

    // On a monitor of twice the DPI every control is twice as large and as far from the corner.
    ASSERT_EQ(openAssistant(), assistant);
    const RECT frame = [&] { RECT r{}; GetWindowRect(assistant, &r); return r; }();
    const RECT suggested{100, 50, 100 + 2 * (frame.right - frame.left), 50 + 2 * (frame.bottom - frame.top)};
    RemoteMemory memory(processId_, sizeof suggested);
    ASSERT_TRUE(memory.valid() && memory.write(&suggested, sizeof suggested));
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(assistant, WM_DPICHANGED, MAKEWPARAM(192, 192),
                                    reinterpret_cast<LPARAM>(memory.address()), SMTO_ABORTIFHUNG, 5000, &ignored));
    // (Wine sizes the frame of a window for its DPI, but draws it at the system's: only the
    // client area's width comes out exact here.)
    GetClientRect(assistant, &client);
    EXPECT_NEAR(client.right, 2 * 383, 2);
    EXPECT_GE(client.bottom, 2 * 223 - 2);
    const RECT validatePlace = clientRectIn(assistant, control(assistant, ids::kAssistantValidate));
    EXPECT_EQ(validatePlace.left, 2 * 64);
    EXPECT_EQ(validatePlace.bottom, 2 * 209);
    quitAndExpectEnd();
}

TEST_F(PlenarAssistantTest, EachOptionWritesItsActionAndReopeningKeepsTheChoice) {
    makeFolder(L"Mes outils");
    writeFileBytes(path(L"Mes outils\\copie.bat"), "@echo off\r\n");
    writeFileBytes(path(L"Macro_01.txt"), "0,0\r\n");
    makeFolder(L"Echange");
    makeFolder(L"archives");
    ASSERT_NE(startShown("12:00=a\r\n"), nullptr);
    HWND assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    HWND fileName = control(assistant, ids::kAssistantFileName);
    HWND folders = control(assistant, ids::kAssistantFolders);
    HWND address = control(assistant, ids::kAssistantAddress);

    // "Programme:" offers the programs first, every file second. A path with blanks is written
    // quoted, as one command.
    clickScreen(centreOf(option(assistant, 0)));
    HWND dialog = waitForOpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fileTypeShown(dialog), L"Programmes (*.exe;*.bat;*.com)");
    EXPECT_EQ(fileTypeCount(dialog), 2);
    chooseInOpenDialog(dialog, path(L"Mes outils\\copie.bat"));
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(fileName) != FALSE; }, 5s));
    EXPECT_EQ(windowText(fileName), path(L"Mes outils\\copie.bat"));
    EXPECT_FALSE(IsWindowVisible(folders));
    EXPECT_FALSE(IsWindowVisible(address));
    EXPECT_TRUE(checked(option(assistant, 0)));
    typeTime(assistant, L"07:00");
    validate(assistant);
    expectRow(1, Row{L"07:00", L"\"" + path(L"Mes outils\\copie.bat") + L"\"", L"0700"});

    // Reopened: the same option, path and time.
    ASSERT_EQ(openAssistant(), assistant);
    EXPECT_TRUE(checked(option(assistant, 0)));
    EXPECT_TRUE(IsWindowVisible(fileName));
    EXPECT_EQ(windowText(fileName), path(L"Mes outils\\copie.bat"));
    EXPECT_EQ(windowText(control(assistant, ids::kAssistantTime)), L"07:00");

    // "Macro:" offers text files with every file preselected; the macro keeps its full path.
    clickScreen(centreOf(option(assistant, 1)));
    dialog = waitForOpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fileTypeShown(dialog), L"Tous les fichiers (*.*)");
    EXPECT_EQ(fileTypeCount(dialog), 2);
    chooseInOpenDialog(dialog, path(L"Macro_01.txt"));
    EXPECT_TRUE(waitFor([&] { return windowText(fileName) == path(L"Macro_01.txt"); }, 5s));
    typeTime(assistant, L"08:00");
    validate(assistant);
    expectRow(2, Row{L"08:00", L"MACRO=" + path(L"Macro_01.txt"), L"0800"});

    // "Partage:" shows the folder list at PLENAR's current folder (its program folder here):
    // the folders down to it, then its subfolders in alphabetical order; the entry selected is
    // the folder shared.
    ASSERT_EQ(openAssistant(), assistant);
    clickScreen(centreOf(option(assistant, 2)));
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(folders) != FALSE; }, 5s));
    EXPECT_FALSE(IsWindowVisible(fileName));
    std::vector<std::wstring> entries = listEntries(folders);
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[0], folder_.substr(0, 3));
    EXPECT_EQ(entries[entries.size() - 4], folder_);
    EXPECT_EQ(entries[entries.size() - 3], path(L"archives"));
    EXPECT_EQ(entries[entries.size() - 2], path(L"Echange"));
    EXPECT_EQ(entries[entries.size() - 1], path(L"Mes outils"));
    EXPECT_EQ(selectedEntry(folders), static_cast<int>(entries.size()) - 4);
    clickScreen(entryPoint(folders, static_cast<int>(entries.size()) - 2));
    EXPECT_TRUE(waitFor([&] { return selectedEntry(folders) == static_cast<int>(entries.size()) - 2; }, 5s));
    typeTime(assistant, L"09:00");
    validate(assistant);
    expectRow(3, Row{L"09:00", L"SHARE=" + path(L"Echange"), L"0900"});

    // "URL:" shows the address field with its design text.
    ASSERT_EQ(openAssistant(), assistant);
    EXPECT_TRUE(IsWindowVisible(folders));
    clickScreen(centreOf(option(assistant, 3)));
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(address) != FALSE; }, 5s));
    EXPECT_FALSE(IsWindowVisible(folders));
    EXPECT_EQ(windowText(address), L"http://");
    SendMessageW(address, EM_SETSEL, 0, -1);
    type(address, L"http://exemple.fr/été");
    typeTime(assistant, L"10:00");
    validate(assistant);
    expectRow(4, Row{L"10:00", L"IEURL=http://exemple.fr/été", L"1000"});

    EXPECT_EQ(savedList(), "07:00=\"" + ansi(path(L"Mes outils\\copie.bat")) + "\"\r\n08:00=MACRO=" +
                               ansi(path(L"Macro_01.txt")) + "\r\n09:00=SHARE=" + ansi(path(L"Echange")) +
                               "\r\n10:00=IEURL=http://exemple.fr/\xe9t\xe9\r\n12:00=a\r\n");
    quitAndExpectEnd();
}

// The list is in the ANSI code page: a program in a folder named in another script is written
// in the short form of its path, which names the same file.
TEST_F(PlenarAssistantTest, APathTheListCannotHoldIsWrittenInItsShortForm) {
    const std::wstring foreign = L"Outils \u65e5\u672c";
    ASSERT_NE(ansi(foreign), narrowAscii(foreign)) << "the ANSI code page holds the name";
    makeFolder(foreign);
    const std::wstring program = path(foreign.c_str()) + L"\\outil.exe";
    writeFileBytes(program, "MZ");
    ASSERT_NE(startShown(), nullptr);
    HWND assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    chooseFile(assistant, 0, program);
    EXPECT_TRUE(waitFor([&] { return windowText(control(assistant, ids::kAssistantFileName)) == program; }, 5s));
    typeTime(assistant, L"07:00");
    validate(assistant);
    const std::wstring written = row(1)[1];
    EXPECT_EQ(written.find(L'?'), std::wstring::npos) << narrowAscii(written);
    wchar_t longForm[MAX_PATH] = {};
    ASSERT_GT(GetLongPathNameW(written.c_str(), longForm, MAX_PATH), 0u) << narrowAscii(written);
    EXPECT_EQ(std::wstring(longForm), program);
    quitAndExpectEnd();
}

TEST_F(PlenarAssistantTest, FolderListOpensFoldersByDoubleClickAndByEnter) {
    makeFolder(L"Echange");
    makeFolder(L"Echange\\Clients");
    makeFolder(L"Echange\\Fournisseurs");
    makeFolder(L"cachée");
    SetFileAttributesW(path(L"cachée").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_NE(startShown(), nullptr);
    HWND assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    HWND folders = control(assistant, ids::kAssistantFolders);
    clickScreen(centreOf(option(assistant, 2)));
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(folders) != FALSE; }, 5s));
    std::vector<std::wstring> entries = listEntries(folders);
    ASSERT_GE(entries.size(), 2u);
    // Hidden folders are not offered.
    EXPECT_EQ(entries.back(), path(L"Echange"));
    EXPECT_EQ(entries[entries.size() - 2], folder_);

    // A double-click opens a folder: its subfolders come below it.
    doubleClickScreen(entryPoint(folders, static_cast<int>(entries.size()) - 1));
    ASSERT_TRUE(waitFor([&] { return listEntries(folders).size() == entries.size() + 2; }, 5s));
    entries = listEntries(folders);
    EXPECT_EQ(entries[entries.size() - 3], path(L"Echange"));
    EXPECT_EQ(entries[entries.size() - 2], path(L"Echange\\Clients"));
    EXPECT_EQ(entries[entries.size() - 1], path(L"Echange\\Fournisseurs"));
    EXPECT_EQ(selectedEntry(folders), static_cast<int>(entries.size()) - 3);

    // Enter opens the selected one: the root, whose entry is the top one.
    EXPECT_EQ(focusOf(assistant), folders);
    SendMessageW(folders, LB_SETCURSEL, 0, 0);
    pressKeys({VK_RETURN});
    ASSERT_TRUE(waitFor(
        [&] { return selectedEntry(folders) == 0 && listEntries(folders).size() != entries.size(); }, 5s));
    EXPECT_TRUE(IsWindowVisible(assistant)) << "Enter in the folder list validated";
    EXPECT_EQ(tableRows(main_), 1);
    entries = listEntries(folders);
    EXPECT_EQ(entries[0], folder_.substr(0, 3));
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].substr(0, 3), folder_.substr(0, 3)) << narrowAscii(entries[i]);

    // The tab order goes through the folder list when it shows.
    clickScreen(centreOf(option(assistant, 2)));
    ASSERT_TRUE(waitFor([&] { return focusOf(assistant) == option(assistant, 2); }, 5s));
    pressKeys({VK_TAB});
    EXPECT_TRUE(waitFor([&] { return focusOf(assistant) == folders; }, 5s));
    pressKeys({VK_TAB});
    EXPECT_TRUE(waitFor([&] { return focusOf(assistant) == control(assistant, ids::kAssistantTime); }, 5s));
    quitAndExpectEnd();
}

TEST_F(PlenarAssistantTest, ARefusedTimeACancelledChoiceAndAnnulerWriteNothing) {
    ASSERT_NE(startShown("12:00=a\r\n"), nullptr);
    HWND assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    HWND time = control(assistant, ids::kAssistantTime);

    // 9:05 has four characters: refused with a message, the field back to the current time.
    typeTime(assistant, L"9:05");
    clickScreen(centreOf(control(assistant, ids::kAssistantValidate)));
    const std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"L'heure n'est pas bonne, merci de la corriger, puis de revalider.");
    EXPECT_EQ(shownIcon(message->window), nullptr);
    int buttons = 0;
    for (HWND child = FindWindowExW(message->window, nullptr, L"Button", nullptr); child;
         child = FindWindowExW(message->window, child, L"Button", nullptr))
        buttons += IsWindowVisible(child) ? 1 : 0;
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(windowText(time), L"9:05") << "the field is put back once the message is answered";
    press(message->window, IDOK);
    EXPECT_TRUE(waitFor([&] { return isClockTime(windowText(time)); }, 5s)) << narrowAscii(windowText(time));
    EXPECT_TRUE(IsWindowVisible(assistant));
    EXPECT_EQ(tableRows(main_), 2);

    // A cancelled open dialog leaves the three fields hidden and the choice made before.
    clickScreen(centreOf(option(assistant, 3)));
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(control(assistant, ids::kAssistantAddress)) != FALSE; }, 5s));
    SendMessageW(control(assistant, ids::kAssistantAddress), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"http://exemple.fr/"));
    for (int index : {0, 1}) {
        clickScreen(centreOf(option(assistant, index)));
        HWND dialog = waitForOpenDialog();
        ASSERT_NE(dialog, nullptr);
        press(dialog, IDCANCEL);
        ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 10s));
        ASSERT_TRUE(settled(assistant));
        EXPECT_FALSE(IsWindowVisible(control(assistant, ids::kAssistantFileName))) << index;
        EXPECT_FALSE(IsWindowVisible(control(assistant, ids::kAssistantFolders))) << index;
        EXPECT_FALSE(IsWindowVisible(control(assistant, ids::kAssistantAddress))) << index;
        EXPECT_FALSE(checked(option(assistant, index))) << index;
        EXPECT_TRUE(checked(option(assistant, 3))) << index;
    }
    typeTime(assistant, L"13:00");
    validate(assistant);
    expectRow(1, Row{L"12:00", L"a", L"1200"});
    expectRow(2, Row{L"13:00", L"IEURL=http://exemple.fr/", L"1300"});

    // A first choice given up leaves no option chosen, and Tab still reaches the options.
    ASSERT_EQ(openAssistant(), assistant);
    pressKeys({VK_MENU, 'A'});
    ASSERT_TRUE(waitFor([&] { return !IsWindow(assistant); }, 5s)) << "Alt+A closes the assistant";
    assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    clickScreen(centreOf(option(assistant, 1)));
    HWND dialog = waitForOpenDialog();
    ASSERT_NE(dialog, nullptr);
    press(dialog, IDCANCEL);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 10s));
    ASSERT_TRUE(settled(assistant));
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(checked(option(assistant, i))) << i;
    const auto onAnOption = [&] {
        const int id = GetDlgCtrlID(focusOf(assistant));
        return id >= ids::kAssistantFirstOption && id < ids::kAssistantFirstOption + 4;
    };
    clickScreen(centreOf(control(assistant, ids::kAssistantTime)));
    ASSERT_TRUE(waitFor([&] { return focusOf(assistant) == control(assistant, ids::kAssistantTime); }, 5s));
    for (int i = 0; i < 5 && !onAnOption(); ++i) {
        // One Tab at a time: the next is pressed once the focus has moved.
        HWND before = focusOf(assistant);
        pressKeys({VK_TAB});
        ASSERT_TRUE(waitFor([&] { return focusOf(assistant) != before; }, 5s));
    }
    EXPECT_TRUE(onAnOption());

    // "&Annuler" closes the assistant without writing; it comes back with fresh fields.
    typeTime(assistant, L"14:00");
    clickScreen(centreOf(control(assistant, ids::kAssistantCancel)));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(assistant); }, 5s));
    EXPECT_EQ(tableRows(main_), 3);
    assistant = openAssistant();
    ASSERT_NE(assistant, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(checked(option(assistant, i))) << i;
    EXPECT_TRUE(isClockTime(windowText(control(assistant, ids::kAssistantTime))));
    EXPECT_EQ(windowText(control(assistant, ids::kAssistantAddress)), L"http://");
    EXPECT_FALSE(IsWindowVisible(control(assistant, ids::kAssistantAddress)));

    // The close box is "&Annuler" too.
    PostMessageW(assistant, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(assistant); }, 5s));
    EXPECT_EQ(savedList(), "12:00=a\r\n13:00=IEURL=http://exemple.fr/\r\n");
    quitAndExpectEnd();
}

}  // namespace
