// PLENAR end to end: start-up, settings, the start command, the table, saving and the list
// download, through the real program's windows.
#include "scheduler/tests/plenar_test_support.h"

#include "scheduler/app/action_assistant.h"
#include "scheduler/app/platform.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace plenar_test;

// An input box is found as soon as its window exists, before its prompt and its proposal are
// filled in: only a visible box with its prompt is whole.
HWND openedInputBox(DWORD processId, const std::wstring& caption) {
    const std::optional<MessageBoxSeen> box = waitForMessageBox(processId, caption, 5s);
    return box ? box->window : nullptr;
}

TEST_F(PlenarWindowTest, StartsWithoutSettingsFileOnDefaultsAndWritesNothing) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windowText(main), L"Gestion des tâches (local et internet) - PLENAR v1.0");
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kDelayEdit)), L"30");
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kDownloadDelayEdit)), L"30");
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kMacroDurationEdit)), L"30");
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kUrlEdit)),
              L"http://plenar.example.com/zezerav/VESSANOR/lstplenar.txt");
    EXPECT_EQ(windowText(GetDlgItem(main, ids::kGoButton)), L"&GO");
    // No list: the header and the one blank row.
    EXPECT_EQ(tableRows(main), 1);
    // The defaults equal the fields' design texts: nothing changed, nothing written.
    EXPECT_EQ(GetFileAttributesW(path(L"param.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, StartsWithoutIconFileOnTheProgramsOwnIcon) {
    ASSERT_TRUE(DeleteFileW(path(L"Activitl.ico").c_str()));
    start();
    ASSERT_NE(waitForVisibleMainWindow(), nullptr);
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, CheckPeriodAboveOneMinuteIsReportedAtStartUpAndCorrectedInTheFile) {
    writeSetting(L"DELAI", L"90");
    start();
    const std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus d'une minute de délai.");
    EXPECT_TRUE(message->hasIcon);
    // The field shows, and the file holds, the corrected value before the message is answered.
    EXPECT_EQ(readSetting(L"DELAI"), L"60");
    press(message->window, IDOK);
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    expectSoon([&] { return windowText(GetDlgItem(main, ids::kDelayEdit)); }, L"60");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"60");
    quitAndExpectEnd();
}

// Whatever param.ini holds, start-up ends with the window shown: every message it raises is
// answered as a user would, and the program then quits normally.
TEST_F(PlenarWindowTest, AnySettingsValuesStartWithoutCrashOrHang) {
    const std::wstring longUrl(300, L'x');
    const struct {
        const wchar_t* delay;
        const wchar_t* downloadDelay;
        const wchar_t* macroDuration;
        const wchar_t* url;
    } cases[] = {
        {L"abc", L"-99999999999", L"", L""},
        {L"0", L"1e308", L"40000", longUrl.c_str()},
        {L"-5", L"2,5,5", L"\x01\x7f", L"\u00e9\u4e2d"},
        {L"32768", L" ", L"-32769", L"http://127.0.0.1:1/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(L"DELAI=") + c.delay + L" DELAIDL=" + c.downloadDelay);
        writeSetting(L"DELAI", c.delay);
        writeSetting(L"DELAIDL", c.downloadDelay);
        writeSetting(L"DUREEMACRO", c.macroDuration);
        writeSetting(L"URL", c.url);
        start();
        HWND main = nullptr;
        waitFor(
            [&] {
                if (HWND box = findTopLevel(processId_, L"#32770", L"ERREUR"); box && IsWindowVisible(box)) {
                    press(box, IDOK);
                    return false;
                }
                return (main = mainWindow()) != nullptr && IsWindowVisible(main);
            },
            30s);
        ASSERT_NE(main, nullptr);
        quitAndExpectEnd();
        process_.reset();
    }
}

TEST_F(PlenarWindowTest, SettingsFieldsCheckEveryKeyAndWriteAtOnce) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    HWND duration = GetDlgItem(main, ids::kMacroDurationEdit);
    HWND downloadDelay = GetDlgItem(main, ids::kDownloadDelayEdit);

    // 120 typed key by key into an emptied field: the empty field is not a number...
    SendMessageW(delay, EM_SETSEL, 0, -1);
    PostMessageW(delay, WM_CHAR, VK_BACK, 1);
    std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Veuillez renseigner un chiffre en seconde comme délai.");
    press(message->window, IDOK);
    ASSERT_TRUE(waitFor([&] { return windowText(delay) == L"30"; }, 5s));
    expectSoon([&] { return readSetting(L"DELAI"); }, L"30");

    // ... then 1 and 12 are written, and 120 becomes 60 with its message.
    SendMessageW(delay, EM_SETSEL, 0, -1);
    type(delay, L"1");
    EXPECT_EQ(readSetting(L"DELAI"), L"1");
    type(delay, L"2");
    EXPECT_EQ(readSetting(L"DELAI"), L"12");
    PostMessageW(delay, WM_CHAR, L'0', 1);
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus d'une minute de délai.");
    EXPECT_TRUE(message->hasIcon);
    EXPECT_EQ(windowText(delay), L"60");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    expectSoon([&] { return readSetting(L"DELAI"); }, L"60");

    // 250 seconds of macro: back to 30, not to the limit.
    SendMessageW(duration, EM_SETSEL, 0, -1);
    type(duration, L"2");
    type(duration, L"5");
    PostMessageW(duration, WM_CHAR, L'0', 1);
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus de 4 minutes de durée.");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    expectSoon([&] { return windowText(duration); }, L"30");
    expectSoon([&] { return readSetting(L"DUREEMACRO"); }, L"30");

    // -5: below the limit.
    SendMessageW(delay, EM_SETSEL, 0, -1);
    PostMessageW(delay, WM_CHAR, L'-', 1);
    // "-" alone is not a number.
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Veuillez renseigner un chiffre en seconde comme délai.");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    SendMessageW(delay, EM_SETSEL, 0, -1);
    type(delay, L"5");
    SendMessageW(delay, EM_SETSEL, 0, 0);
    PostMessageW(delay, WM_CHAR, L'-', 1);
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir moins de 0 seconde de délai.");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    expectSoon([&] { return windowText(delay); }, L"30");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"30");

    // 40000 is not a 16-bit whole number: the not-a-number path, not the limit. Pasted at
    // once, as a program or the clipboard would put it.
    DWORD_PTR ignored;
    SendMessageTimeoutW(downloadDelay, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"40000"), SMTO_ABORTIFHUNG, 1000,
                        &ignored);
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Veuillez renseigner un chiffre en minute comme délai de téléchargement.");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    expectSoon([&] { return windowText(downloadDelay); }, L"30");
    expectSoon([&] { return readSetting(L"DELAIDL"); }, L"30");

    quitAndExpectEnd();
}

// A settings message is modal, and while it is on screen the user can still activate the
// notification-area icon, which closes the window and opens a new one: the handler that showed
// the message must not go on with the old window's field (it would write an empty setting).
TEST_F(PlenarWindowTest, ASettingsMessageOutlivingItsWindowWritesNothingMore) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    SendMessageW(delay, EM_SETSEL, 0, -1);
    type(delay, L"1");
    type(delay, L"2");
    PostMessageW(delay, WM_CHAR, L'0', 1);
    const std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus d'une minute de délai.");
    PostMessageW(main, ids::kTrayMessage, ids::kTrayIconId, WM_LBUTTONUP);
    HWND reopened = waitForVisibleMainWindow(main);
    ASSERT_NE(reopened, nullptr);
    // The message went with its window; the new window shows what the file holds, and nothing
    // asks anything more.
    EXPECT_TRUE(waitFor([&] { return !IsWindow(message->window); }, 5s));
    EXPECT_EQ(readSetting(L"DELAI"), L"60");
    EXPECT_EQ(windowText(GetDlgItem(reopened, ids::kDelayEdit)), L"60");
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 1s));
    EXPECT_EQ(readSetting(L"DELAI"), L"60");
    quitAndExpectEnd();
}

// The fields read numbers as every program of the user does: the platform's conversion in the
// user's locale, exponents and grouping included.
TEST_F(PlenarWindowTest, SettingsNumbersAreReadAsThePlatformReadsThem) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    HWND duration = GetDlgItem(main, ids::kMacroDurationEdit);
    const auto put = [&](HWND field, const std::wstring& text) {
        DWORD_PTR ignored;
        SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 1000,
                            &ignored);
    };
    // 1e2 is a hundred: above the limit, not "not a number".
    put(delay, L"1e2");
    std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus d'une minute de délai.");
    press(message->window, IDOK);
    expectSoon([&] { return readSetting(L"DELAI"); }, L"60");

    // A number grouped with the user's thousands separator: 1 000 seconds of macro is above 240.
    wchar_t group[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group, 8);
    put(duration, std::wstring(L"1") + group + L"000");
    message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Vous ne pouvez pas définir plus de 4 minutes de durée.");
    press(message->window, IDOK);
    expectSoon([&] { return readSetting(L"DUREEMACRO"); }, L"30");

    // A sign, blanks and 4e1 are accepted and written as typed.
    put(delay, L"+12 ");
    expectSoon([&] { return readSetting(L"DELAI"); }, L"+12");
    put(duration, L"4e1");
    expectSoon([&] { return readSetting(L"DUREEMACRO"); }, L"4e1");
    EXPECT_EQ(findTopLevel(processId_, L"#32770"), nullptr);
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, StartCommandHidesWindowRunsRowOnceAndIconBringsWindowBackStopped) {
    // Checks every second, never downloads; one row at the minute that PLENAR's clock reaches a
    // few seconds after it starts, which leaves a trace.
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    const std::wstring trace = path(L"trace.txt");
    writeFileBytes(path(L"lstplenar.txt"), "10:15=" + echoInto(trace, "ran") + "\r\n" +
                                               "03:07=" + echoInto(trace, "other") + "\r\n");

    start(L"10:14:56");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    // The blank row and the two rows; once start-up is over, nothing has run.
    EXPECT_TRUE(waitFor([&] { return tableRows(main) == 3; }, 5s));
    ASSERT_TRUE(settled(main));
    EXPECT_EQ(GetFileAttributesW(trace.c_str()), INVALID_FILE_ATTRIBUTES);

    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(main); }, 5s)) << "the start command hides the window";

    ASSERT_TRUE(waitFor([&] { return countLines(readFileBytes(trace)) >= 1; }, 30s)) << "the row ran";
    // Passes every second for the rest of the minute (each reloads the list, which grows by a
    // row each time to show it): the row does not run again.
    std::string list = readFileBytes(path(L"lstplenar.txt"));
    for (int pass = 0; pass < 2; ++pass) {
        list += "03:0" + std::to_string(8 + pass) + "=later\r\n";
        writeFileBytes(path(L"lstplenar.txt"), list);
        EXPECT_TRUE(waitFor([&] { return tableRows(main) == 4 + pass; }, 10s)) << "pass " << pass;
    }
    EXPECT_EQ(readFileBytes(trace), "ran\r\n");

    // The icon's activation: the window closes and opens again, visible and stopped.
    PostMessageW(main, ids::kTrayMessage, ids::kTrayIconId, WM_LBUTTONUP);
    HWND reopened = waitForVisibleMainWindow(main);
    ASSERT_NE(reopened, nullptr);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(windowText(reopened), L"Gestion des tâches (local et internet) - PLENAR v1.0");
    EXPECT_TRUE(waitFor([&] { return tableRows(reopened) == 5; }, 5s));
    // Stopped: new rows for this very minute (PLENAR's clock is a few seconds past 10:15, or
    // just past 10:16 on a slow machine) would run at the next pass of a running scheduler (a
    // pass a second); nothing runs.
    writeFileBytes(path(L"lstplenar.txt"), "10:15=" + echoInto(trace, "again") + "\r\n" +
                                               "10:16=" + echoInto(trace, "again") + "\r\n");
    // Two periods of the old check timer.
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(readFileBytes(trace), "ran\r\n");
    quitAndExpectEnd();
}

// A protocol whose registered handler leaves a trace: what the shell's "open" verb does with an
// address of it shows.
class TracingProtocol {
public:
    TracingProtocol(const std::wstring& trace) {
        const std::wstring handler = L"C:\\windows\\system32\\cmd.exe /c echo %1>>\"" + trace + L"\"";
        ok_ = set(kKey, nullptr, L"URL:plenartest") && set(kKey, L"URL Protocol", L"") &&
              set(std::wstring(kKey) + L"\\shell\\open\\command", nullptr, handler);
    }
    ~TracingProtocol() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey); }
    bool ok() const { return ok_; }

private:
    static constexpr wchar_t kKey[] = L"Software\\Classes\\plenartest";
    static bool set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                               DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    bool ok_ = false;
};

// On the NT family there is no start.exe: a program of that name in PLENAR's folder (its
// current folder too) or on the search path is someone else's and never receives the address;
// the shell's "open" verb opens it.
TEST_F(PlenarWindowTest, AddressesOpenThroughTheShellNeverThroughAStartOnTheSearchPath) {
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    const std::wstring searched = path(L"bin");
    ASSERT_TRUE(CreateDirectoryW(searched.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"command_line_recorder.exe").c_str(), path(L"start.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"command_line_recorder.exe").c_str(), (searched + L"\\start.exe").c_str(), FALSE));
    const std::wstring trace = path(L"address.txt");
    TracingProtocol protocol(trace);
    ASSERT_TRUE(protocol.ok());

    // PLENAR inherits a search path that leads to the other start.exe first.
    wchar_t oldPath[32768] = {};
    const DWORD oldLength = GetEnvironmentVariableW(L"PATH", oldPath, 32768);
    SetEnvironmentVariableW(L"PATH", (searched + L";" + oldPath).c_str());
    start(L"21:40:00");
    SetEnvironmentVariableW(L"PATH", oldLength ? oldPath : nullptr);
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    // A row for this very minute of PLENAR's clock, then the start command: with an empty
    // table it runs a pass at once.
    writeFileBytes(path(L"lstplenar.txt"), "21:40=IEURL=plenartest:ouvert\r\n");
    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return readFileBytes(trace).find("plenartest:ouvert") != std::string::npos; }, 20s))
        << readFileBytes(trace);
    EXPECT_EQ(readFileBytes(path(L"start.exe.log")), "");
    EXPECT_EQ(readFileBytes(searched + L"\\start.exe.log"), "");
    quitAndExpectEnd();
}

// Windows 95/98 open documents with the start.exe of their command folder: there it is used,
// with the address, and not the shell's verb.
TEST_F(PlenarWindowTest, OnWindows98AddressesGoToItsOwnStartProgram) {
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    wchar_t windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring commandFolder = std::wstring(windows) + L"\\command";
    const std::wstring start98 = commandFolder + L"\\start.exe";
    CreateDirectoryW(commandFolder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"command_line_recorder.exe").c_str(), start98.c_str(), FALSE));
    DeleteFileW((start98 + L".log").c_str());
    const std::wstring trace = path(L"address.txt");
    TracingProtocol protocol(trace);
    // The platform as it reports itself to PLENAR.exe alone.
    const wchar_t* appDefaults = L"Software\\Wine\\AppDefaults\\PLENAR.exe";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, appDefaults, L"Version", REG_SZ, L"win98", 12), ERROR_SUCCESS);

    start(L"21:40:00");
    HWND main = waitForVisibleMainWindow();
    if (main) {
        writeFileBytes(path(L"lstplenar.txt"), "21:40=IEURL=plenartest:ouvert\r\n");
        PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    }
    std::string recorded;
    const bool started = waitFor([&] { return !(recorded = readFileBytes(start98 + L".log")).empty(); }, 20s);
    RegDeleteTreeW(HKEY_CURRENT_USER, appDefaults);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(started);
    EXPECT_NE(recorded.find("start.exe\" plenartest:ouvert"), std::string::npos) << recorded;
    EXPECT_EQ(readFileBytes(trace), "");
    quitAndExpectEnd();
    DeleteFileW(start98.c_str());
    DeleteFileW((start98 + L".log").c_str());
    RemoveDirectoryW(commandFolder.c_str());
}

// DELAI 0 switches checking off: after the start command no pass ever comes, neither to run a
// row nor to reload the list.
TEST_F(PlenarWindowTest, CheckPeriodZeroNeverRunsAPass) {
    writeSetting(L"DELAI", L"0");
    writeSetting(L"DELAIDL", L"0");
    const std::wstring trace = path(L"trace.txt");
    writeFileBytes(path(L"lstplenar.txt"), "06:00=" + echoInto(trace, "ran") + "\r\n");
    start(L"05:59:58");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s));
    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(main); }, 5s));
    // A pass would now reload this list too.
    writeFileBytes(path(L"lstplenar.txt"), "06:00=" + echoInto(trace, "ran") + "\r\n23:00=x\r\n");
    // Past 06:00:01 on PLENAR's clock.
    std::this_thread::sleep_for(3500ms);
    EXPECT_EQ(GetFileAttributesW(trace.c_str()), INVALID_FILE_ATTRIBUTES) << "the row ran";
    EXPECT_EQ(tableRows(main), 2) << "a pass reloaded the list";
    quitAndExpectEnd();
}

// A new time typed in the input box replaces the time cell as typed; the key and the row's
// place stay until the next load, and saving writes the rows in the table's order.
TEST_F(PlenarWindowTest, ANewTimeIsTakenAsTypedWithoutNewKeyOrOrder) {
    writeFileBytes(path(L"lstplenar.txt"), "18:00=a\r\n07:45=b\r\n12:30=c\r\n");
    start(L"23:10:00");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 4; }, 5s));
    SetWindowPos(main, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(main);
    HWND table = GetDlgItem(main, ids::kTable);
    ASSERT_EQ(tableCellText(processId_, table, 1, 0), L"07:45");

    clickScreen(cellPoint(table, 1, 0));
    const std::optional<MessageBoxSeen> question = waitForMessageBox(processId_, L"MODIFICATION");
    ASSERT_TRUE(question);
    press(question->window, IDNO);
    HWND box = nullptr;
    ASSERT_TRUE(box = openedInputBox(processId_, L"MODIFICATION DE L'HEURE"));
    HWND answer = FindWindowExW(box, nullptr, L"Edit", nullptr);
    ASSERT_NE(answer, nullptr);
    // PLENAR's clock shows 23:10 (23:11 on a slow machine): the proposal is the current minute.
    const std::wstring proposed = windowText(answer);
    EXPECT_TRUE(proposed == L"23:10" || proposed == L"23:11") << std::string(proposed.begin(), proposed.end());
    EXPECT_EQ(readMessageBox(box).text, L"Entrer la nouvelle heure: ");
    press(box, IDOK);
    EXPECT_TRUE(waitFor([&] { return tableCellText(processId_, table, 1, 0) == proposed; }, 5s));
    EXPECT_EQ(tableCellText(processId_, table, 1, 1), L"b");
    EXPECT_EQ(tableCellText(processId_, table, 1, 2), L"0745");
    EXPECT_EQ(tableCellText(processId_, table, 2, 0), L"12:30");

    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    const std::string narrowProposed(proposed.begin(), proposed.end());
    EXPECT_TRUE(waitFor([&] { return readFileBytes(path(L"lstplenar.txt")) == narrowProposed + "=b\r\n12:30=c\r\n18:00=a\r\n"; }, 5s))
        << readFileBytes(path(L"lstplenar.txt"));
    quitAndExpectEnd();
}

// A pass that reloads the table while the question about a row is on screen: the answer must
// not land on whatever row now stands at that place.
TEST_F(PlenarWindowTest, AnAnswerGivenAfterAReloadChangesNothing) {
    writeSetting(L"DELAI", L"2");
    writeSetting(L"DELAIDL", L"0");
    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n12:30=c\r\n");
    start(L"03:00:00");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 3; }, 5s));
    SetWindowPos(main, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(main);
    HWND table = GetDlgItem(main, ids::kTable);
    clickScreen(cellPoint(table, 1, 1));
    const std::optional<MessageBoxSeen> question = waitForMessageBox(processId_, L"MODIFICATION");
    ASSERT_TRUE(question);

    // The scheduler starts (as from its menu) and its first pass loads a longer list.
    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n12:30=c\r\n13:00=d\r\n");
    PostMessageW(main, WM_COMMAND, ids::kMenuStart, 0);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 4; }, 10s));
    press(question->window, IDYES);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(question->window); }, 5s));
    EXPECT_EQ(tableRows(main), 4) << "a row was removed after the reload";
    EXPECT_EQ(tableCellText(processId_, table, 1, 1), L"b");
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, SaveWritesTheTableAndTheAddress) {
    writeFileBytes(path(L"lstplenar.txt"), "18:00=a\n07:45=b\r12:30=c");
    writeSetting(L"URL", L"http://127.0.0.1:1/liste.txt");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(waitFor([&] { return tableRows(main) == 4; }, 5s));
    SendMessageW(GetDlgItem(main, ids::kUrlEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"http://127.0.0.1:2/é.txt"));
    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    ASSERT_TRUE(waitFor([&] { return readFileBytes(path(L"lstplenar.txt")) == "07:45=b\r\n12:30=c\r\n18:00=a\r\n"; }, 5s))
        << readFileBytes(path(L"lstplenar.txt"));
    EXPECT_EQ(readSetting(L"URL"), L"http://127.0.0.1:2/é.txt");
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, SaveToAReadOnlyListReportsAndKeepsTheFile) {
    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    // The window shows before the list is loaded.
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s));
    // Another program holds the list open without sharing: it cannot be replaced.
    unique_hfile locked(CreateFileW(path(L"lstplenar.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    const std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_NE(message->text.find(L"lstplenar.txt"), std::wstring::npos) << message->text;
    press(message->window, IDOK);
    locked.reset();
    EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), "07:45=b\r\n");
    EXPECT_EQ(tableRows(main), 2);
    quitAndExpectEnd();
}

// A reader holding the list for a moment (an indexer, a script polling it) does not cost the save.
TEST_F(PlenarWindowTest, AListHeldForAMomentIsStillSavedOver) {
    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n12:30=c");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 3; }, 5s));
    unique_hfile held(CreateFileW(path(L"lstplenar.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    Sleep(150);
    held.reset();
    EXPECT_TRUE(waitFor([&] { return readFileBytes(path(L"lstplenar.txt")) == "07:45=b\r\n12:30=c\r\n"; }, 5s))
        << readFileBytes(path(L"lstplenar.txt"));
    EXPECT_FALSE(findTopLevel(processId_, L"#32770", L"ERREUR"));
    quitAndExpectEnd();
}

// What a crash between writing a temporary file and moving it over the list left behind goes
// at the next start; nothing else of the folder does.
TEST_F(PlenarWindowTest, TemporaryFilesLeftByAnEarlierRunAreRemovedAtStart) {
    const std::vector<const wchar_t*> leftovers = {L"~PLN00FF.tmp", L"~pln12ab.TMP"};
    const std::vector<const wchar_t*> others = {L"~PLNXYZW.tmp", L"other.tmp", L"~PLN1234.tmp.bak", L"~PLN123.tmp"};
    for (const wchar_t* name : leftovers) writeFileBytes(path(name), "07:45=half");
    for (const wchar_t* name : others) writeFileBytes(path(name), "mine");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    for (const wchar_t* name : leftovers)
        EXPECT_TRUE(waitFor([&] { return GetFileAttributesW(path(name).c_str()) == INVALID_FILE_ATTRIBUTES; }, 5s))
            << std::string(name, name + wcslen(name));
    for (const wchar_t* name : others)
        EXPECT_EQ(readFileBytes(path(name)), "mine") << std::string(name, name + wcslen(name));
    quitAndExpectEnd();
}

// A program folder deeper than the path limit (Wine cannot start a program there, so the file
// steps are driven here directly): the list is replaced through its temporary file, and the
// leftovers of a crash are found and removed there as anywhere else.
TEST(PlenarFiles, ListReplacementAndLeftoversWorkPastThePathLimit) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    const std::wstring top = std::wstring(base) + L"plenar-deep-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring middle = top + L"\\" + std::wstring(120, L'p');
    const std::wstring deep = middle + L"\\" + std::wstring(120, L'q');
    const std::wstring list = deep + L"\\lstplenar.txt";
    ASSERT_GT(list.size(), static_cast<std::size_t>(MAX_PATH));
    for (const std::wstring& folder : {top, middle, deep})
        ASSERT_TRUE(CreateDirectoryW(tolvare::plenar::extendedPath(folder).c_str(), nullptr));
    const auto contentOf = [](const std::wstring& file) {
        unique_hfile handle(CreateFileW(tolvare::plenar::extendedPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        char bytes[256] = {};
        DWORD read = 0;
        if (!handle || !ReadFile(handle.get(), bytes, sizeof bytes, &read, nullptr)) return std::string("<missing>");
        return std::string(bytes, read);
    };

    EXPECT_TRUE(tolvare::plenar::replaceFileAtomically(list, "07:45=b\r\n"));
    EXPECT_EQ(contentOf(list), "07:45=b\r\n");
    EXPECT_TRUE(tolvare::plenar::replaceFileAtomically(list, "18:00=a\r\n"));
    EXPECT_EQ(contentOf(list), "18:00=a\r\n");
    EXPECT_TRUE(tolvare::plenar::fileExists(list));

    const std::wstring leftover = deep + L"\\~PLNBEEF.tmp";
    {
        unique_hfile file(CreateFileW(tolvare::plenar::extendedPath(leftover).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    tolvare::plenar::removeLeftoverTemporaryFiles(deep);
    EXPECT_FALSE(tolvare::plenar::fileExists(leftover));
    EXPECT_TRUE(tolvare::plenar::fileExists(list));

    DeleteFileW(tolvare::plenar::extendedPath(list).c_str());
    for (const std::wstring& folder : {deep, middle, top}) RemoveDirectoryW(tolvare::plenar::extendedPath(folder).c_str());
}

TEST_F(PlenarWindowTest, CellClicksDeleteAndModifyRowsAndTheBlankRowAsksNothing) {
    writeFileBytes(path(L"lstplenar.txt"), "18:00=a\r\n07:45=b\r\n12:30=c\r\n");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 4; }, 5s));
    // Away from the corner where a bare X server shows the notification area.
    SetWindowPos(main, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(main);
    waitFor([&] { return GetForegroundWindow() == main; }, 5s);
    HWND table = GetDlgItem(main, ids::kTable);
    HWND notice = GetDlgItem(main, ids::kInfoLabel);
    EXPECT_FALSE(IsWindowVisible(notice));

    // The blank row: no question but the assistant, and the notice shows.
    clickScreen(cellPoint(table, 0, 1));
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(notice) != FALSE; }, 5s));
    EXPECT_EQ(windowText(notice),
              L"Toutes les modifs sur la liste courrante doivent être répércutées sur le fichier d'Internet !!!");
    // A question would be on screen once the click is handled.
    ASSERT_TRUE(settled(main));
    EXPECT_EQ(findTopLevel(processId_, L"#32770"), nullptr);
    HWND assistant = findTopLevel(processId_, ids::kAssistantWindowClass, ids::kAssistantCaption);
    ASSERT_NE(assistant, nullptr);
    EXPECT_TRUE(IsWindowVisible(assistant));
    // Out of the way of the clicks below.
    press(assistant, IDCANCEL);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(assistant); }, 5s));

    // Yes on the time of 07:45 removes that row.
    clickScreen(cellPoint(table, 1, 0));
    std::optional<MessageBoxSeen> question = waitForMessageBox(processId_, L"MODIFICATION");
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text,
              L"Répondez oui si vous souhaitez supprimer l'action, non pour la modifier et cancel pour annuler.");
    press(question->window, IDYES);
    EXPECT_TRUE(waitFor([&] { return tableRows(main) == 3; }, 5s));

    // No on the action of 18:00 (now the second data row) asks for the new action.
    clickScreen(cellPoint(table, 2, 1));
    question = waitForMessageBox(processId_, L"MODIFICATION");
    ASSERT_TRUE(question);
    press(question->window, IDNO);
    HWND box = nullptr;
    ASSERT_TRUE(box = openedInputBox(processId_, L"MODIFICATION DE L'ACTION"));
    HWND answer = FindWindowExW(box, nullptr, L"Edit", nullptr);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(windowText(answer), L"a");
    EXPECT_EQ(readMessageBox(box).text, L"Entrer la nouvelle action: ");
    SendMessageW(answer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"MACRO=Macro_01.txt"));
    press(box, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);

    // No on the key of 12:30 proposes the current minute as the new time; Cancel keeps it.
    SYSTEMTIME before;
    GetLocalTime(&before);
    clickScreen(cellPoint(table, 1, 2));
    question = waitForMessageBox(processId_, L"MODIFICATION");
    ASSERT_TRUE(question);
    press(question->window, IDNO);
    ASSERT_TRUE(box = openedInputBox(processId_, L"MODIFICATION DE L'HEURE"));
    answer = FindWindowExW(box, nullptr, L"Edit", nullptr);
    SYSTEMTIME after;
    GetLocalTime(&after);
    const std::string shown = [&] {
        const std::wstring text = windowText(answer);
        return std::string(text.begin(), text.end());
    }();
    EXPECT_TRUE(shown == timeOfDay(before) || shown == timeOfDay(after)) << shown;
    press(box, IDCANCEL);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);

    // Only saving writes the edits to the file.
    EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), "18:00=a\r\n07:45=b\r\n12:30=c\r\n");
    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    EXPECT_TRUE(waitFor([&] { return readFileBytes(path(L"lstplenar.txt")) == "12:30=c\r\n18:00=MACRO=Macro_01.txt\r\n"; }, 5s))
        << readFileBytes(path(L"lstplenar.txt"));
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, ListFilesOfAnyBytesLoadWithoutCrashOrHang) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37) & 0xFF));
    int binaryLines = 1;  // the last line needs no line end
    for (std::size_t i = 0; i < binary.size(); ++i) {
        if (binary[i] == '\r') {
            ++binaryLines;
            if (i + 1 < binary.size() && binary[i + 1] == '\n') ++i;
        } else if (binary[i] == '\n') {
            ++binaryLines;
        }
    }
    if (binary.back() == '\r' || binary.back() == '\n') --binaryLines;
    struct Case {
        const char* name;
        std::string bytes;
        int rows;  // the blank row included
    };
    const std::vector<Case> cases = {
        {"empty file", "", 1},
        {"only CRs", "\r\r\r", 4},
        {"LF line ends", "10:00=a\n11:00=b\n", 3},
        {"NUL characters and every byte", binary, binaryLines + 1},
        {"a 10 MB single line", std::string(10 * 1024 * 1024, 'x'), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(path(L"lstplenar.txt"), c.bytes);
        start();
        HWND main = waitForVisibleMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(waitFor([&] { return tableRows(main) == c.rows; }, 10s)) << tableRows(main);
        quitAndExpectEnd();
    }

    // A list held open by another program without sharing: the header and the blank row.
    writeFileBytes(path(L"lstplenar.txt"), "10:00=a\r\n");
    unique_hfile locked(CreateFileW(path(L"lstplenar.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(settled(main));
    EXPECT_EQ(tableRows(main), 1);
    quitAndExpectEnd();
}

TEST_F(PlenarWindowTest, DecimalValueWithTheUsersSeparatorIsAcceptedAndWrittenAsTyped) {
    // As in France: a decimal comma, and numbers grouped by a non-breaking space, for amounts of
    // money too (the platform's conversion reads both forms).
    UserLocaleValue decimal(L"sDecimal", L",");
    UserLocaleValue grouping(L"sThousand", L"\u00a0");
    UserLocaleValue moneyDecimal(L"sMonDecimalSep", L",");
    UserLocaleValue moneyGrouping(L"sMonThousandSep", L"\u00a0");
    ASSERT_TRUE(decimal.set() && grouping.set() && moneyDecimal.set() && moneyGrouping.set());
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND delay = GetDlgItem(main, ids::kDelayEdit);
    DWORD_PTR ignored;
    SendMessageTimeoutW(delay, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2,5"), SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_FALSE(waitForMessageBox(processId_, L"ERREUR", 1500ms)) << "2,5 is a number with a French separator";
    EXPECT_EQ(windowText(delay), L"2,5");
    EXPECT_EQ(readSetting(L"DELAI"), L"2,5");
    // The same text with the point as separator is not a number.
    SendMessageTimeoutW(delay, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2.5"), SMTO_ABORTIFHUNG, 1000, &ignored);
    const std::optional<MessageBoxSeen> message = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Veuillez renseigner un chiffre en seconde comme délai.");
    press(message->window, IDOK);
    waitFor([&] { return findTopLevel(processId_, L"#32770") == nullptr; }, 5s);
    expectSoon([&] { return readSetting(L"DELAI"); }, L"30");
    quitAndExpectEnd();
}

// The list download, from the menu while the scheduler is stopped, against the HTTP test
// server of library/internet/tests.
class PlenarDownloadTest : public PlenarWindowTest {
protected:
    static constexpr char kOldList[] = "07:45=old list\r\n";

    void SetUp() override {
        PlenarWindowTest::SetUp();
        ASSERT_NE(httpTestServerPort(), 0) << "no HTTP test server: run library/internet/tests/http_test_server.sh start "
                                              "<this program's folder>";
    }

    // Starts PLENAR on the old list.
    HWND startOnOldList() {
        writeFileBytes(path(L"lstplenar.txt"), kOldList);
        start();
        HWND main = waitForVisibleMainWindow();
        if (main) waitFor([&] { return tableRows(main) == 2; }, 5s);
        return main;
    }

    // Puts the address into the settings field and chooses the menu's download; returns once
    // the download is over (the menu command is handled when the sent message returns).
    bool download(HWND main, const std::wstring& url) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(GetDlgItem(main, ids::kUrlEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str()),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        return SendMessageTimeoutW(main, WM_COMMAND, ids::kMenuDownload, 0, SMTO_NORMAL, 90000, &ignored) != 0;
    }

    void expectListSoon(const std::string& expected) {
        std::string got;
        EXPECT_TRUE(waitFor([&] { return (got = readFileBytes(path(L"lstplenar.txt"))) == expected; }, 10s))
            << ::testing::PrintToString(got.substr(0, 200));
    }

    bool temporaryFilesLeft() {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(path(L"*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    }
};

TEST_F(PlenarDownloadTest, AWholeListReplacesTheOldOneWhateverItsFramingAndTheTableWaitsForTheNextLoad) {
    HWND main = startOnOldList();
    ASSERT_NE(main, nullptr);
    for (const wchar_t* kind : {L"file", L"chunked", L"until-close", L"gzip", L"gzip-chunked", L"deflate", L"redirect"}) {
        SCOPED_TRACE(std::string(kind, kind + wcslen(kind)));
        writeFileBytes(path(L"lstplenar.txt"), kOldList);
        const std::string token = "10:00=" + std::string(kind, kind + wcslen(kind));
        ASSERT_TRUE(download(main, httpTestAddress(std::wstring(kind) + L"/" + std::wstring(token.begin(), token.end()))));
        expectListSoon(httpTestBody(token));
        EXPECT_FALSE(temporaryFilesLeft());
    }
    EXPECT_EQ(tableRows(main), 2);
    quitAndExpectEnd();
}

// Every way a transfer can be cut that the client can see, and every error: the old list stays,
// and no temporary file.
TEST_F(PlenarDownloadTest, ACutOrFailedDownloadLeavesTheOldList) {
    HWND main = startOnOldList();
    ASSERT_NE(main, nullptr);
    std::vector<std::wstring> addresses;
    for (const wchar_t* kind : {L"cut", L"chunked-cut", L"chunked-cut-mid", L"reset", L"reset-length", L"gzip-cut",
                                L"gzip-chunked-cut", L"gzip-bad", L"status/404", L"status/500", L"no-answer", L"loop"})
        addresses.push_back(httpTestAddress(std::wstring(kind) + L"/10:00=new"));
    // No server, an https address (for the library's download) without one, an empty address
    // and one that is no address at all.
    for (const wchar_t* other : {L"http://127.0.0.1:1/lstplenar.txt", L"https://127.0.0.1:1/lstplenar.txt", L"",
                                 L"pas une adresse"})
        addresses.push_back(other);
    for (const std::wstring& url : addresses) {
        SCOPED_TRACE(std::string(url.begin(), url.end()));
        ASSERT_TRUE(download(main, url));
        EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), kOldList);
        EXPECT_FALSE(temporaryFilesLeft());
    }
    quitAndExpectEnd();
}

// A server that never answers: the window keeps handling its messages during the download, and
// closing it ends the download and the program at once; the old list stays.
TEST_F(PlenarDownloadTest, TheWindowStaysResponsiveAndClosesDuringASilentDownload) {
    HWND main = startOnOldList();
    ASSERT_NE(main, nullptr);
    DWORD_PTR ignored = 0;
    const std::wstring url = httpTestAddress(L"hang/10:00=new");
    SendMessageTimeoutW(GetDlgItem(main, ids::kUrlEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    PostMessageW(main, WM_COMMAND, ids::kMenuDownload, 0);
    ASSERT_TRUE(waitFor([&] { return temporaryFilesLeft(); }, 10s)) << "the download began";
    // Messages are handled meanwhile: the window answers, and a second download asked for from
    // the menu is no second request.
    EXPECT_TRUE(settled(main));
    EXPECT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, ids::kMenuDownload, 0, SMTO_NORMAL, 5000, &ignored));
    // The menu's "Quitter" ends the program well before the download's own time limit.
    PostMessageW(main, WM_COMMAND, ids::kMenuQuit, 0);
    ASSERT_EQ(WaitForSingleObject(process_.get(), 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), kOldList);
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(PlenarDownloadTest, CachedCopiesOfTheListArePurgedAndOthersKept) {
    wchar_t cache[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, cache), S_OK);
    const std::wstring root = std::wstring(cache) + L"\\Content.IE5";
    const std::wstring sub = root + L"\\PLNTEST" + std::to_wstring(GetCurrentProcessId());
    SHCreateDirectoryExW(nullptr, sub.c_str(), nullptr);
    const std::vector<std::wstring> purged = {L"lstplenar[1].txt", L"lstplenar[2].TXT", L"oldlstplenar.txt",
                                              L"LSTPLENAR[3].txt"};
    const std::vector<std::wstring> kept = {L"lstplenar[1].htm", L"lstplenar", L"other.txt"};
    for (const auto& name : purged) writeFileBytes(sub + L"\\" + name, "cached");
    for (const auto& name : kept) writeFileBytes(sub + L"\\" + name, "cached");
    SetFileAttributesW((sub + L"\\lstplenar[1].txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Files lying in the root itself are not examined.
    const std::wstring inRoot = root + L"\\lstplenar[9].txt";
    writeFileBytes(inRoot, "cached");

    HWND main = startOnOldList();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(download(main, httpTestAddress(L"file/10:00=purged")));
    expectListSoon(httpTestBody("10:00=purged"));
    for (const auto& name : purged)
        EXPECT_EQ(GetFileAttributesW((sub + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
            << std::string(name.begin(), name.end());
    for (const auto& name : kept)
        EXPECT_NE(GetFileAttributesW((sub + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
            << std::string(name.begin(), name.end());
    EXPECT_NE(GetFileAttributesW(inRoot.c_str()), INVALID_FILE_ATTRIBUTES);
    quitAndExpectEnd();

    for (const auto& name : kept) DeleteFileW((sub + L"\\" + name).c_str());
    for (const auto& name : purged) {
        SetFileAttributesW((sub + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW((sub + L"\\" + name).c_str());
    }
    RemoveDirectoryW(sub.c_str());
    DeleteFileW(inRoot.c_str());
}

// The journal: its lines as PLENAR wrote them, without the byte-order mark; the mark's presence.
struct JournalSeen {
    bool byteOrderMark = false;
    std::vector<std::string> lines;
};

JournalSeen readJournal(const std::wstring& file) {
    const std::string bytes = readFileBytes(file);
    JournalSeen seen;
    seen.byteOrderMark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
    std::size_t at = seen.byteOrderMark ? 3 : 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        seen.lines.push_back(bytes.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 2;
    }
    return seen;
}

// Whether a line is "YYYY-MM-DD HH:MM:SS<TAB>event<TAB>details" with details starting as given.
bool isJournalLine(const std::string& line, const std::string& event, const std::string& detailsStart) {
    if (line.size() < 20 || line[4] != '-' || line[7] != '-' || line[10] != ' ' || line[13] != ':' || line[19] != '\t')
        return false;
    return line.compare(20, event.size() + 1, event + "\t") == 0 &&
           line.compare(21 + event.size(), detailsStart.size(), detailsStart) == 0;
}

std::string journalMatch(const JournalSeen& journal, const std::string& event, const std::string& detailsStart) {
    for (const std::string& line : journal.lines)
        if (isJournalLine(line, event, detailsStart)) return line;
    return {};
}

// A day's run as the person looking after the workstation reads it afterwards: start, the list
// read, the scheduler started, each row with what became of it, each download, the end.
TEST_F(PlenarDownloadTest, TheJournalTellsWhatRanAndWhatEachDownloadGave) {
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    const std::wstring trace = path(L"trace.txt");
    const std::string good = "21:40=" + echoInto(trace, "ran");
    writeFileBytes(path(L"lstplenar.txt"), good + "\r\n21:40=plenar_no_such_program.exe\r\n");
    start(L"21:40:00");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(GetDlgItem(main, ids::kGoButton), BM_CLICK, 0, 0);
    const std::wstring journalFile = path(L"journal.txt");
    ASSERT_TRUE(waitFor([&] { return !journalMatch(readJournal(journalFile), "Programme non démarré", "").empty(); }, 20s))
        << readFileBytes(journalFile);
    for (const wchar_t* kind : {L"status/404", L"cut", L"file"})
        ASSERT_TRUE(download(main, httpTestAddress(std::wstring(kind) + L"/21:41=new")));
    quitAndExpectEnd();

    const JournalSeen journal = readJournal(journalFile);
    EXPECT_TRUE(journal.byteOrderMark);
    struct Expected {
        const char* event;
        std::string detailsStart;
    };
    const Expected expected[] = {
        {"Démarrage de PLENAR", "version 1.0, dossier "},
        {"Liste lue", "2 lignes"},
        {"Gestionnaire lancé", ""},
        {"Programme démarré", good + " (processus "},
        {"Programme non démarré", "21:40=plenar_no_such_program.exe (erreur 2"},
        {"Liste non téléchargée", "http://"},
        {"Liste téléchargée", "http://"},
        {"Gestionnaire arrêté", ""},
        {"Fin de PLENAR", "code de sortie 0"},
    };
    std::size_t from = 0;
    for (const Expected& e : expected) {
        // In this order, oldest first.
        const auto found = std::find_if(journal.lines.begin() + static_cast<std::ptrdiff_t>(from), journal.lines.end(),
                                        [&](const std::string& line) { return isJournalLine(line, e.event, e.detailsStart); });
        EXPECT_NE(found, journal.lines.end()) << e.event << " " << e.detailsStart;
        if (found != journal.lines.end()) from = static_cast<std::size_t>(found - journal.lines.begin());
    }
    EXPECT_NE(journalMatch(journal, "Liste non téléchargée", "http://").find("statut HTTP 404"), std::string::npos);
    bool cutSaid = false;
    for (const std::string& line : journal.lines) cutSaid |= line.find("transfert coupé") != std::string::npos;
    EXPECT_TRUE(cutSaid);
    EXPECT_NE(journalMatch(journal, "Liste téléchargée", "http://").find(" ligne(s), liste remplacée"), std::string::npos);
    for (const std::string& line : journal.lines) EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
}

// Past its size the journal becomes journal.1.txt and a new one begins; a journal that cannot be
// written (here a folder stands where the file would be) changes nothing else.
TEST_F(PlenarWindowTest, TheJournalRotatesAtItsLimitAndAnUnwritableOneStopsNothing) {
    std::string full = "\xEF\xBB\xBF";
    while (full.size() < 1024 * 1024 - 10) full += "2026-01-01 00:00:00\tListe lue\t1 ligne\r\n";
    writeFileBytes(path(L"journal.1.txt"), "older");
    writeFileBytes(path(L"journal.txt"), full);
    start();
    ASSERT_NE(waitForVisibleMainWindow(), nullptr);
    quitAndExpectEnd();
    EXPECT_EQ(readFileBytes(path(L"journal.1.txt")), full);
    const JournalSeen fresh = readJournal(path(L"journal.txt"));
    EXPECT_TRUE(fresh.byteOrderMark);
    ASSERT_EQ(fresh.lines.size(), 2u);
    EXPECT_TRUE(isJournalLine(fresh.lines[0], "Démarrage de PLENAR", "version 1.0"));

    ASSERT_TRUE(DeleteFileW(path(L"journal.txt").c_str()));
    ASSERT_TRUE(CreateDirectoryW(path(L"journal.txt").c_str(), nullptr));
    writeFileBytes(path(L"lstplenar.txt"), "07:45=a\r\n");
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s));
    quitAndExpectEnd();
    RemoveDirectoryW(path(L"journal.txt").c_str());
}

// Another program drives PLENAR by its command line and reads its exit code; nothing stays up.
TEST_F(PlenarWindowTest, TheCommandLineEndsWithACodeForEveryOutcome) {
    writeFileBytes(path(L"broken.txt"), "2,5\r\n0,0,0,0,0,0,0,0\r\n0,0,x,0,0,0,0,0\r\n");
    struct Case {
        std::wstring arguments;
        std::wstring caption;
        std::wstring text;  // the whole text, or "" for any
        DWORD exitCode;
    };
    const Case cases[] = {
        {L"Macro_02.txt", L"ERREUR", L"Fichier macro " + path(L"Macro_02.txt") + L" inexistant.", 1},
        {L"broken.txt", L"ERREUR",
         L"Le fichier " + path(L"broken.txt") + L" n'est pas une macro complète : la ligne 3 n'est pas valable.", 1},
        {L"/?", L"PLENAR", L"", 0},
        {L"--help", L"PLENAR", L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments.begin(), c.arguments.end()));
        start(nullptr, c.arguments);
        const std::optional<MessageBoxSeen> box = waitForMessageBox(processId_, c.caption, 30s);
        ASSERT_TRUE(box);
        if (!c.text.empty()) EXPECT_EQ(box->text, c.text);
        else EXPECT_NE(box->text.find(L"Codes de sortie"), std::wstring::npos);
        press(box->window, IDOK);
        ASSERT_EQ(WaitForSingleObject(process_.get(), 15000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process_.get(), &code);
        EXPECT_EQ(code, c.exitCode);
    }
}

// A list that cannot be read at a pass keeps the table, and the table is not saved over it.
TEST_F(PlenarWindowTest, ALockedListKeepsTheTableAndIsNotSavedOver) {
    writeSetting(L"DELAI", L"1");
    writeSetting(L"DELAIDL", L"0");
    const std::string list = "07:45=a\r\n08:00=b\r\n";
    writeFileBytes(path(L"lstplenar.txt"), list);
    start(L"12:00:00");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 3; }, 5s));
    {
        tolvare::unique_hfile lock(CreateFileW(path(L"lstplenar.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        PostMessageW(main, WM_COMMAND, ids::kMenuStart, 0);
        ASSERT_TRUE(waitFor([&] { return !journalMatch(readJournal(path(L"journal.txt")), "Liste illisible", "").empty(); }, 10s));
        EXPECT_EQ(tableRows(main), 3);
        PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
        const std::optional<MessageBoxSeen> refusal = waitForMessageBox(processId_, L"ERREUR");
        ASSERT_TRUE(refusal);
        EXPECT_NE(refusal->text.find(L"n'a pas pu être lue au dernier contrôle"), std::wstring::npos);
        press(refusal->window, IDOK);
    }
    EXPECT_EQ(readFileBytes(path(L"lstplenar.txt")), list);
    quitAndExpectEnd();
}

// A type of file whose "open" verb writes the file's name into `trace`, for as long as it lives.
class TracingFileType {
public:
    TracingFileType(const wchar_t* extension, const std::wstring& trace) : key_(std::wstring(L"Software\\Classes\\") + extension) {
        wchar_t old[256] = {};
        DWORD size = sizeof old;
        had_ = RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old, &size) == ERROR_SUCCESS;
        old_ = old;
        const std::wstring handler = L"C:\\windows\\system32\\cmd.exe /c echo %1>>\"" + trace + L"\"";
        ok_ = set(key_, L"plenartest.file") && set(std::wstring(kType) + L"\\shell\\open\\command", handler);
    }
    ~TracingFileType() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kType);
        if (had_) set(key_, old_);
        else RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_.c_str());
    }
    bool ok() const { return ok_; }

private:
    static constexpr wchar_t kType[] = L"Software\\Classes\\plenartest.file";
    static bool set(const std::wstring& key, const std::wstring& value) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, value.c_str(),
                               DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    std::wstring key_;
    bool had_ = false;
    std::wstring old_;
    bool ok_ = false;
};

// F1 and "Aide (F1)" open the HTML help through the shell; an administrator's plenar.hlp comes
// first; no help at all is said.
TEST_F(PlenarWindowTest, HelpOpensThroughTheShellAndAMissingHelpIsSaid) {
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, ids::kCommandHelp, 0);
    const std::optional<MessageBoxSeen> missing = waitForMessageBox(processId_, L"ERREUR");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->text, L"Le fichier d'aide " + path(L"plenar.html") + L" est introuvable.");
    press(missing->window, IDOK);

    const std::wstring trace = path(L"opened.txt");
    TracingFileType html(L".html", trace);
    TracingFileType hlp(L".hlp", trace);
    ASSERT_TRUE(html.ok() && hlp.ok());
    ASSERT_TRUE(CopyFileW((defaultsFolder() + L"\\plenar.html").c_str(), path(L"plenar.html").c_str(), FALSE));
    PostMessageW(main, WM_COMMAND, ids::kMenuHelpCaption, 0);
    EXPECT_TRUE(waitFor([&] { return readFileBytes(trace).find("plenar.html") != std::string::npos; }, 20s));
    writeFileBytes(path(L"plenar.hlp"), "");
    SetForegroundWindow(main);
    PostMessageW(main, WM_COMMAND, ids::kCommandHelp, 0);
    EXPECT_TRUE(waitFor([&] { return readFileBytes(trace).find("plenar.hlp") != std::string::npos; }, 20s));
    quitAndExpectEnd();
}

// A time typed into the table is taken as H:MM or HH:MM, saved as HH:MM; anything else refused.
TEST_F(PlenarWindowTest, ATypedTimeIsNormalisedOrRefused) {
    writeFileBytes(path(L"lstplenar.txt"), "07:45=b\r\n");
    start(L"23:10:00");
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return tableRows(main) == 2; }, 5s));
    SetWindowPos(main, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(main);
    HWND table = GetDlgItem(main, ids::kTable);
    waitFor([&] { return GetForegroundWindow() == main; }, 5s);
    // The time cell, then the key cell (a second click at the same place could be a double click).
    int column = 0;
    for (const wchar_t* typed : {L"8h30", L"8:30"}) {
        ASSERT_TRUE(settled(main));
        clickScreen(cellPoint(table, 1, column));
        column = 2;
        const std::optional<MessageBoxSeen> question = waitForMessageBox(processId_, L"MODIFICATION");
        ASSERT_TRUE(question);
        press(question->window, IDNO);
        HWND box = nullptr;
        ASSERT_TRUE(box = openedInputBox(processId_, L"MODIFICATION DE L'HEURE"));
        HWND answer = FindWindowExW(box, nullptr, L"Edit", nullptr);
        ASSERT_NE(answer, nullptr);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(answer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed), SMTO_ABORTIFHUNG, 5000, &ignored);
        press(box, IDOK);
        if (std::wstring(typed) == L"8h30") {
            const std::optional<MessageBoxSeen> refusal = waitForMessageBox(processId_, L"ERREUR");
            ASSERT_TRUE(refusal);
            EXPECT_EQ(refusal->text, L"L'heure n'est pas bonne, merci de la corriger, puis de revalider.");
            press(refusal->window, IDOK);
            EXPECT_EQ(tableCellText(processId_, table, 1, 0), L"07:45");
        }
    }
    EXPECT_TRUE(waitFor([&] { return tableCellText(processId_, table, 1, 0) == L"08:30"; }, 5s));
    PostMessageW(main, WM_COMMAND, ids::kMenuSave, 0);
    EXPECT_TRUE(waitFor([&] { return readFileBytes(path(L"lstplenar.txt")) == "08:30=b\r\n"; }, 5s));
    quitAndExpectEnd();
}

// Settings are saved from a program folder whose name the ANSI code page cannot write.
TEST_F(PlenarWindowTest, SettingsAreSavedInAFolderOfAnyName) {
    const std::wstring inner = folder_ + L"\\Ωμέγα 日本";
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(path(L"PLENAR.exe").c_str(), (inner + L"\\PLENAR.exe").c_str(), FALSE));
    folder_ = inner;
    start();
    HWND main = waitForVisibleMainWindow();
    ASSERT_NE(main, nullptr);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(main, ids::kDelayEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"12"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    expectSoon([&] { return readSetting(L"DELAI"); }, L"12");
    quitAndExpectEnd();
    EXPECT_TRUE(isJournalLine(readJournal(path(L"journal.txt")).lines.at(0), "Démarrage de PLENAR", "version 1.0"));
}

}  // namespace
