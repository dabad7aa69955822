#include "library/windows/cls_windows.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/win32/message_wait.h"
#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/late_bound.h"
#include "library/frame/module.h"
#include "library/frame/command_line.h"
#include "library/frame/core/command_lines.h"
#include "library/windows/core/path_parts.h"
#include "library/windows/core/wait_due_time.h"
#include "library/windows/core/windows_version.h"
#include "library/windows/file_operations.h"
#include "library/windows/program_lookup.h"
#include "library/windows/shell_folders.h"
#include "library/windows/window_handles.h"

namespace korvel {

namespace {

using shell::failureMessage;
using shell::findExecutable;
using shell::folderFromBuffer;
using shell::handleOfWindow;
using shell::holdsNul;
using shell::kHighestLookupFailure;
using shell::kShellPathSize;
using shell::LookupBuffer;
using shell::makeCurrentFolderOfItsDrive;
using shell::namesAFolderAboveOrARoot;
using shell::ownerWindowOf;
using shell::pickFolder;
using shell::specialFolderPath;
using shell::taskbarWindow;
using shell::windowFromHandle;
using shell::windowTitle;
using shell::writeShortcut;

// The name that every waiter of the session shares: the library's own file name without its
// extension, followed by "Timer" ("KORVELTimer").
std::wstring waitTimerName() {
    std::wstring name = modulePath();
    name.erase(0, name.find_last_of(L"\\/") + 1);  // npos + 1 is 0: no folder to remove
    if (size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
    if (name.empty()) name = L"KORVEL";
    return name + L"Timer";
}

// The executable name of the development environment, seven characters.
constexpr char kDevelopmentEnvironment[] = "VB6.EXE";

// Upper case by the platform's rules, so that accented extensions (.été) are upper-cased too.
std::wstring upperCase(std::wstring_view text) {
    std::wstring upper(text);
    if (!upper.empty()) CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return upper;
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
        // Ended by the timer, a quit request or a failed wait alike: the caller goes on.
        tolvare::waitDispatchingMessages(timer.get(), INFINITE);
        return S_OK;
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
