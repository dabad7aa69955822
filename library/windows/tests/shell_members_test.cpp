// Cls_Windows's window, taskbar, shortcut, folder, version and file members through the real
// library under Wine: real windows of this test, the shell's link object read back, the
// shell's folder picker and deletion confirmation answered by a watcher thread as a user
// answers them, files read back byte for byte.

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/testing/message_box_watcher.h"
#include "common/win32/testing/top_level_windows.h"
#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

std::string fileBytes(const std::wstring& path) {
    tolvare::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "<missing>";
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A top-level window of this test, or a child of one, with a title.
class TestWindow {
public:
    explicit TestWindow(const wchar_t* title, HWND parent = nullptr)
        : window_(CreateWindowExW(0, L"STATIC", title,
                                  parent ? (WS_CHILD | WS_VISIBLE) : (WS_OVERLAPPEDWINDOW | WS_VISIBLE), 20, 20, 300,
                                  150, parent, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() { DestroyWindow(window_); }
    HWND handle() const { return window_; }
    LONG number() const { return LONG(reinterpret_cast<LONG_PTR>(window_)); }

private:
    HWND window_;
};

// Makes `window` the foreground window, as a click of the user would.
bool bringForward(HWND window) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        SetForegroundWindow(window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (GetForegroundWindow() == window) return true;
        Sleep(20);
    }
    return false;
}

// A form object as script hosts and window frameworks hand them over: a dispatch interface
// with a "hwnd" property (and nothing else).
class FormObject final : public IDispatch {
public:
    explicit FormObject(LONG window) : window_(window) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count == 1 && lstrcmpiW(names[0], L"hwnd") == 0) {
            ids[0] = 1;
            return S_OK;
        }
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id != 1 || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = window_;
        return S_OK;
    }

private:
    LONG window_;
    ULONG references_ = 1;
};

class ShellMembers : public ::testing::Test {
protected:
    void SetUp() override {
        windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
        ASSERT_TRUE(windows);
        ASSERT_EQ(windows.query(late), S_OK);
        folder = temporaryFolder();
    }
    com_ptr<_Cls_Windows> windows;
    com_ptr<IDispatch> late;
    std::wstring folder;
};

TEST_F(ShellMembers, ForegroundWindowItsAncestorAndTitles) {
    TestWindow top(L"Fenêtre de test KORVEL été \u0394");
    TestWindow child(L"enfant", top.handle());
    ASSERT_TRUE(bringForward(top.handle()));
    LONG active = 0;
    ASSERT_EQ(windows->Get_ActiveWindow(VARIANT_FALSE, &active), S_OK);
    EXPECT_EQ(active, top.number());
    ASSERT_EQ(windows->Get_ActiveWindow(VARIANT_TRUE, &active), S_OK);
    EXPECT_EQ(active, top.number()) << "a window without parent is its own ancestor";
    unique_bstr title;
    ASSERT_EQ(windows->GetActiveWindowTitle(VARIANT_TRUE, title.put()), S_OK);
    // Characters outside the ANSI code page come back as they are.
    EXPECT_EQ(str(title.get()), L"Fenêtre de test KORVEL été \u0394");

    // A child cannot be the foreground window; its title and its ancestor's are read by handle.
    ASSERT_EQ(windows->Get_WindowTitle(LONG(reinterpret_cast<LONG_PTR>(child.handle())), title.put()), S_OK);
    EXPECT_EQ(str(title.get()), L"enfant");
    TestWindow untitled(L"");
    for (LONG handle : {0L, untitled.number(), 0x7FFF0000L, -1L, 0xFFFFL}) {
        ASSERT_EQ(windows->Get_WindowTitle(handle, title.put()), S_OK) << handle;
        EXPECT_EQ(str(title.get()), L"") << handle;
    }
    EXPECT_EQ(windows->Get_WindowTitle(0, nullptr), E_POINTER);
    EXPECT_EQ(windows->Get_ActiveWindow(VARIANT_FALSE, nullptr), E_POINTER);
    ASSERT_TRUE(bringForward(top.handle()));

    // Late-bound, the Boolean and the handle by value as scripts give them.
    EXPECT_EQ(dispatchIdOf(late.get(), L"Get_ActiveWindow"), 0x6003002F);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GetActiveWindowTitle"), 0x6003002B);
    EXPECT_EQ(dispatchIdOf(late.get(), L"Get_WindowTitle"), 0x60030030);
    VARIANT yes;
    VariantInit(&yes);
    V_VT(&yes) = VT_BOOL;
    V_BOOL(&yes) = VARIANT_TRUE;
    CallResult handle, activeTitle, byHandle;
    invoke(handle, late.get(), L"Get_ActiveWindow", {yes});
    ASSERT_EQ(handle.status, S_OK);
    EXPECT_EQ(V_VT(handle.value.get()), VT_I4);
    EXPECT_EQ(V_I4(handle.value.get()), top.number());
    invoke(activeTitle, late.get(), L"GetActiveWindowTitle", {yes});
    EXPECT_EQ(textOf(*activeTitle.value.get()), L"Fenêtre de test KORVEL été \u0394");
    invoke(byHandle, late.get(), L"Get_WindowTitle", {number(LONG(reinterpret_cast<LONG_PTR>(child.handle())))});
    EXPECT_EQ(textOf(*byHandle.value.get()), L"enfant");
}

// An owned window (a dialog over its form) counts its owner as its parent, as the platform's
// parent query gives it.
TEST_F(ShellMembers, ActiveWindowAncestorFollowsTheOwner) {
    TestWindow form(L"Formulaire KORVEL");
    HWND owned = CreateWindowExW(0, L"STATIC", L"Boîte KORVEL", WS_POPUP | WS_CAPTION | WS_VISIBLE, 40, 40, 200, 100,
                                 form.handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owned);
    ASSERT_TRUE(bringForward(owned));
    LONG active = 0;
    unique_bstr title;
    ASSERT_EQ(windows->Get_ActiveWindow(VARIANT_FALSE, &active), S_OK);
    EXPECT_EQ(active, LONG(reinterpret_cast<LONG_PTR>(owned)));
    ASSERT_EQ(windows->Get_ActiveWindow(VARIANT_TRUE, &active), S_OK);
    EXPECT_EQ(active, form.number());
    ASSERT_EQ(windows->GetActiveWindowTitle(VARIANT_FALSE, title.put()), S_OK);
    EXPECT_EQ(str(title.get()), L"Boîte KORVEL");
    ASSERT_EQ(windows->GetActiveWindowTitle(VARIANT_TRUE, title.put()), S_OK);
    EXPECT_EQ(str(title.get()), L"Formulaire KORVEL");
    DestroyWindow(owned);
}

TEST_F(ShellMembers, WindowsAndSystemFolders) {
    wchar_t root[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH));
    unique_bstr windowsFolder, systemFolder;
    ASSERT_EQ(windows->GET_DossierWindows(windowsFolder.put()), S_OK);
    ASSERT_EQ(windows->GET_DossierSysteme(systemFolder.put()), S_OK);
    EXPECT_EQ(lstrcmpiW(str(windowsFolder.get()).c_str(), root), 0) << str(windowsFolder.get());
    std::wstring system = str(systemFolder.get());
    EXPECT_NE(system.back(), L'\\');
    EXPECT_EQ(lstrcmpiW(system.substr(0, system.find_last_of(L'\\')).c_str(), root), 0) << system;
    EXPECT_TRUE(exists(system + L"\\kernel32.dll")) << system;
    CallResult lateWindows, lateSystem;
    invoke(lateWindows, late.get(), L"GET_DossierWindows", {});
    invoke(lateSystem, late.get(), L"GET_DossierSysteme", {});
    EXPECT_EQ(textOf(*lateWindows.value.get()), str(windowsFolder.get()));
    EXPECT_EQ(textOf(*lateSystem.value.get()), system);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GET_DossierWindows"), 0x60030029);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GET_DossierSysteme"), 0x6003002A);
}

// This prefix reports a version later than every name the member knows.
TEST_F(ShellMembers, LaterWindowsVersionsHaveNoName) {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExW(&version));
    ASSERT_GE(version.dwMajorVersion, 6u) << "the prefix is set to an older Windows";
    unique_bstr name(SysAllocString(L"x"));
    ASSERT_EQ(windows->getWindowsVersion(name.put()), S_OK);
    EXPECT_EQ(str(name.get()), L"");
    CallResult r;
    invoke(r, late.get(), L"getWindowsVersion", {});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*r.value.get()), L"");
}

// Starts this test program again with `filter`, its report written to a file whose name it
// finds in KORVEL_REPORT, under `launcher` (empty: directly); the report, or what went wrong.
std::string reportOfChild(const std::wstring& launcher, const std::wstring& filter) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring report = temporaryFolder() + L"\\report.txt";
    SetEnvironmentVariableW(L"KORVEL_REPORT", report.c_str());
    std::wstring commandLine =
        launcher + L"\"" + std::wstring(self) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableW(L"KORVEL_REPORT", nullptr);
    if (!started) return "<not started>";
    tolvare::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
    // A desktop's program ends before its desktop does: the report is what is waited for.
    // Where 32-bit programs are emulated, a start takes about a minute.
    std::string bytes = "<missing>";
    for (int waited = 0; waited < 3000 && (bytes = fileBytes(report)) == "<missing>"; ++waited) Sleep(100);
    for (int waited = 0; waited < 50 && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; ++waited) Sleep(100);
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    return bytes;
}

// What the child run of a test reports, where the parent reads it.
void writeReport(const std::string& text) {
    wchar_t report[MAX_PATH] = {};
    GetEnvironmentVariableW(L"KORVEL_REPORT", report, MAX_PATH);
    tolvare::unique_hfile file(
        CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr);
}

// Wine gives each program the Windows version its registry names for it: this test program is
// started again under each and reports what the member says.
std::string versionSeenBy(const std::wstring& wineVersion) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    std::wstring key = L"Software\\Wine\\AppDefaults\\" + exe.substr(exe.find_last_of(L'\\') + 1);
    {
        tolvare::unique_hkey settings;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, settings.put(),
                            nullptr) != ERROR_SUCCESS)
            return "<no key>";
        RegSetValueExW(settings.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(wineVersion.c_str()),
                       DWORD((wineVersion.size() + 1) * sizeof(wchar_t)));
    }
    std::string report = reportOfChild(L"", L"VersionReport.*");
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    return report;
}

TEST_F(ShellMembers, OlderWindowsVersionsByName) {
    EXPECT_EQ(versionSeenBy(L"win98"), "98");
    EXPECT_EQ(versionSeenBy(L"win95"), "95");
    EXPECT_EQ(versionSeenBy(L"winxp"), "WinXP");
    EXPECT_EQ(versionSeenBy(L"win2k"), "Win2000");
    EXPECT_EQ(versionSeenBy(L"nt40"), "NT 4");
    EXPECT_EQ(versionSeenBy(L"win2003"), "");
}

// The other side of OlderWindowsVersionsByName, run only in the program it starts.
// (Disabled: only the program that test starts runs it.)
TEST(VersionReport, DISABLED_WritesTheVersionName) {
    com_ptr<_Cls_Windows> windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
    ASSERT_TRUE(windows);
    unique_bstr name;
    ASSERT_EQ(windows->getWindowsVersion(name.put()), S_OK);
    std::wstring text = str(name.get());
    writeReport(std::string(text.begin(), text.end()));
}

// The target and arguments of a shortcut file, read through the shell's link object.
struct ShortcutContents {
    std::wstring target, arguments;
};
ShortcutContents readShortcut(const std::wstring& path) {
    ShortcutContents contents{L"<unreadable>", L"<unreadable>"};
    com_ptr<IShellLinkW> link;
    com_ptr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return contents;
    wchar_t text[MAX_PATH * 2] = {};
    if (SUCCEEDED(link->GetPath(text, int(std::size(text)), nullptr, SLGP_RAWPATH))) contents.target = text;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetArguments(text, int(std::size(text))))) contents.arguments = text;
    return contents;
}

std::wstring libraryFolder() {
    std::wstring path = besideTestProgram(L"KORVEL.dll");
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2] = {};
    GetFullPathNameW(path.c_str(), DWORD(std::size(full)), full, nullptr);
    return full;
}

std::wstring currentFolder() {
    wchar_t current[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(DWORD(std::size(current)), current);
    return current;
}

TEST_F(ShellMembers, ShortcutInAGivenFolder) {
    const std::wstring target = L"C:\\windows\\notepad.exe";
    SetCurrentDirectoryW(folder.c_str());
    // A place without its final backslash gets one: the shortcut goes into that folder.
    BSTR name = SysAllocString(L"Éditeur KORVEL"), path = SysAllocString(target.c_str()),
         argument = SysAllocString(L"lisezmoi.txt"), place = SysAllocString(folder.c_str());
    ASSERT_EQ(windows->CreationRaccourci(&name, &path, &argument, &place), S_OK);
    EXPECT_EQ(str(place), folder + L"\\");
    EXPECT_EQ(str(name), L"Éditeur KORVEL");
    const std::wstring shortcut = folder + L"\\Éditeur KORVEL.lnk";
    ASSERT_TRUE(exists(shortcut));
    ShortcutContents contents = readShortcut(shortcut);
    EXPECT_EQ(lstrcmpiW(contents.target.c_str(), target.c_str()), 0) << contents.target;
    EXPECT_EQ(contents.arguments, L"") << "the arguments are accepted and not used";
    EXPECT_FALSE(exists(libraryFolder() + L"\\Éditeur KORVEL.lnk"));
    // The library's folder is now the current folder of its drive; the current drive is
    // another one here (the test's folder is on C:, the build on the drive of the host's root),
    // which the shortcut does not need.
    ASSERT_NE(towupper(folder[0]), towupper(libraryFolder()[0]));
    EXPECT_EQ(currentFolder(), folder);
    std::wstring rememberedFolder = fullPath(libraryFolder().substr(0, 2));  // "Z:" alone
    if (rememberedFolder.back() == L'\\') rememberedFolder.pop_back();
    EXPECT_EQ(lstrcmpiW(rememberedFolder.c_str(), libraryFolder().c_str()), 0) << rememberedFolder;
    // From the library's own drive, the current folder itself moves.
    SetCurrentDirectoryW(libraryFolder().substr(0, 3).c_str());
    ASSERT_EQ(windows->CreationRaccourci(&name, &path, &argument, &place), S_OK);
    EXPECT_EQ(lstrcmpiW(currentFolder().c_str(), libraryFolder().c_str()), 0) << currentFolder();
    SetCurrentDirectoryW(folder.c_str());

    // Made again over the first one, late-bound with the place already ending in a backslash.
    VARIANT lateName = text(L"Éditeur KORVEL"), lateTarget = text(L"C:\\windows\\regedit.exe"),
            latePlace = text((folder + L"\\").c_str());
    CallResult r;
    invoke(r, late.get(), L"CreationRaccourci", {reference(&lateName), reference(&lateTarget), text(L""),
                                                  reference(&latePlace)});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(textOf(latePlace), folder + L"\\");
    EXPECT_EQ(lstrcmpiW(readShortcut(shortcut).target.c_str(), L"C:\\windows\\regedit.exe"), 0);
    EXPECT_EQ(dispatchIdOf(late.get(), L"CreationRaccourci"), 0x60030014);
    for (BSTR b : {name, path, argument, place}) SysFreeString(b);
    for (VARIANT* v : {&lateName, &lateTarget, &latePlace}) VariantClear(v);
}

TEST_F(ShellMembers, ShortcutWithoutPlaceGoesToTheStartUpFolder) {
    wchar_t startUp[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, startUp)));
    const std::wstring expectedPlace = std::wstring(startUp) + L"\\";
    const std::wstring shortcut = expectedPlace + L"Editor.lnk";
    DeleteFileW(shortcut.c_str());
    BSTR name = SysAllocString(L"Editor"), path = SysAllocString(L"C:\\windows\\notepad.exe"),
         argument = SysAllocString(L""), place = SysAllocString(L"");
    ASSERT_EQ(windows->CreationRaccourci(&name, &path, &argument, &place), S_OK);
    EXPECT_EQ(str(place), expectedPlace);
    EXPECT_TRUE(exists(shortcut));
    EXPECT_EQ(lstrcmpiW(readShortcut(shortcut).target.c_str(), L"C:\\windows\\notepad.exe"), 0);
    EXPECT_FALSE(exists(libraryFolder() + L"\\Editor.lnk"));
    DeleteFileW(shortcut.c_str());

    // Left out by a script: the caller has no variable to receive the place.
    CallResult r;
    invoke(r, late.get(), L"CreationRaccourci", {text(L"Editor"), text(L"C:\\windows\\notepad.exe")});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_TRUE(exists(shortcut));
    DeleteFileW(shortcut.c_str());
    for (BSTR b : {name, path, argument, place}) SysFreeString(b);
}

// Failures never reach the caller: they show their number and description, three line ends
// apart, in a box of the library's caption.
TEST_F(ShellMembers, ShortcutFailuresAreShownNotRaised) {
    struct Case {
        std::wstring name, place;
        std::wstring message;
    } cases[] = {
        {L"Raccourci", folder + L"\\pas là\\ni ici", L"76\r\n\r\n\r\nChemin d'accès introuvable"},
        {L"a<b>?", folder, L"76\r\n\r\n\r\nChemin d'accès introuvable"},
        {std::wstring(L"nul\0cache", 9), folder, L"52\r\n\r\n\r\nNom ou numéro de fichier incorrect"},
        {std::wstring(300, L'n'), folder, L"76\r\n\r\n\r\nChemin d'accès introuvable"},
    };
    for (const Case& c : cases) {
        tolvare::testing::MessageBoxWatcher watcher(L"TOLVARE");
        BSTR name = SysAllocStringLen(c.name.data(), UINT(c.name.size())), path = SysAllocString(L"C:\\x.exe"),
             argument = nullptr, place = SysAllocString(c.place.c_str());
        EXPECT_EQ(windows->CreationRaccourci(&name, &path, &argument, &place), S_OK);
        ASSERT_TRUE(watcher.wait()) << "no message box";
        EXPECT_EQ(watcher.seen().text, c.message);
        for (BSTR b : {name, path, place}) SysFreeString(b);
    }
}

// Presses `button` in the first dialog this process shows within ten seconds; false when none
// came.
class DialogAnswerer {
public:
    explicit DialogAnswerer(int button)
        : thread_([this, button] {
              const ULONGLONG end = GetTickCount64() + 10000;
              while (GetTickCount64() < end) {
                  if (HWND dialog = tolvare::testing::findTopLevel(GetCurrentProcessId(), L"#32770", {}, nullptr, true)) {
                      owner_ = GetWindow(dialog, GW_OWNER);
                      Sleep(200);  // as a user reads it
                      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
                      answered_ = true;
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~DialogAnswerer() { thread_.join(); }
    bool wait() {
        thread_.join();
        thread_ = std::thread([] {});
        return answered_;
    }
    HWND owner() const { return owner_; }

private:
    std::atomic<bool> answered_{false};
    std::atomic<HWND> owner_{nullptr};
    std::thread thread_;
};

TEST_F(ShellMembers, FolderPickerCancelledOwnedByTheForm) {
    TestWindow form(L"Formulaire du sélecteur");
    FormObject object(form.number());
    IDispatch* dispatch = &object;
    BSTR title = SysAllocString(L"Choisissez un dossier");
    unique_bstr chosen(SysAllocString(L"x"));
    DialogAnswerer answerer(IDCANCEL);
    ASSERT_EQ(windows->ParcourirDossier(&dispatch, &title, chosen.put()), S_OK);
    ASSERT_TRUE(answerer.wait()) << "no folder picker";
    EXPECT_EQ(answerer.owner(), form.handle());
    EXPECT_EQ(str(chosen.get()), L"");
    EXPECT_EQ(str(title), L"Choisissez un dossier");
    // Unattended, nobody would answer it: no picker, and the answer of a cancelled one.
    SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", L"1");
    unique_bstr unattended(SysAllocString(L"x"));
    EXPECT_EQ(windows->ParcourirDossier(&dispatch, &title, unattended.put()), S_OK);
    SetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", nullptr);
    EXPECT_EQ(str(unattended.get()), L"");
    SysFreeString(title);
}

TEST_F(ShellMembers, FolderPickerWithoutAUsableForm) {
    EXPECT_EQ(dispatchIdOf(late.get(), L"ParcourirDossier"), 0x60030023);
    // A handle that is no window: nothing is shown.
    FormObject stale(0x7FFF0000);
    VARIANT form;
    VariantInit(&form);
    V_VT(&form) = VT_DISPATCH;
    V_DISPATCH(&form) = &stale;
    CallResult r;
    invoke(r, late.get(), L"ParcourirDossier", {form, text(L"Titre")});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(textOf(*r.value.get()), L"");
    // An object without the property, and no object at all: the run-time errors a script gets.
    V_DISPATCH(&form) = createByName(L"BRASKEDLL.Cls_Math").detach();
    CallResult noProperty;
    invoke(noProperty, late.get(), L"ParcourirDossier", {form, text(L"Titre")});
    EXPECT_EQ(noProperty.status, DISP_E_EXCEPTION);
    EXPECT_EQ(noProperty.exception.scode, HRESULT(0x800A01B6));  // 438
    VariantClear(&form);
    IDispatch* nothing = nullptr;
    BSTR title = nullptr;
    unique_bstr result;
    EXPECT_EQ(windows->ParcourirDossier(&nothing, &title, result.put()), HRESULT(0x800A005B));  // 91
    EXPECT_EQ(windows->ParcourirDossier(nullptr, &title, result.put()), HRESULT(0x800A005B));
}

TEST_F(ShellMembers, FileNameAndExtensionOfPaths) {
    auto fileName = [&](const std::wstring& path, VARIANT_BOOL* extension) {
        BSTR variable = SysAllocStringLen(path.data(), UINT(path.size()));
        unique_bstr result;
        HRESULT hr = windows->GetNomFichier_DuChemin(&variable, extension, result.put());
        EXPECT_EQ(str(variable), path);
        SysFreeString(variable);
        return FAILED(hr) ? L"failed " + std::to_wstring(hr & 0xFFFF) : str(result.get());
    };
    VARIANT_BOOL no = VARIANT_FALSE, yes = VARIANT_TRUE;
    EXPECT_EQ(fileName(L"C:\\dir\\file.txt", &no), L"file.txt");
    EXPECT_EQ(fileName(L"C:\\dir\\file.txt", nullptr), L"file.txt");
    EXPECT_EQ(fileName(L"file.txt", &no), L"");
    EXPECT_EQ(fileName(L"C:\\dir\\", &no), L"");
    EXPECT_EQ(fileName(L"C:\\dir\\archive.tar.GZ", &yes), L"GZ");
    EXPECT_EQ(fileName(L"C:\\dir.d\\sans", &yes), L"");
    EXPECT_EQ(fileName(std::wstring(21, L'\\') + L"f", &no), L"f");
    EXPECT_EQ(fileName(std::wstring(L"C:\\a\0b", 6), &no), std::wstring(L"a\0b", 3));
    EXPECT_EQ(fileName(L"C:\\" + std::wstring(32764, L'a'), &no), std::wstring(32764, L'a'));
    EXPECT_EQ(fileName(std::wstring(40000, L'.'), &no), L"failed 6");

    auto extension = [&](const std::wstring& name) {
        BSTR variable = SysAllocStringLen(name.data(), UINT(name.size()));
        unique_bstr result;
        EXPECT_EQ(windows->GET_ExtentionFichier(&variable, result.put()), S_OK);
        SysFreeString(variable);
        return str(result.get());
    };
    EXPECT_EQ(extension(L"rapport.final.Docx"), L"Docx");
    EXPECT_EQ(extension(L"C:\\dir.v2\\lisezmoi"), L"");
    EXPECT_EQ(extension(L"."), L"");
    EXPECT_EQ(extension(L""), L"");
    EXPECT_EQ(extension(std::wstring(40000, L'a') + L".x"), L"x");

    EXPECT_EQ(dispatchIdOf(late.get(), L"GetNomFichier_DuChemin"), 0x60030022);
    EXPECT_EQ(dispatchIdOf(late.get(), L"GET_ExtentionFichier"), 0x60030024);
    CallResult withExtension, withoutFlag, ext;
    VARIANT yesVariant;
    VariantInit(&yesVariant);
    V_VT(&yesVariant) = VT_BOOL;
    V_BOOL(&yesVariant) = VARIANT_TRUE;
    invoke(withExtension, late.get(), L"GetNomFichier_DuChemin", {text(L"C:\\d\\photo.jpeg"), yesVariant});
    invoke(withoutFlag, late.get(), L"GetNomFichier_DuChemin", {text(L"C:\\d\\photo.jpeg")});
    invoke(ext, late.get(), L"GET_ExtentionFichier", {text(L"photo.jpeg")});
    EXPECT_EQ(textOf(*withExtension.value.get()), L"jpeg");
    EXPECT_EQ(textOf(*withoutFlag.value.get()), L"photo.jpeg");
    EXPECT_EQ(textOf(*ext.value.get()), L"jpeg");
}

TEST_F(ShellMembers, AppendedLinesInTheAnsiCodePage) {
    const std::wstring file = folder + L"\\journal été.txt";
    auto append = [&](const std::wstring& path, const wchar_t* line) {
        BSTR p = SysAllocStringLen(path.data(), UINT(path.size())), t = line ? SysAllocString(line) : nullptr;
        EXPECT_EQ(windows->EcritAjoutDansFichier(&p, &t), S_OK);
        SysFreeString(p);
        SysFreeString(t);
    };
    append(file, L"a");
    append(file, L"b");
    append(file, L"");
    append(file, nullptr);
    append(file, L"déjà");
    EXPECT_EQ(fileBytes(file), "a\r\nb\r\n\r\n\r\nd\xe9j\xe0\r\n");
    // A missing folder, an empty name, a name cut by a NUL, a file someone holds: nothing is
    // written and nothing is reported.
    append(folder + L"\\absent\\x.txt", L"perdu");
    EXPECT_FALSE(exists(folder + L"\\absent"));
    append(L"", L"perdu");
    append(std::wstring(L"coupé\0.txt", 10), L"perdu");
    EXPECT_FALSE(exists(L"coupé"));
    {
        tolvare::unique_hfile held(
            CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        append(file, L"perdu");
    }
    EXPECT_EQ(fileBytes(file), "a\r\nb\r\n\r\n\r\nd\xe9j\xe0\r\n");

    EXPECT_EQ(dispatchIdOf(late.get(), L"EcritAjoutDansFichier"), 0x60030027);
    VARIANT path = text(file.c_str()), line = text(L"script");
    CallResult r;
    invoke(r, late.get(), L"EcritAjoutDansFichier", {reference(&path), reference(&line)});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_EMPTY);
    EXPECT_EQ(fileBytes(file), "a\r\nb\r\n\r\n\r\nd\xe9j\xe0\r\nscript\r\n");
    VariantClear(&path);
    VariantClear(&line);
}

TEST_F(ShellMembers, DeletionGoesThroughTheShellsConfirmation) {
    const std::wstring file = folder + L"\\à jeter.txt", subfolder = folder + L"\\dossier à jeter";
    tolvare::unique_hfile(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), nullptr));
    for (const std::wstring& path : {file, subfolder}) {
        DialogAnswerer answerer(IDYES);
        BSTR variable = SysAllocString(path.c_str());
        unique_variant result;
        V_VT(result.get()) = VT_I4;
        ASSERT_EQ(windows->Effacer_FichierDossier(&variable, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
        EXPECT_TRUE(answerer.wait()) << "no confirmation";
        EXPECT_FALSE(exists(path));
        SysFreeString(variable);
    }
    // Answered "no": the file stays.
    tolvare::unique_hfile(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    {
        DialogAnswerer answerer(IDNO);
        VARIANT path = text(file.c_str());
        CallResult r;
        invoke(r, late.get(), L"Effacer_FichierDossier", {reference(&path)});
        ASSERT_EQ(r.status, S_OK);
        EXPECT_EQ(V_VT(r.value.get()), VT_EMPTY);
        EXPECT_TRUE(answerer.wait());
        VariantClear(&path);
    }
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(dispatchIdOf(late.get(), L"Effacer_FichierDossier"), 0x60030026);
}

// Names that are no file or folder ask nothing and delete nothing, wildcards and characters
// outside the ANSI code page included (their ANSI form would be a wildcard).
TEST_F(ShellMembers, DeletionOfNamesThatAreNoFile) {
    const std::wstring keep = folder + L"\\a.txt";
    tolvare::unique_hfile(CreateFileW(keep.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    tolvare::testing::MessageBoxAnswerer anyBox;
    SetCurrentDirectoryW(folder.c_str());
    // Dots and separators alone name the current folder, its parent or a drive's root here.
    for (const std::wstring& path : std::vector<std::wstring>{std::wstring(), folder + L"\\absent.txt", folder + L"\\*.txt",
                                     folder + L"\\..", folder + L"\\. . .\\", L"..", L"C:\\", L"\\", L"Z:",
                                     folder + L"\\\u0444.txt", std::wstring(40000, L'x'), std::wstring(20, L'.'),
                                     std::wstring(21, L'\\'), folder + std::wstring(L"\\a.txt\0z", 8)}) {
        BSTR variable = SysAllocStringLen(path.data(), UINT(path.size()));
        unique_variant result;
        EXPECT_EQ(windows->Effacer_FichierDossier(&variable, result.get()), S_OK);
        SysFreeString(variable);
    }
    EXPECT_EQ(anyBox.answered(), 0);
    EXPECT_TRUE(exists(keep));
}

// Under a desktop of Wine's own, the shell shows a taskbar: it is hidden and shown again.
// The shell's processes running now.
std::set<DWORD> explorers() {
    std::set<DWORD> ids;
    tolvare::unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (lstrcmpiW(entry.szExeFile, L"explorer.exe") == 0) ids.insert(entry.th32ProcessID);
    return ids;
}

std::set<DWORD> newExplorers(const std::set<DWORD>& before) {
    std::set<DWORD> now = explorers();
    for (DWORD id : before) now.erase(id);
    return now;
}

// (Wine gives a desktop its shell, taskbar included, when the desktop's settings ask for it.)
TEST_F(ShellMembers, TaskbarHiddenAndShownUnderADesktop) {
    const wchar_t* settings = L"Software\\Wine\\Explorer\\Desktops\\KorvelTaskbar";
    {
        tolvare::unique_hkey desktop;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settings, 0, nullptr, 0, KEY_SET_VALUE, nullptr, desktop.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        DWORD enabled = 1;
        RegSetValueExW(desktop.get(), L"EnableShell", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled),
                       sizeof enabled);
    }
    // While it lasts, the desktop's size is the screen's for every program started: it is made
    // as large as the screen, and the test waits for it to end so that later programs find the
    // screen as it was.
    std::set<DWORD> before = explorers();
    std::wstring size = std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" +
                        std::to_wstring(GetSystemMetrics(SM_CYSCREEN));
    std::string report = reportOfChild(L"explorer.exe /desktop=KorvelTaskbar," + size + L" ", L"TaskbarReport.*");
    for (int waited = 0; waited < 300 && !newExplorers(before).empty(); ++waited) Sleep(100);
    for (DWORD id : newExplorers(before)) {
        tolvare::unique_handle lingering(OpenProcess(PROCESS_TERMINATE, FALSE, id));
        if (lingering) TerminateProcess(lingering.get(), 1);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, settings);
    EXPECT_EQ(report, "found visible; hidden; shown; late-bound hidden; late-bound shown");
}

// The other side of TaskbarHiddenAndShownUnderADesktop, run only in the program it starts.
// (Disabled: only the program that test starts runs it.)
TEST(TaskbarReport, DISABLED_HidesAndShowsTheTaskbar) {
    HWND taskbar = nullptr;
    for (int attempt = 0; attempt < 100 && !(taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)); ++attempt) Sleep(100);
    std::string report = !taskbar ? "no taskbar" : IsWindowVisible(taskbar) ? "found visible" : "found hidden";
    com_ptr<_Cls_Windows> windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
    if (taskbar && windows) {
        RECT before{}, after{};
        GetWindowRect(taskbar, &before);
        windows->Cacher_BarreDesTaches();
        report += IsWindowVisible(taskbar) ? "; still visible" : "; hidden";
        windows->Montrer_BarreDesTaches();
        GetWindowRect(taskbar, &after);
        report += IsWindowVisible(taskbar) ? "; shown" : "; still hidden";
        if (!EqualRect(&before, &after)) report += "; moved";
        com_ptr<IDispatch> late;
        windows.query(late);
        CallResult hide, show;
        invoke(hide, late.get(), L"Cacher_BarreDesTaches", {});
        report += hide.status == S_OK && !IsWindowVisible(taskbar) ? "; late-bound hidden" : "; late-bound not hidden";
        invoke(show, late.get(), L"Montrer_BarreDesTaches", {});
        report += show.status == S_OK && IsWindowVisible(taskbar) ? "; late-bound shown" : "; late-bound not shown";
    }
    writeReport(report);
}

}  // namespace
