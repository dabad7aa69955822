// What the PLENAR end-to-end tests share: a PLENAR started from a program folder of its own,
// found and driven through its windows from the test process as a user would (messages
// answered, buttons pressed, keys typed into its fields), and judged by what it leaves in its
// files.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "common/win32/testing/top_level_windows.h"
#include "common/win32/unique_handle.h"
#include "scheduler/app/control_ids.h"

namespace plenar_test {

using namespace std::chrono_literals;
using tolvare::unique_handle;
using tolvare::unique_hfile;
using tolvare::unique_hmodule;
using tolvare::testing::findTopLevel;
using tolvare::testing::windowClass;
using tolvare::testing::windowText;
namespace ids = tolvare::plenar;

std::wstring besideTestProgram(const wchar_t* fileName);

// The shipped program-folder defaults, from the source tree.
std::wstring defaultsFolder();

template <typename Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

// A message box as the user sees it.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring text;
    bool hasIcon = false;
};

MessageBoxSeen readMessageBox(HWND dialog);
std::optional<MessageBoxSeen> waitForMessageBox(DWORD processId, const std::wstring& caption,
                                                std::chrono::milliseconds timeout = 15s);
// Presses a button of a dialog of another thread or process and waits until the dialog has closed.
void press(HWND dialog, int button);

std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);
int countLines(const std::string& text);
// A command line for a list row that appends `word` and a line end to the file `trace`.
std::string echoInto(const std::wstring& trace, const std::string& word);
std::string timeOfDay(const SYSTEMTIME& t);

// The HTTP test server of library/internet/tests (its port is in http_test_server.port beside
// this program; 0 when it is not running), an address of it unique in this run (so that its
// log tells the cases apart), and the body it sends for a token.
int httpTestServerPort();
std::wstring httpTestAddress(const std::wstring& path, const wchar_t* host = L"127.0.0.1");
std::string httpTestBody(const std::string& token);

// Memory in another process, for the messages whose parameters point to a structure or a
// buffer: the system copies those only for its own standard messages, and not for every
// control's.
class RemoteMemory {
public:
    RemoteMemory(DWORD processId, std::size_t bytes);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool valid() const { return address_ != nullptr; }
    void* address() const { return address_; }
    template <typename T>
    T* at(std::size_t offset = 0) const { return reinterpret_cast<T*>(static_cast<char*>(address_) + offset); }
    bool write(const void* data, std::size_t bytes, std::size_t offset = 0);
    bool read(void* data, std::size_t bytes, std::size_t offset = 0) const;

private:
    unique_handle process_;
    void* address_ = nullptr;
};

// The text of a cell of PLENAR's table (view row 0 is the blank row), and its header captions.
std::wstring tableCellText(DWORD processId, HWND table, int viewRow, int column);
std::wstring tableColumnCaption(DWORD processId, HWND table, int column);
// The caption of a tab of a tab strip of another process, and the screen rectangle of the tab.
std::wstring tabCaption(DWORD processId, HWND tabStrip, int tab);
RECT tabScreenRect(DWORD processId, HWND tabStrip, int tab);

// A left click at a point of the screen, through the input queue as the mouse sends it.
void clickScreen(POINT point);
// The screen point in the middle of a cell of the table (view row 0 is the blank row).
POINT cellPoint(HWND table, int viewRow, int column);

// One PLENAR in a program folder of its own.
class PlenarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int serial = 0;
        // Process identifiers come back from run to run: the clock makes the folder new.
        folder_ = std::wstring(base) + L"plenar-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(besideTestProgram(L"PLENAR.exe").c_str(), path(L"PLENAR.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((defaultsFolder() + L"\\Activitl.ico").c_str(), path(L"Activitl.ico").c_str(), FALSE));
    }

    void TearDown() override {
        if (process_) {
            if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
                if (HWND main = mainWindow()) PostMessageW(main, WM_COMMAND, ids::kMenuQuit, 0);
                if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
            }
        }
    }

    std::wstring path(const wchar_t* name) const { return folder_ + L"\\" + name; }

    // What PLENAR does once a message is answered (the field put back, the file written) comes
    // a moment after the box goes away.
    template <typename Read>
    void expectSoon(Read read, const std::wstring& expected) {
        std::wstring got;
        EXPECT_TRUE(waitFor([&] { return (got = read()) == expected; }, 5s)) << "is \"" << ::testing::PrintToString(got) << "\"";
    }

    void writeSetting(const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(L"PARAM", key, value, path(L"param.ini").c_str()));
    }

    std::wstring readSetting(const wchar_t* key) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"PARAM", key, L"<missing>", value, 256, path(L"param.ini").c_str());
        return value;
    }

    // Starts PLENAR; with `clock` ("HH:MM:SS"), its clock shows that time of day when it
    // starts and runs on from there, so that a row's minute comes in seconds. `arguments` follow
    // the program's name on its command line.
    void start(const wchar_t* clock = nullptr, const std::wstring& arguments = {}) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::wstring commandLine = L"\"" + path(L"PLENAR.exe") + L"\"";
        if (!arguments.empty()) commandLine += L" " + arguments;
        // A folder past the path limit is reached through the extended form, and cannot be a
        // current folder: PLENAR then starts in this program's.
        const bool deep = path(L"PLENAR.exe").size() >= MAX_PATH;
        const std::wstring program = deep ? L"\\\\?\\" + path(L"PLENAR.exe") : path(L"PLENAR.exe");
        SetEnvironmentVariableW(L"PLENAR_CLOCK", clock);
        const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                            deep ? nullptr : folder_.c_str(), &startup, &info);
        SetEnvironmentVariableW(L"PLENAR_CLOCK", nullptr);
        ASSERT_TRUE(started);
        process_.reset(info.hProcess);
        unique_handle thread(info.hThread);
        processId_ = info.dwProcessId;
    }

    HWND mainWindow(HWND except = nullptr) const {
        return findTopLevel(processId_, ids::kMainWindowClass, {}, except);
    }

    HWND waitForVisibleMainWindow(HWND except = nullptr) {
        HWND main = nullptr;
        waitFor([&] { return (main = mainWindow(except)) != nullptr && IsWindowVisible(main); }, 20s);
        return main && IsWindowVisible(main) ? main : nullptr;
    }

    // Returns once PLENAR's window thread has handled what came before: its start-up is over
    // (the thread takes messages only in its message loops) and every message posted to it
    // before has been handled.
    bool settled(HWND main) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
    }

    int tableRows(HWND main) {
        DWORD_PTR count = 0;
        SendMessageTimeoutW(GetDlgItem(main, ids::kTable), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        return static_cast<int>(count);
    }

    // Keys as typed: characters go to the field's window as the keyboard would send them.
    void type(HWND field, const std::wstring& keys) {
        for (wchar_t key : keys) {
            DWORD_PTR ignored;
            SendMessageTimeoutW(field, WM_CHAR, key, 1, SMTO_NORMAL, 5000, &ignored);
        }
    }

    void quitAndExpectEnd() {
        HWND main = mainWindow();
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_COMMAND, ids::kMenuQuit, 0);
        ASSERT_EQ(WaitForSingleObject(process_.get(), 15000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process_.get(), &code);
        EXPECT_EQ(code, 0u);
    }

    std::wstring folder_;
    unique_handle process_;
    DWORD processId_ = 0;
};


// A value of the user's number format (sDecimal, sThousand...), set for the programs started
// while it lives and put back after.
class UserLocaleValue {
public:
    UserLocaleValue(const wchar_t* name, const wchar_t* value) : name_(name) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          key_.put()) != ERROR_SUCCESS)
            return;
        wchar_t old[16] = {};
        DWORD size = sizeof old;
        had_ = RegQueryValueExW(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
               ERROR_SUCCESS;
        old_ = old;
        set_ = RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ~UserLocaleValue() {
        if (!set_) return;
        if (had_)
            RegSetValueExW(key_.get(), name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                           static_cast<DWORD>((old_.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_.get(), name_.c_str());
    }
    UserLocaleValue(const UserLocaleValue&) = delete;
    UserLocaleValue& operator=(const UserLocaleValue&) = delete;
    bool set() const { return set_; }

private:
    std::wstring name_;
    tolvare::unique_hkey key_;
    bool had_ = false;
    bool set_ = false;
    std::wstring old_;
};

}  // namespace plenar_test
