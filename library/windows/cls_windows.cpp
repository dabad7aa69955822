#include "library/windows/cls_windows.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/late_bound.h"
#include "library/frame/module.h"
#include "library/frame/command_line.h"
#include "library/frame/core/command_lines.h"
#include "library/windows/core/path_parts.h"
#include "library/windows/core/wait_due_time.h"
#include "library/windows/core/windows_version.h"

namespace korvel {

namespace {

// The size of the path buffer handed to the shell: MAX_PATH, which is what the ANSI entry
// point writes at most.
constexpr size_t kShellPathSize = 260;

// The special folder's path as the shell's ANSI entry point gives it; nothing when the folder
// is unknown or is a virtual one without a place on disk.
std::optional<std::wstring> specialFolderPath(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return std::nullopt;
    tolvare::unique_cotaskmem owner(list);
    char buffer[kShellPathSize];
    std::memset(buffer, ' ', sizeof buffer);
    if (!SHGetPathFromIDListA(list, buffer)) return std::nullopt;
    const void* end = std::memchr(buffer, '\0', sizeof buffer);
    std::string_view path(buffer, end ? size_t(static_cast<const char*>(end) - buffer) : sizeof buffer);
    // Wine names some virtual folders (printers, network) by their shell parsing name instead
    // of refusing them as Windows does; such a name is no place on disk either.
    if (path.substr(0, 2) == "::") return std::nullopt;
    return fromAnsi(path);
}

// The name that every waiter of the session shares: the library's own file name without its
// extension, followed by "Timer" ("KORVELTimer").
std::wstring waitTimerName() {
    std::wstring name = modulePath();
    name.erase(0, name.find_last_of(L"\\/") + 1);  // npos + 1 is 0: no folder to remove
    if (size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
    if (name.empty()) name = L"KORVEL";
    return name + L"Timer";
}

// The wake mask of the wait: every kind of input of the calling thread's queue.
constexpr DWORD kAnyQueueInput = 0xFF;

// Dispatches every message waiting in the calling thread's queue. False when a quit request
// was among them: it is posted again, so that the caller's own message loop still ends, and
// the wait must return at once rather than hold the quitting program.
bool dispatchPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

// A result buffer of blanks for the shell's executable lookup, terminated after them.
struct LookupBuffer {
    LookupBuffer() {
        std::memset(text, ' ', kShellPathSize);
        text[kShellPathSize] = '\0';
    }
    // The text up to its first NUL among the blanks; nothing when the lookup wrote none.
    std::optional<std::string_view> written() const {
        const void* end = std::memchr(text, '\0', kShellPathSize);
        if (!end) return std::nullopt;
        return std::string_view(text, size_t(static_cast<const char*>(end) - text));
    }
    char text[kShellPathSize + 1];
};

// The shell's executable lookup of `file` in `folder` (null: the current folder). A name or
// folder longer than an ANSI path can be names no file the lookup could find, and the
// platform's lookup does not survive some of them: such a file is not found.
INT_PTR findExecutable(std::string_view file, const char* folder, LookupBuffer& program) {
    if (file.size() >= kShellPathSize || (folder && std::strlen(folder) >= kShellPathSize)) return SE_ERR_FNF;
    return INT_PTR(FindExecutableA(std::string(file).c_str(), folder, program.text));
}

// Results of the shell's executable lookup: ExecuteFichier takes 32 (the highest failure code)
// as a success, TrouveExecutable as a failure.
constexpr INT_PTR kHighestLookupFailure = 32;

// The executable name of the development environment, seven characters.
constexpr char kDevelopmentEnvironment[] = "VB6.EXE";

// Upper case by the platform's rules, so that accented extensions (.été) are upper-cased too.
std::wstring upperCase(std::wstring_view text) {
    std::wstring upper(text);
    if (!upper.empty()) CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return upper;
}

// A window handle as automation callers hold it: the platform keeps handles within 32 bits and
// widens them with their sign.
HWND windowFromHandle(LONG handle) noexcept { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle)); }
LONG handleOfWindow(HWND window) noexcept { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)); }

// The title of a window; empty for no window, a window without a title and a handle that names
// no window. Read in UTF-16, so that characters outside the ANSI code page arrive as they are.
std::wstring windowTitle(HWND window) {
    if (!window) return {};
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring title(size_t(length) + 1, L' ');
    int read = GetWindowTextW(window, title.data(), length + 1);
    title.resize(size_t(read > 0 ? read : 0));
    return title;
}

// The taskbar of the shell, found as every program finds it: its class and an empty title.
HWND taskbarWindow() noexcept { return FindWindowA("Shell_traywnd", ""); }

// The first `count` characters of a folder buffer the platform filled, or the empty text when
// the call failed or the folder needs more room than the buffer has.
std::wstring folderFromBuffer(const char* buffer, UINT bufferSize, UINT count) {
    if (count == 0 || count >= bufferSize) return {};
    return fromAnsi(std::string_view(buffer, count));
}

// A text that ends at a NUL character the caller put inside it would name another file than
// the one asked for.
bool holdsNul(std::wstring_view text) noexcept { return text.find(L'\0') != std::wstring_view::npos; }

// Whether deleting `path` would take more than the caller named: a name made of dots (the
// current or a parent folder, as the platform reads "..." too) or a whole drive or share.
bool namesAFolderAboveOrARoot(const std::wstring& path) {
    size_t end = path.find_last_not_of(L"\\/");
    if (end == std::wstring::npos) return true;  // separators only: the root of a drive
    size_t start = path.find_last_of(L"\\/:", end);
    std::wstring_view last = std::wstring_view(path).substr(start == std::wstring::npos ? 0 : start + 1,
                                                            end - (start == std::wstring::npos ? 0 : start + 1) + 1);
    if (last.empty() || last.find_first_not_of(L". ") == std::wstring_view::npos) return true;
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(path.c_str(), DWORD(std::size(full)), full, nullptr);
    return length == 0 || length >= std::size(full) || PathIsRootW(full);
}

// The run-time error number (and its description) that a failed file operation reports.
RuntimeError fileError(HRESULT status) {
    switch (status) {
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_INVALID_NAME):
    case HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME):
    case HRESULT_FROM_WIN32(ERROR_INVALID_DRIVE):
        return RuntimeError(kPathNotFound);
    case E_ACCESSDENIED:
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
    case HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT):
        return RuntimeError(kPathFileAccessError);
    default:
        return RuntimeError(status);
    }
}

// Makes `folder` the current folder of its drive, as a change of folder without a change of
// drive does: the process's current folder moves only when it lies on the same drive; for
// another drive, the drive's remembered folder (its "=X:" variable) is set instead.
void makeCurrentFolderOfItsDrive(const std::wstring& folder) {
    wchar_t current[MAX_PATH * 4] = {};
    DWORD length = GetCurrentDirectoryW(DWORD(std::size(current)), current);
    // Drive letters are ASCII: one bit tells their cases apart.
    bool sameDrive = length >= 2 && folder.size() >= 2 && folder[1] == L':' && current[1] == L':' &&
                     (folder[0] | 0x20) == (current[0] | 0x20);
    if (sameDrive || folder.size() < 2 || folder[1] != L':') {
        if (!SetCurrentDirectoryW(folder.c_str())) throw RuntimeError(kPathNotFound);
        return;
    }
    std::wstring variable = L"=" + folder.substr(0, 2);
    SetEnvironmentVariableW(variable.c_str(), folder.c_str());
}

// Writes a shortcut to `target` at `linkPath` through the shell's link object.
void writeShortcut(const std::wstring& target, const std::wstring& linkPath) {
    tolvare::com_ptr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(hr) || !link) throw RuntimeError(kCannotCreateObject);
    if (FAILED(hr = link->SetPath(target.c_str()))) throw RuntimeError(hr);
    if (FAILED(hr = link->SetArguments(L""))) throw RuntimeError(hr);
    tolvare::com_ptr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.put_void())) || !file) throw RuntimeError(hr);
    if (FAILED(hr = file->Save(linkPath.c_str(), TRUE))) throw fileError(hr);
}

// The text a failure of CreationRaccourci shows: its number, three line ends, its description.
std::wstring failureMessage(const RuntimeError& error) {
    long number = error.number();
    // A status of the platform reads as the run-time error number it stands for, where it
    // stands for one.
    if ((static_cast<unsigned long>(number) & 0xFFFF0000UL) == 0x800A0000UL) number &= 0xFFFF;
    std::wstring description = error.description();
    if (description.empty()) description = std::wstring(runtimeErrorDescription(number));
    return std::to_wstring(number) + L"\r\n\r\n\r\n" + description;
}

// The owner window a form object names by its "hwnd" property, read through its dispatch
// interface as a 32-bit number.
LONG ownerWindowOf(IDispatch* form) {
    if (!form) throw RuntimeError(kObjectVariableNotSet);
    tolvare::unique_variant owner;
    HRESULT hr = LateBound(form).property(L"hwnd", owner.get());
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) throw RuntimeError(kPropertyOrMethodNotSupported);
    if (FAILED(hr)) throw RuntimeError(hr);
    hr = VariantChangeType(owner.get(), owner.get(), 0, VT_I4);
    if (hr == DISP_E_OVERFLOW) throw RuntimeError(kOverflow);
    if (FAILED(hr)) throw RuntimeError(kTypeMismatch);
    return V_I4(owner.get());
}

// The folder the user picks in the shell's folder picker (file-system folders only, from the
// desktop down); the empty text when cancelled or when the owner is no window, which the
// platform refuses to own a picker.
std::wstring pickFolder(HWND owner, BSTR* title) {
    if (owner && !IsWindow(owner)) return {};
    // Nobody would choose: the answer of a picker cancelled, as a box unattended goes on as after OK.
    if (unattended()) return {};
    AnsiArgument ansiTitle(title);
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = nullptr;
    browse.lpszTitle = ansiTitle.get();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return {};
    tolvare::unique_cotaskmem owned(chosen);
    char folder[512];
    std::memset(folder, ' ', sizeof folder);
    if (!SHGetPathFromIDListA(chosen, folder)) return {};
    const void* end = std::memchr(folder, '\0', sizeof folder);
    return fromAnsi(std::string_view(folder, end ? size_t(static_cast<const char*>(end) - folder) : sizeof folder));
}

}  // namespace

HRESULT Cls_Windows::openPage(launchers::Page page) {
    return guarded([&] {
        startSystemProgram(std::string(launchers::launcher(page).commandText));
        return S_OK;
    });
}

HRESULT Cls_Windows::openPage(launchers::Page page, short *tab) {
    if (!tab) return E_POINTER;
    return guarded([&] {
        startSystemProgram(launchers::commandWithTab(page, *tab));
        return S_OK;
    });
}

HRESULT Cls_Windows::openPage(launchers::Page page, BSTR *text) {
    return guarded([&] {
        AnsiArgument path(text);
        startSystemProgram(launchers::commandWithText(page, path.get() ? path.get() : ""));
        return S_OK;
    });
}

HRESULT Cls_Windows::Wait(LONG *lNumberOfSeconds) {
    if (!lNumberOfSeconds) return E_POINTER;
    return guarded([&] {
        // Another waiter of the session may have made it already: the platform then opens it.
        tolvare::unique_handle timer(CreateWaitableTimerW(nullptr, TRUE, waitTimerName().c_str()));
        // Without a timer the loop below could end on nothing: return rather than never.
        if (!timer) return S_OK;
        LARGE_INTEGER due;
        due.QuadPart = waiting::waitDueTime(*lNumberOfSeconds);
        // Setting the timer clears its signalled state; a timer not set would never signal.
        if (!SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) return S_OK;
        HANDLE handles[] = {timer.get()};
        for (;;) {
            DWORD woken = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, kAnyQueueInput);
            if (woken == WAIT_FAILED) return S_OK;
            // The messages are processed on every round, the last one included, so that a
            // wait of no time still lets the caller's windows run once.
            if (!dispatchPendingMessages()) return S_OK;
            if (woken == WAIT_OBJECT_0) return S_OK;
        }
    });
}

HRESULT Cls_Windows::GstAffichage(short *NumeroOnglet) {
    return openPage(launchers::Page::display, NumeroOnglet);
}

HRESULT Cls_Windows::GstDivers(short *NumeroOnglet) {
    return openPage(launchers::Page::accessibility, NumeroOnglet);
}

HRESULT Cls_Windows::GstProg(short *NumeroOnglet) {
    return openPage(launchers::Page::programs, NumeroOnglet);
}

HRESULT Cls_Windows::GstParamRegion(short *NumeroOnglet) {
    return openPage(launchers::Page::regionalSettings, NumeroOnglet);
}

HRESULT Cls_Windows::GstJoystick(short *NumeroOnglet) {
    return openPage(launchers::Page::gameControllers, NumeroOnglet);
}

HRESULT Cls_Windows::GstPrincipal(short *NumeroOnglet) {
    return openPage(launchers::Page::mainApplets, NumeroOnglet);
}

HRESULT Cls_Windows::GstMailFax() {
    return openPage(launchers::Page::mailAndFax);
}

HRESULT Cls_Windows::GstMultimedia(short *NumeroOnglet) {
    return openPage(launchers::Page::multimedia, NumeroOnglet);
}

HRESULT Cls_Windows::GstSysteme(short *NumeroOnglet) {
    return openPage(launchers::Page::system, NumeroOnglet);
}

HRESULT Cls_Windows::GstInternetExplorer(short *NumeroOnglet) {
    return openPage(launchers::Page::browserSettings, NumeroOnglet);
}

HRESULT Cls_Windows::GstAssistantNouveauMateriel() {
    return openPage(launchers::Page::addHardwarePage);
}

HRESULT Cls_Windows::GstModem() {
    return openPage(launchers::Page::modems);
}

HRESULT Cls_Windows::GstReseau() {
    return openPage(launchers::Page::network);
}

HRESULT Cls_Windows::GstPassword() {
    return openPage(launchers::Page::passwords);
}

HRESULT Cls_Windows::GstDate() {
    return openPage(launchers::Page::dateApplet);
}

HRESULT Cls_Windows::GstMSMail() {
    return openPage(launchers::Page::workgroupPostOffice);
}

HRESULT Cls_Windows::GstFichierAssociation(BSTR *NomFichier) {
    return openPage(launchers::Page::openWith, NomFichier);
}

HRESULT Cls_Windows::CopieD7() {
    return openPage(launchers::Page::floppyCopy);
}

HRESULT Cls_Windows::CreationRaccourci_Fenetre(BSTR *Chemin) {
    return openPage(launchers::Page::newShortcut, Chemin);
}

HRESULT Cls_Windows::CreationRaccourci(BSTR *strNomDuRaccourci, BSTR *strPathCible, BSTR *strArgument, BSTR *strPlaceRaccourci) {
    // The arguments are accepted and not used: the shortcut starts its target alone.
    (void)strArgument;
    try {
        std::wstring library = modulePath();
        makeCurrentFolderOfItsDrive(library.substr(0, library.find_last_of(L'\\')));
        std::wstring name(textOf(strNomDuRaccourci ? *strNomDuRaccourci : nullptr));
        std::wstring target(textOf(strPathCible ? *strPathCible : nullptr));
        std::wstring place(textOf(strPlaceRaccourci ? *strPlaceRaccourci : nullptr));
        if (place.empty()) {
            // Without a start-up folder there is no place to default to.
            std::optional<std::wstring> startUp = specialFolderPath(CSIDL_STARTUP);
            if (!startUp || startUp->empty()) throw RuntimeError(kPathNotFound);
            place = *startUp;
        }
        if (place.back() != L'\\') place += L'\\';
        // The caller's variable holds the folder the shortcut went to, ended by its backslash.
        if (strPlaceRaccourci && textOf(*strPlaceRaccourci) != place) {
            BSTR written = makeString(place);
            SysFreeString(*strPlaceRaccourci);
            *strPlaceRaccourci = written;
        }
        if (holdsNul(name) || holdsNul(target) || holdsNul(place)) throw RuntimeError(kBadFileNameOrNumber);
        // Made at its place directly rather than beside the library and copied: a library on
        // another drive than the current one would otherwise never find its shortcut.
        writeShortcut(target, place + name + L".lnk");
    } catch (const RuntimeError& error) {
        showLibraryMessage(failureMessage(error));
    } catch (const std::bad_alloc&) {
        showLibraryMessage(failureMessage(RuntimeError(kOutOfMemory)));
    }
    return S_OK;
}

HRESULT Cls_Windows::AssistantNouveauMateriel() {
    return openPage(launchers::Page::addHardwareWizard);
}

HRESULT Cls_Windows::AssistantNouvelleImprimante() {
    return openPage(launchers::Page::addPrinterWizard);
}

HRESULT Cls_Windows::AssistantNouvelleConnexion() {
    return openPage(launchers::Page::dialUpWizard);
}

HRESULT Cls_Windows::OuvrirPortionDocument(BSTR *Chemin) {
    return openPage(launchers::Page::documentScrap, Chemin);
}

HRESULT Cls_Windows::CreationPorteDocument() {
    return openPage(launchers::Page::newBriefcase);
}

HRESULT Cls_Windows::GstImprimante() {
    return openPage(launchers::Page::printersFolder);
}

HRESULT Cls_Windows::GstFontes() {
    return openPage(launchers::Page::fontsFolder);
}

HRESULT Cls_Windows::GstHeure() {
    return openPage(launchers::Page::timeApplet);
}

HRESULT Cls_Windows::GstEnergie() {
    return openPage(launchers::Page::powerOptions);
}

HRESULT Cls_Windows::Extinction_Ordinateur(short *Mode) {
    if (!Mode) return E_POINTER;
    return guarded([&] {
        startSystemProgram(*Mode == 1 ? "rundll32.exe user.exe,restartwindows" : "rundll32.exe user.exe,exitwindows");
        return S_OK;
    });
}

HRESULT Cls_Windows::getWindowsVersion(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;  // 148
        std::string_view name;
        if (GetVersionExA(&version) == 1)
            name = versions::windowsVersionName(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
        *pRetVal = makeString(fromAnsi(name));
        return S_OK;
    });
}

HRESULT Cls_Windows::ExecuteFichier(BSTR *FichierDestination, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::wstring_view destination = textOf(FichierDestination ? *FichierDestination : nullptr);
        std::string fileName = toAnsi(fileSystemText(L"GetFileName", destination));
        std::string folder = toAnsi(fileSystemText(L"GetParentFolderName", destination));
        AnsiArgument document(FichierDestination);
        LookupBuffer program;
        INT_PTR code = findExecutable(fileName, folder.c_str(), program);
        const wchar_t* failure = code == SE_ERR_NOASSOC   ? L"no association"
                                 : code == SE_ERR_FNF     ? L"Fichier non trouvé"
                                 : code == SE_ERR_PNF     ? L"Répertoire non trouvé"
                                 : code == ERROR_BAD_FORMAT ? L"Mauvais format"
                                                            : nullptr;
        if (failure) {
            V_BSTR(pRetVal) = makeString(failure);
            V_VT(pRetVal) = VT_BSTR;
            return S_OK;
        }
        // Other small codes are failures the lookup does not name: an empty result.
        if (code < kHighestLookupFailure) return S_OK;
        std::string commandLine;
        if (std::optional<std::string_view> found = program.written()) {
            // Both quoted: a program under "C:\Program Files" is not taken for "C:\Program.exe",
            // and a document whose name has blanks or dashes stays one argument. A name with a
            // quote in it cannot be passed whole.
            const std::optional<std::string> quotedProgram = quotedArgument(*found);
            const std::optional<std::string> quotedDocument = quotedArgument(document.get() ? document.get() : "");
            if (!quotedProgram || !quotedDocument) {
                V_BSTR(pRetVal) = makeString(L"Fichier non trouvé");
                V_VT(pRetVal) = VT_BSTR;
                return S_OK;
            }
            commandLine = *quotedProgram + " " + *quotedDocument;
            startCommandLine(commandLine);
        }
        V_BSTR(pRetVal) = makeString(fromAnsi(commandLine));
        V_VT(pRetVal) = VT_BSTR;
        return S_OK;
    });
}

HRESULT Cls_Windows::LancerActiverApplication(BSTR *strTitreAppli, BSTR *strCheminAppli, short *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    // Every failure on the way, a program that cannot be started included, gives 0.
    try {
        AnsiArgument title(strTitreAppli), program(strCheminAppli);
        // An empty title names no window: the platform's search would take the first untitled
        // one, some hidden window of any program.
        HWND window = title.get() && *title.get() ? FindWindowA(nullptr, title.get()) : nullptr;
        if (!window && program.get() && *program.get()) {
            startCommandLine(program.get(), kNormalWithFocus);
            *pRetVal = 1;
        } else if (window) {
            BringWindowToTop(window);
            SetForegroundWindow(window);
            *pRetVal = 1;
        }
    } catch (...) {
        *pRetVal = 0;
    }
    return S_OK;
}

HRESULT Cls_Windows::GetNomFichier_DuChemin(BSTR *strChemin, VARIANT_BOOL *blnExtention, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::wstring_view path = textOf(strChemin ? *strChemin : nullptr);
        // Positions in the path are 16-bit numbers.
        if (path.size() > paths::kLongestSplitPath) throw RuntimeError(kOverflow);
        std::wstring_view name = paths::afterLastBackslash(path);
        if (blnExtention && *blnExtention) name = paths::extensionOf(name);
        *pRetVal = makeString(name);
        return S_OK;
    });
}

HRESULT Cls_Windows::ParcourirDossier(IDispatch **NomForme, BSTR *strTITRE, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        HWND owner = windowFromHandle(ownerWindowOf(NomForme ? *NomForme : nullptr));
        *pRetVal = makeString(pickFolder(owner, strTITRE));
        return S_OK;
    });
}

HRESULT Cls_Windows::GET_ExtentionFichier(BSTR *strNomFichier, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(paths::extensionOf(textOf(strNomFichier ? *strNomFichier : nullptr)));
        return S_OK;
    });
}

HRESULT Cls_Windows::GET_NomFichier(BSTR *NomComplet, short *Partie, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !Partie) return E_POINTER;
    return guarded([&] {
        paths::SplitPath split = paths::splitPath(textOf(NomComplet ? *NomComplet : nullptr));
        if (split.status == paths::SplitStatus::tooLong) throw RuntimeError(kOverflow);
        if (split.status == paths::SplitStatus::tooManyBackslashes) throw RuntimeError(kSubscriptOutOfRange);
        std::wstring extension = upperCase(split.parts.extension);
        split.parts.extension = extension;
        *pRetVal = makeString(paths::joinParts(split.parts, *Partie));
        return S_OK;
    });
}

HRESULT Cls_Windows::Effacer_FichierDossier(BSTR *strPath, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::wstring path(textOf(strPath ? *strPath : nullptr));
        if (path.empty() || holdsNul(path) || namesAFolderAboveOrARoot(path)) return S_OK;
        if (!askFileSystem(L"FileExists", path) && !askFileSystem(L"FolderExists", path)) return S_OK;
        // The path goes to the shell as written, in UTF-16: in an ANSI copy a character outside
        // the code page would become "?", which the shell reads as a wildcard, deleting every
        // name it matches.
        std::wstring list = path + L'\0' + L'\0';
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = nullptr;
        operation.wFunc = FO_DELETE;
        operation.pFrom = list.c_str();
        operation.pTo = nullptr;
        // Unattended, the shell's confirmation is answered with its default (yes) and its
        // error boxes are left out: nobody is there to click them.
        operation.fFlags = FOF_ALLOWUNDO | (unattended() ? FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT : 0);
        // Refused or cancelled deletions are the user's answer, not the caller's failure.
        SHFileOperationW(&operation);
        return S_OK;
    });
}

HRESULT Cls_Windows::EcritAjoutDansFichier(BSTR *strPathFichier, BSTR *strTxtAEcrire) {
    // Every failure is silent and writes nothing.
    try {
        std::wstring path(textOf(strPathFichier ? *strPathFichier : nullptr));
        if (path.empty() || holdsNul(path)) return S_OK;
        std::string line = toAnsi(textOf(strTxtAEcrire ? *strTxtAEcrire : nullptr)) + "\r\n";
        tolvare::unique_hfile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return S_OK;
        DWORD written = 0;
        // One write, so that a line is never left half-written by a failure; a text beyond what
        // one write takes is not written at all.
        if (line.size() <= MAXDWORD) WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr);
    } catch (...) {
    }
    return S_OK;
}

HRESULT Cls_Windows::GET_DossierSpecial(LONG *CSIDL, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !CSIDL) return E_POINTER;
    return guarded([&] {
        std::optional<std::wstring> folder = specialFolderPath(int(*CSIDL));
        if (!folder) {
            *pRetVal = makeString(L"");
            return S_OK;
        }
        // Callers append names to the folder: a path that the shell already ends with a
        // backslash (a drive root, Wine's Documents) must not get a second one.
        if (folder->empty() || folder->back() != L'\\') *folder += L'\\';
        *pRetVal = makeString(*folder);
        return S_OK;
    });
}

HRESULT Cls_Windows::GET_DossierWindows(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        char folder[kShellPathSize] = {};
        *pRetVal = makeString(folderFromBuffer(folder, kShellPathSize, GetWindowsDirectoryA(folder, kShellPathSize)));
        return S_OK;
    });
}

HRESULT Cls_Windows::GET_DossierSysteme(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        char folder[kShellPathSize] = {};
        *pRetVal = makeString(folderFromBuffer(folder, kShellPathSize, GetSystemDirectoryA(folder, kShellPathSize)));
        return S_OK;
    });
}

HRESULT Cls_Windows::GetActiveWindowTitle(VARIANT_BOOL ReturnParent, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        LONG window = 0;
        HRESULT hr = Get_ActiveWindow(ReturnParent, &window);
        if (FAILED(hr)) return hr;
        *pRetVal = makeString(windowTitle(windowFromHandle(window)));
        return S_OK;
    });
}

HRESULT Cls_Windows::Cacher_BarreDesTaches() {
    // Hidden where it stands, so that showing it again puts it back as it was.
    if (HWND taskbar = taskbarWindow())
        SetWindowPos(taskbar, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT Cls_Windows::Montrer_BarreDesTaches() {
    if (HWND taskbar = taskbarWindow())
        SetWindowPos(taskbar, nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT Cls_Windows::Get_ActiveWindow(VARIANT_BOOL ReturnParent, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    HWND window = GetForegroundWindow();
    if (ReturnParent && window) {
        // Owners count as parents here, as the platform's parent query gives them; a chain that
        // loops back on itself (a broken window tree) ends at the window it started from.
        HWND start = window;
        for (HWND parent; (parent = GetParent(window)) != nullptr && parent != start;) window = parent;
    }
    *pRetVal = handleOfWindow(window);
    return S_OK;
}

HRESULT Cls_Windows::Get_WindowTitle(LONG hwnd, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(windowTitle(windowFromHandle(hwnd)));
        return S_OK;
    });
}

HRESULT Cls_Windows::TrouveExecutable(BSTR *strNomFichier, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        AnsiArgument document(strNomFichier);
        LookupBuffer program;
        // A name without a folder is looked for in the current folder.
        INT_PTR code = findExecutable(document.get() ? document.get() : "", nullptr, program);
        std::optional<std::string_view> found = program.written();
        *pRetVal = makeString(code > kHighestLookupFailure && found ? fromAnsi(*found) : L"");
        return S_OK;
    });
}

HRESULT Cls_Windows::ModeDeveloppement(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        // The file that holds the running code: the library itself, or the development
        // environment's program when the code runs from its source there.
        char name[255] = {};
        DWORD length = GetModuleFileNameA(moduleHandle(), name, sizeof name);
        constexpr DWORD tailLength = sizeof kDevelopmentEnvironment - 1;
        std::string tail(name + (length > tailLength ? length - tailLength : 0), name + length);
        if (!tail.empty()) CharUpperBuffA(tail.data(), DWORD(tail.size()));
        *pRetVal = tail == kDevelopmentEnvironment ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

}  // namespace korvel
