// The launching members of Cls_Windows through the real library (ExecuteFichier,
// TrouveExecutable, LancerActiverApplication, Extinction_Ordinateur, ModeDeveloppement):
// early-bound by vtable position and late-bound by name. The programs they start are copies of
// a stand-in that records how it was started; the associations they look up are registered
// for the test and removed after it.

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

bool sameFile(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

void createEmptyFile(const std::wstring& path) {
    tolvare::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot create the document";
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

// How the stand-in was started, one run.
struct RecordedRun {
    DWORD flags = 0;
    WORD show = 0;
    std::wstring commandLine;
};

// Whether `program` saw the command line it was started with. Windows hands the text on as it
// is; where the program's path holds blanks and is not quoted, Wine puts quotes around the path
// it found. The arguments after the path are the same on both.
::testing::AssertionResult sawItsCommandLine(const RecordedRun& run, const std::wstring& commandLine,
                                             const std::wstring& program) {
    if (run.commandLine == commandLine) return ::testing::AssertionSuccess();
    if (commandLine.compare(0, program.size(), program) == 0 &&
        run.commandLine == L"\"" + program + L"\"" + commandLine.substr(program.size()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "it saw " << ::testing::PrintToString(run.commandLine);
}

// The stand-in program at `path`, whose runs are read from the log it writes beside itself.
class StandIn {
public:
    static constexpr wchar_t kBuiltName[] = L"rundll32.exe";

    // The stand-in the build put beside this test program.
    StandIn() : StandIn(besideTestProgram(kBuiltName)) {}
    explicit StandIn(std::wstring path) : path_(std::move(path)) { forget(); }
    // A copy of the stand-in at `path`, in a folder made for it.
    static StandIn copiedTo(const std::wstring& path) {
        CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
        CopyFileW(besideTestProgram(kBuiltName).c_str(), path.c_str(), FALSE);
        return StandIn(path);
    }

    const std::wstring& path() const { return path_; }
    std::wstring fileName() const { return path_.substr(path_.find_last_of(L'\\') + 1); }
    void forget() { DeleteFileW((path_ + L".log").c_str()); }

    std::vector<RecordedRun> runs() const {
        std::vector<RecordedRun> runs;
        tolvare::unique_hfile log(CreateFileW((path_ + L".log").c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!log) return runs;
        std::string bytes(1 << 20, '\0');
        DWORD read = 0;
        if (!ReadFile(log.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr)) return runs;
        bytes.resize(read);
        std::wstring text = fromUtf8(bytes);
        for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
            std::wstring line = text.substr(start, end - start);
            size_t first = line.find(L' '), second = line.find(L' ', first + 1);
            if (second == std::wstring::npos) continue;
            runs.push_back({DWORD(std::stoul(line.substr(0, first))),
                            WORD(std::stoul(line.substr(first + 1, second - first - 1))), line.substr(second + 1)});
        }
        return runs;
    }
    // The runs once there are `count` of them (the starting member does not wait for the
    // program), or what there is after a minute.
    std::vector<RecordedRun> waitForRuns(size_t count) const {
        std::vector<RecordedRun> seen;
        for (int attempt = 0; attempt < 600 && (seen = runs()).size() < count; ++attempt) Sleep(100);
        return seen;
    }
    // Starts the stand-in directly with the argument `marker` and waits for it to end.
    void runDirectly(const std::wstring& marker) const {
        std::wstring commandLine = L"\"" + path_ + L"\" " + marker;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        tolvare::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    }
    // Nothing started it before now: a run started before the marker's has written its line
    // by the time the marker's run has ended, or is still running.
    void expectNoRunBeforeMarker() const {
        ASSERT_NO_FATAL_FAILURE(runDirectly(L"marker"));
        std::vector<RecordedRun> seen = runs();
        ASSERT_EQ(seen.size(), 1u) << "the program was started";
        EXPECT_EQ(seen[0].commandLine, L"\"" + path_ + L"\" marker");
        tolvare::unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        ASSERT_TRUE(snapshot);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
            EXPECT_FALSE(sameFile(entry.szExeFile, fileName())) << "the program was started";
    }

private:
    std::wstring path_;
};

// Documents of `extension` open with `program`, an association of the whole machine (this Wine
// reads associations there only), removed when this ends.
class TestAssociation {
public:
    TestAssociation(const std::wstring& extension, const std::wstring& program)
        : extensionKey_(L"Software\\Classes\\" + extension),
          classKey_(L"Software\\Classes\\KorvelTestDocument" + extension.substr(1)) {
        setDefault(extensionKey_, classKey_.substr(classKey_.find_last_of(L'\\') + 1));
        setDefault(classKey_ + L"\\shell\\open\\command", L"\"" + program + L"\" \"%1\"");
    }
    TestAssociation(const TestAssociation&) = delete;
    TestAssociation& operator=(const TestAssociation&) = delete;
    ~TestAssociation() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, extensionKey_.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey_.c_str());
    }

private:
    static void setDefault(const std::wstring& key, const std::wstring& value) {
        tolvare::unique_hkey opened;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  opened.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 DWORD((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    std::wstring extensionKey_, classKey_;
};

// A visible top-level window of the test with the title `title`.
class TitledWindow {
public:
    explicit TitledWindow(const std::wstring& title)
        : window_(CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    TitledWindow(const TitledWindow&) = delete;
    TitledWindow& operator=(const TitledWindow&) = delete;
    ~TitledWindow() { DestroyWindow(window_); }
    HWND handle() const { return window_; }

private:
    HWND window_;
};

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
        ASSERT_TRUE(windows);
        folder = temporaryFolder();
    }

    // ExecuteFichier's result, or its failure; the caller's variable comes back unchanged.
    struct Outcome {
        HRESULT status = E_FAIL;
        VARTYPE type = VT_ERROR;
        std::wstring text;
    };
    Outcome executeFichier(const std::wstring& document) {
        BSTR variable = SysAllocStringLen(document.data(), UINT(document.size()));
        tolvare::unique_variant result;
        V_VT(result.get()) = VT_I4;  // something to be cleared
        Outcome outcome;
        outcome.status = windows->ExecuteFichier(&variable, result.get());
        EXPECT_EQ(str(variable), document);
        SysFreeString(variable);
        outcome.type = V_VT(result.get());
        if (outcome.type == VT_BSTR) outcome.text = str(V_BSTR(result.get()));
        return outcome;
    }
    std::wstring trouveExecutable(const std::wstring& document) {
        BSTR variable = SysAllocStringLen(document.data(), UINT(document.size()));
        unique_bstr result;
        EXPECT_EQ(windows->TrouveExecutable(&variable, result.put()), S_OK);
        EXPECT_EQ(str(variable), document);
        SysFreeString(variable);
        return str(result.get());
    }
    short lancerActiver(const std::wstring& title, const std::wstring& program) {
        unique_bstr titleVariable(SysAllocString(title.c_str())), programVariable(SysAllocString(program.c_str()));
        BSTR t = titleVariable.release(), p = programVariable.release();
        short result = -99;
        EXPECT_EQ(windows->LancerActiverApplication(&t, &p, &result), S_OK);
        EXPECT_EQ(str(t), title);
        EXPECT_EQ(str(p), program);
        SysFreeString(t);
        SysFreeString(p);
        return result;
    }
    // The extension of this test's documents: of this process alone, as the suites of both
    // bitnesses register theirs at the same time.
    static std::wstring extension(const wchar_t* kind) {
        return L".kv" + std::wstring(kind) + std::to_wstring(GetCurrentProcessId());
    }
    static std::wstring lastErrorDescription() {
        com_ptr<IErrorInfo> info;
        if (GetErrorInfo(0, info.put()) != S_OK) return L"<no error object>";
        unique_bstr description;
        info->GetDescription(description.put());
        return str(description.get());
    }

    com_ptr<_Cls_Windows> windows;
    std::wstring folder;
};

TEST_F(LaunchTest, ExecuteFichierStartsTheAssociatedProgramWithBothNamesQuoted) {
    StandIn opener = StandIn::copiedTo(folder + L"\\Programme d'essai\\ouvrir.exe");
    const std::wstring type = extension(L"doc");
    TestAssociation association(type, opener.path());
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\dossier avec blancs").c_str(), nullptr));
    // A name that an unquoted command line would split into a document and an option.
    const std::wstring document = folder + L"\\dossier avec blancs\\lettre d'été --option" + type;
    createEmptyFile(document);

    const std::wstring commandLine = L"\"" + opener.path() + L"\" \"" + document + L"\"";
    Outcome started = executeFichier(document);
    ASSERT_EQ(started.status, S_OK);
    EXPECT_EQ(started.type, VT_BSTR);
    EXPECT_EQ(started.text, commandLine);
    std::vector<RecordedRun> runs = opener.waitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(sawItsCommandLine(runs[0], commandLine, opener.path()));
    EXPECT_EQ(runs[0].show, SW_SHOWMINIMIZED);
    EXPECT_TRUE(runs[0].flags & STARTF_USESHOWWINDOW);

    // TrouveExecutable names the same program, also for a name looked up in the current folder.
    EXPECT_TRUE(sameFile(trouveExecutable(document), opener.path()));
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW((folder + L"\\dossier avec blancs").c_str());
    std::wstring found = trouveExecutable(L"lettre d'été --option" + type);
    SetCurrentDirectoryW(current);
    EXPECT_TRUE(sameFile(found, opener.path())) << found;
}

TEST_F(LaunchTest, LookupFailuresAreNamedOrEmpty) {
    const std::wstring type = extension(L"fnf");
    TestAssociation association(type, folder + L"\\programme.exe");
    const std::wstring unassociated = folder + L"\\sans association" + extension(L"none");
    createEmptyFile(unassociated);
    const std::wstring missing = folder + L"\\absent" + type;
    const std::wstring inMissingFolder = folder + L"\\dossier absent\\lettre" + type;
    // Names longer than any ANSI path: the platform's lookup is not given them.
    const std::wstring longName = folder + L"\\" + std::wstring(10000, L'n') + type;
    const std::wstring longFolder = folder + L"\\" + std::wstring(10000, L'd') + L"\\lettre" + type;

    struct Case {
        std::wstring document, result;
    } cases[] = {
        {unassociated, L"no association"},       {missing, L"Fichier non trouvé"},
        {inMissingFolder, L"Fichier non trouvé"}, {longName, L"Fichier non trouvé"},
        {longFolder, L"Fichier non trouvé"},
    };
    for (const Case& c : cases) {
        Outcome outcome = executeFichier(c.document);
        EXPECT_EQ(outcome.status, S_OK) << c.document.substr(0, 200);
        EXPECT_EQ(outcome.type, VT_BSTR);
        EXPECT_EQ(outcome.text, c.result) << c.document.substr(0, 200);
        EXPECT_EQ(trouveExecutable(c.document), L"") << c.document.substr(0, 200);
    }
    // The text that no ANSI path can be, by itself.
    EXPECT_EQ(trouveExecutable(std::wstring(10000, L'x')), L"");
}

TEST_F(LaunchTest, AnAssociatedProgramThatCannotBeStartedIsRunTimeError53) {
    const std::wstring type = extension(L"gone");
    const std::wstring absentProgram = folder + L"\\absent\\absent.exe";
    TestAssociation association(type, absentProgram);
    const std::wstring document = folder + L"\\lettre" + type;
    createEmptyFile(document);
    EXPECT_TRUE(sameFile(trouveExecutable(document), absentProgram));

    SetErrorInfo(0, nullptr);
    Outcome failed = executeFichier(document);
    EXPECT_EQ(failed.status, HRESULT(0x800A0035));
    EXPECT_EQ(failed.type, VT_EMPTY);
    EXPECT_EQ(lastErrorDescription(), L"Fichier introuvable");

    // An empty document: the platform's lookup names no program, which cannot be started.
    EXPECT_EQ(executeFichier(L"").status, HRESULT(0x800A0035));
    BSTR none = nullptr;
    tolvare::unique_variant result;
    EXPECT_EQ(windows->ExecuteFichier(&none, result.put()), HRESULT(0x800A0035));
    EXPECT_EQ(none, nullptr);

    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    CallResult r;
    invoke(r, late.get(), L"ExecuteFichier", {text(document.c_str())});
    EXPECT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, HRESULT(0x800A0035));
    EXPECT_STREQ(r.exception.bstrDescription, L"Fichier introuvable");
}

TEST_F(LaunchTest, LancerActiverApplicationStartsTheProgramWhenNoWindowHasTheTitle) {
    StandIn launcher = StandIn::copiedTo(folder + L"\\Mon lanceur\\lanceur.exe");
    const std::wstring title = L"KORVEL aucune fenêtre " + std::to_wstring(GetCurrentProcessId());
    // The path unquoted, blanks and an argument after it, as a command line.
    const std::wstring commandLine = launcher.path() + L" /argument";
    EXPECT_EQ(lancerActiver(title, commandLine), 1);
    std::vector<RecordedRun> runs = launcher.waitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(sawItsCommandLine(runs[0], commandLine, launcher.path()));
    EXPECT_EQ(runs[0].show, SW_SHOWNORMAL);
    EXPECT_TRUE(runs[0].flags & STARTF_USESHOWWINDOW);

    // An empty title names no window (the platform's search would take any untitled one).
    launcher.forget();
    EXPECT_EQ(lancerActiver(L"", commandLine), 1);
    EXPECT_EQ(launcher.waitForRuns(1).size(), 1u);

    // Neither a window nor a path; a path that cannot be started: 0, and no error.
    EXPECT_EQ(lancerActiver(title, L""), 0);
    EXPECT_EQ(lancerActiver(L"", L""), 0);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(lancerActiver(title, folder + L"\\absent.exe"), 0);
    com_ptr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);
    EXPECT_EQ(lancerActiver(std::wstring(10000, L't'), std::wstring(10000, L'p')), 0);
    BSTR none = nullptr;
    short result = -99;
    EXPECT_EQ(windows->LancerActiverApplication(&none, &none, &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(windows->LancerActiverApplication(&none, &none, nullptr), E_POINTER);
}

TEST_F(LaunchTest, LancerActiverApplicationBringsTheWindowWithThatTitleForwardAndStartsNothing) {
    StandIn launcher = StandIn::copiedTo(folder + L"\\lanceur\\pas-lance.exe");
    const std::wstring title = L"Fenêtre d'essai KORVEL " + std::to_wstring(GetCurrentProcessId());
    TitledWindow wanted(title), other(L"Autre fenêtre d'essai KORVEL");
    ASSERT_TRUE(wanted.handle() && other.handle());
    for (const std::wstring& program : {launcher.path(), std::wstring()}) {
        SetForegroundWindow(other.handle());
        ASSERT_EQ(GetForegroundWindow(), other.handle());
        EXPECT_EQ(lancerActiver(title, program), 1);
        EXPECT_EQ(GetForegroundWindow(), wanted.handle());
    }
    launcher.expectNoRunBeforeMarker();

    // Late-bound, the program left out.
    SetForegroundWindow(other.handle());
    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    EXPECT_EQ(dispatchIdOf(late.get(), L"LancerActiverApplication"), 0x60030021);
    CallResult r;
    invoke(r, late.get(), L"LancerActiverApplication", {text(title.c_str())});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_I2);
    EXPECT_EQ(V_I2(r.value.get()), 1);
    EXPECT_EQ(GetForegroundWindow(), wanted.handle());
}

// The command runner of the system folder, replaced by the stand-in for as long as this lives:
// the library starts the runner by its full path there, never the copy its search would find
// first. What a run that ended half-way left (the real runner set aside) is put back first.
class SystemRunner {
public:
    SystemRunner() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        folder_ = system;
        path_ = folder_ + L"\\" + StandIn::kBuiltName;
        original_ = path_ + L".korvel-original";
        restore();
        placed_ = MoveFileExW(path_.c_str(), original_.c_str(), MOVEFILE_REPLACE_EXISTING) &&
                  CopyFileW(besideTestProgram(StandIn::kBuiltName).c_str(), path_.c_str(), FALSE);
        standIn_.emplace(path_);
    }
    ~SystemRunner() {
        standIn_->forget();
        restore();
    }
    SystemRunner(const SystemRunner&) = delete;
    SystemRunner& operator=(const SystemRunner&) = delete;

    StandIn& standIn() { return *standIn_; }
    bool placed() const { return placed_; }
    // A launcher's command text as the runner receives it: its program by its full path here.
    std::wstring commandLine(const std::wstring& commandText) const {
        const std::size_t blank = commandText.find(L' ');
        std::wstring program = commandText.substr(0, blank);
        if (program.find(L'.') == std::wstring::npos) program += L".exe";
        return L"\"" + folder_ + L"\\" + program + L"\"" + (blank == std::wstring::npos ? L"" : commandText.substr(blank));
    }

private:
    void restore() {
        if (GetFileAttributesW(original_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
        DeleteFileW(path_.c_str());
        MoveFileExW(original_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    std::wstring folder_, path_, original_;
    bool placed_ = false;
    std::optional<StandIn> standIn_;
};

// Extinction_Ordinateur asks the session to end through the command runner. It is called only
// where the runner of the system folder is the stand-in: Wine's real one would end every program
// of the prefix, the test run's included.
::testing::AssertionResult theStandInTakesTheRunnersPlace(SystemRunner& system) {
    if (!system.placed()) return ::testing::AssertionFailure() << "the stand-in could not take the system runner's place";
    StandIn& runner = system.standIn();
    runner.forget();
    runner.runDirectly(L"probe");
    std::vector<RecordedRun> runs = runner.runs();
    if (runs.size() != 1 || runs[0].commandLine.find(L" probe") == std::wstring::npos)
        return ::testing::AssertionFailure() << "the system runner records nothing";
    runner.forget();
    return ::testing::AssertionSuccess();
}

// Copies of the runner in the caller's own folder and in the current folder are never run.
TEST_F(LaunchTest, PlantedRunnersBesideTheCallerOrInTheCurrentFolderNeverRun) {
    SystemRunner system;
    ASSERT_TRUE(theStandInTakesTheRunnersPlace(system)) << "the launchers are not called";
    StandIn beside;  // the copy the build put beside this program, first in the platform's search
    StandIn current = StandIn::copiedTo(folder + L"\\courant\\" + StandIn::kBuiltName);
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW((folder + L"\\courant").c_str());
    short tab = 0;
    EXPECT_EQ(windows->GstAffichage(&tab), S_OK);
    SetCurrentDirectoryW(previous);
    const std::vector<RecordedRun> runs = system.standIn().waitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].commandLine, system.commandLine(L"RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,0"));
    EXPECT_TRUE(beside.runs().empty());
    EXPECT_TRUE(current.runs().empty());
}

TEST_F(LaunchTest, ExtinctionOrdinateurStartsTheSessionCommandsMinimised) {
    SystemRunner system;
    ASSERT_TRUE(theStandInTakesTheRunnersPlace(system)) << "Extinction_Ordinateur is not called";
    StandIn& runner = system.standIn();
    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    EXPECT_EQ(dispatchIdOf(late.get(), L"Extinction_Ordinateur"), 0x6003001E);
    struct Case {
        short mode;
        const wchar_t* commandLine;
        bool lateBound;
    } cases[] = {
        {1, L"rundll32.exe user.exe,restartwindows", false}, {0, L"rundll32.exe user.exe,exitwindows", false},
        {2, L"rundll32.exe user.exe,exitwindows", false},    {-1, L"rundll32.exe user.exe,exitwindows", false},
        {1, L"rundll32.exe user.exe,restartwindows", true},  {2, L"rundll32.exe user.exe,exitwindows", true},
    };
    for (const Case& c : cases) {
        runner.forget();
        if (c.lateBound) {
            CallResult r;
            invoke(r, late.get(), L"Extinction_Ordinateur", {number(c.mode)});
            ASSERT_EQ(r.status, S_OK) << c.mode;
        } else {
            short mode = c.mode;
            ASSERT_EQ(windows->Extinction_Ordinateur(&mode), S_OK) << c.mode;
            EXPECT_EQ(mode, c.mode);
        }
        std::vector<RecordedRun> runs = runner.waitForRuns(1);
        ASSERT_EQ(runs.size(), 1u) << c.mode;
        EXPECT_EQ(runs[0].commandLine, system.commandLine(c.commandLine)) << c.mode;
        EXPECT_EQ(runs[0].show, SW_SHOWMINIMIZED) << c.mode;
        EXPECT_TRUE(runs[0].flags & STARTF_USESHOWWINDOW) << c.mode;
    }
    EXPECT_EQ(windows->Extinction_Ordinateur(nullptr), E_POINTER);
}

// The control-panel and wizard pages, each called late-bound by name as scripts call them,
// with a tab number, a path or nothing: what the runner receives, minimised.
TEST_F(LaunchTest, EveryPageStartsItsCommandLineThroughTheRunner) {
    SystemRunner system;
    ASSERT_TRUE(theStandInTakesTheRunnersPlace(system)) << "the launchers are not called";
    StandIn& runner = system.standIn();
    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    struct Case {
        const wchar_t* member;
        DISPID id;
        VARIANT argument;
        const wchar_t* commandLine;
    };
    VARIANT none;
    VariantInit(&none);
    V_VT(&none) = VT_ERROR;  // no argument at all
    const std::wstring withBlanks = folder + L"\\Mes documents\\note.xyz";
    const std::wstring openWith = L"rundll32.exe shell32.dll,OpenAs_RunDLL " + withBlanks;
    const Case cases[] = {
        {L"GstAffichage", 0x60030001, number(3), L"RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,3"},
        {L"GstDivers", 0x60030002, number(5), L"RUNDLL32 SHELL32.DLL,Control_RunDLL ACCESS.CPL,,5"},
        {L"GstProg", 0x60030003, number(1), L"RUNDLL32 SHELL32.DLL,Control_RunDLL APPWIZ.CPL,,1"},
        {L"GstParamRegion", 0x60030004, number(4), L"RUNDLL32 SHELL32.DLL,Control_RunDLL INTL.CPL,,4"},
        {L"GstJoystick", 0x60030005, number(1), L"rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,1"},
        {L"GstPrincipal", 0x60030006, number(2), L"rundll32.exe shell32.dll,Control_RunDLL main.cpl @2"},
        {L"GstMailFax", 0x60030007, none, L"rundll32.exe shell32.dll,Control_RunDLL mlcfg32.cpl"},
        {L"GstMultimedia", 0x60030008, number(0), L"RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,0"},
        {L"GstSysteme", 0x60030009, number(0), L"RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,0"},
        {L"GstInternetExplorer", 0x6003000A, number(1), L"rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,1"},
        {L"GstAssistantNouveauMateriel", 0x6003000B, none, L"rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl @1"},
        {L"GstModem", 0x6003000C, none, L"rundll32.exe shell32.dll,Control_RunDLL modem.cpl"},
        {L"GstReseau", 0x6003000D, none, L"rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl"},
        {L"GstPassword", 0x6003000E, none, L"rundll32.exe shell32.dll,Control_RunDLL password.cpl"},
        {L"GstDate", 0x6003000F, none, L"rundll32.exe shell32.dll,Control_RunDLL timedate.cpl"},
        {L"GstMSMail", 0x60030010, none, L"rundll32.exe shell32.dll,Control_RunDLL wgpocpl.cpl"},
        {L"GstFichierAssociation", 0x60030011, text(withBlanks.c_str()), openWith.c_str()},
        {L"CopieD7", 0x60030012, none, L"rundll32 diskcopy.dll,DiskCopyRunDll"},
        {L"CreationRaccourci_Fenetre", 0x60030013, text(L""), L"rundll32.exe AppWiz.Cpl,NewLinkHere "},
        {L"AssistantNouveauMateriel", 0x60030015, none, L"rundll32.exe sysdm.cpl, InstallDevice_RunDLL"},
        {L"AssistantNouvelleImprimante", 0x60030016, none,
         L"rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL AddPrinter"},
        {L"AssistantNouvelleConnexion", 0x60030017, none, L"rundll32.exe rnaui.dll, RnaWizard"},
        {L"OuvrirPortionDocument", 0x60030018, text(L"C:\\scrap file.shs"),
         L"rundll32.exe shscrap.dll,OpenScrap_RunDLL /r /x C:\\scrap file.shs"},
        {L"CreationPorteDocument", 0x60030019, none, L"rundll32.exe syncui.dll, Briefcase_Create"},
        {L"GstImprimante", 0x6003001A, none, L"rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL PrintersFolder"},
        {L"GstFontes", 0x6003001B, none, L"rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL FontsFolder"},
        {L"GstHeure", 0x6003001C, none, L"rundll32.exe shell32.dll,Control_RunDLL timedate.cpl,,/f"},
        {L"GstEnergie", 0x6003001D, none, L"rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl"},
    };
    ASSERT_EQ(std::size(cases), 28u);
    for (const Case& c : cases) {
        EXPECT_EQ(dispatchIdOf(late.get(), c.member), c.id) << c.member;
        runner.forget();
        // Scripts pass their variables by reference; a launcher must leave them as they were.
        VARIANT variable;
        VariantInit(&variable);
        VariantCopy(&variable, const_cast<VARIANT*>(&c.argument));
        CallResult r;
        invoke(r, late.get(), c.member, V_VT(&c.argument) == VT_ERROR ? std::vector<VARIANT>{}
                                                                       : std::vector<VARIANT>{reference(&variable)});
        ASSERT_EQ(r.status, S_OK) << c.member;
        std::vector<RecordedRun> runs = runner.waitForRuns(1);
        ASSERT_EQ(runs.size(), 1u) << c.member;
        EXPECT_EQ(runs[0].commandLine, system.commandLine(c.commandLine)) << c.member;
        EXPECT_EQ(runs[0].show, SW_SHOWMINIMIZED) << c.member;
        EXPECT_TRUE(runs[0].flags & STARTF_USESHOWWINDOW) << c.member;
        if (V_VT(&c.argument) == VT_BSTR) {
            EXPECT_EQ(textOf(variable), textOf(c.argument)) << c.member;
        }
        if (V_VT(&c.argument) == VT_I4) {
            // Written back as the parameter's type, with its value.
            ASSERT_EQ(V_VT(&variable), VT_I2) << c.member;
            EXPECT_EQ(V_I2(&variable), V_I4(&c.argument)) << c.member;
        }
        VariantClear(&variable);
    }
    for (const Case& c : cases) VariantClear(const_cast<VARIANT*>(&c.argument));
}

// Early-bound as a compiled client calls them: negative and extreme tabs keep their sign, an
// empty or missing path leaves the command text alone, and the caller's variables are kept.
TEST_F(LaunchTest, TabsAndPathsAsCompiledClientsPassThem) {
    SystemRunner system;
    ASSERT_TRUE(theStandInTakesTheRunnersPlace(system)) << "the launchers are not called";
    StandIn& runner = system.standIn();
    runner.forget();
    short tab = -1;
    ASSERT_EQ(windows->GstAffichage(&tab), S_OK);
    EXPECT_EQ(tab, -1);
    tab = -32768;
    ASSERT_EQ(windows->GstSysteme(&tab), S_OK);
    BSTR path = SysAllocString(L"C:\\dossier avec blancs");
    ASSERT_EQ(windows->CreationRaccourci_Fenetre(&path), S_OK);
    EXPECT_EQ(str(path), L"C:\\dossier avec blancs");
    SysFreeString(path);
    BSTR missing = nullptr;
    ASSERT_EQ(windows->GstFichierAssociation(&missing), S_OK);
    ASSERT_EQ(windows->GstHeure(), S_OK);
    std::vector<RecordedRun> runs = runner.waitForRuns(5);
    ASSERT_EQ(runs.size(), 5u);
    // Started without waiting, the runs may be recorded in any order.
    std::vector<std::wstring> lines;
    for (const RecordedRun& run : runs) lines.push_back(run.commandLine);
    std::sort(lines.begin(), lines.end());
    std::vector<std::wstring> expected;
    for (const wchar_t* command :
         {L"RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,-1", L"RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,-32768",
          L"rundll32.exe AppWiz.Cpl,NewLinkHere C:\\dossier avec blancs",
          L"rundll32.exe shell32.dll,Control_RunDLL timedate.cpl,,/f", L"rundll32.exe shell32.dll,OpenAs_RunDLL "})
        expected.push_back(system.commandLine(command));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(windows->GstAffichage(nullptr), E_POINTER);
}

// A runner that cannot be started is run-time error 53, for the pages as for the session
// commands: the stand-in is replaced for a moment by a file that is no program.
TEST_F(LaunchTest, ARunnerThatCannotBeStartedIsRunTimeError53) {
    SystemRunner system;
    ASSERT_TRUE(theStandInTakesTheRunnersPlace(system)) << "the launchers are not called";
    StandIn& runner = system.standIn();
    const std::wstring aside = runner.path() + L".aside";
    ASSERT_TRUE(MoveFileExW(runner.path().c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    {
        tolvare::unique_hfile broken(CreateFileW(runner.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(broken.get(), "not a program", 13, &written, nullptr);
    }
    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    CallResult r;
    invoke(r, late.get(), L"GstFontes", {});
    short tab = 2;
    HRESULT early = windows->GstPrincipal(&tab);
    DeleteFileW(runner.path().c_str());
    ASSERT_TRUE(MoveFileExW(aside.c_str(), runner.path().c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, HRESULT(0x800A0035));
    EXPECT_EQ(std::wstring(r.exception.bstrDescription ? r.exception.bstrDescription : L""), L"Fichier introuvable");
    EXPECT_EQ(early, HRESULT(0x800A0035));
}

TEST_F(LaunchTest, LateBoundLookupAndDevelopmentMode) {
    com_ptr<IDispatch> late;
    ASSERT_EQ(windows.query(late), S_OK);
    EXPECT_EQ(dispatchIdOf(late.get(), L"ExecuteFichier"), 0x60030020);
    EXPECT_EQ(dispatchIdOf(late.get(), L"TrouveExecutable"), 0x60030031);
    EXPECT_EQ(dispatchIdOf(late.get(), L"ModeDeveloppement"), 0x60030032);

    StandIn opener = StandIn::copiedTo(folder + L"\\ouvreur\\ouvreur.exe");
    const std::wstring type = extension(L"late");
    TestAssociation association(type, opener.path());
    const std::wstring document = folder + L"\\note" + type;
    createEmptyFile(document);
    VARIANT variable = text(document.c_str());
    CallResult executed, found, unassociated, mode;
    invoke(executed, late.get(), L"ExecuteFichier", {reference(&variable)});
    ASSERT_EQ(executed.status, S_OK);
    EXPECT_EQ(V_VT(executed.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*executed.value.get()), L"\"" + opener.path() + L"\" \"" + document + L"\"");
    EXPECT_EQ(textOf(variable), document);
    EXPECT_EQ(opener.waitForRuns(1).size(), 1u);
    invoke(found, late.get(), L"TrouveExecutable", {reference(&variable)});
    EXPECT_TRUE(sameFile(textOf(*found.value.get()), opener.path()));
    invoke(unassociated, late.get(), L"TrouveExecutable", {text((folder + L"\\x.kvnone").c_str())});
    EXPECT_EQ(V_VT(unassociated.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(*unassociated.value.get()), L"");
    VariantClear(&variable);

    invoke(mode, late.get(), L"ModeDeveloppement", {});
    ASSERT_EQ(mode.status, S_OK);
    EXPECT_EQ(V_VT(mode.value.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(mode.value.get()), VARIANT_FALSE);
}

TEST_F(LaunchTest, ModeDeveloppementIsFalseInTheDeliveredLibrary) {
    VARIANT_BOOL mode = VARIANT_TRUE;
    EXPECT_EQ(windows->ModeDeveloppement(&mode), S_OK);
    EXPECT_EQ(mode, VARIANT_FALSE);
    EXPECT_EQ(windows->ModeDeveloppement(nullptr), E_POINTER);
}

TEST_F(LaunchTest, NullResultsAreRefused) {
    BSTR none = nullptr;
    EXPECT_EQ(windows->ExecuteFichier(&none, nullptr), E_POINTER);
    EXPECT_EQ(windows->TrouveExecutable(&none, nullptr), E_POINTER);
    unique_bstr result;
    EXPECT_EQ(windows->TrouveExecutable(&none, result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"");
    EXPECT_EQ(windows->TrouveExecutable(nullptr, result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"");
}

}  // namespace
