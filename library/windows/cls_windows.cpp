#include "library/windows/cls_windows.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/module.h"
#include "library/windows/command_line.h"
#include "library/windows/core/path_parts.h"
#include "library/windows/core/wait_due_time.h"

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

// The scripting file-system object, called by name, for the two text operations that split a
// path as scripts split it.
class FileSystemObject {
public:
    FileSystemObject() {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"Scripting.FileSystemObject", &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object_.put_void());
        if (FAILED(hr) || !object_) throw RuntimeError(kCannotCreateObject);
    }
    std::wstring fileName(std::wstring_view path) { return call(L"GetFileName", path); }
    std::wstring parentFolderName(std::wstring_view path) { return call(L"GetParentFolderName", path); }

private:
    std::wstring call(const wchar_t* method, std::wstring_view path) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(method);
        HRESULT hr = object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) throw RuntimeError(hr);
        tolvare::unique_variant argument;
        V_VT(argument.get()) = VT_BSTR;
        V_BSTR(argument.get()) = makeString(path);
        DISPPARAMS parameters{argument.get(), nullptr, 1, 0};
        tolvare::unique_variant result;
        EXCEPINFO exception{};
        hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.put(),
                             &exception, nullptr);
        tolvare::unique_bstr source(exception.bstrSource), description(exception.bstrDescription),
            helpFile(exception.bstrHelpFile);
        if (hr == DISP_E_EXCEPTION) {
            HRESULT raised = exception.scode ? exception.scode : HRESULT(0x800A0000UL + exception.wCode);
            throw RuntimeError(raised, std::wstring(textOf(source.get())), std::wstring(textOf(description.get())));
        }
        if (FAILED(hr)) throw RuntimeError(hr);
        if (V_VT(result.get()) != VT_BSTR) {
            hr = VariantChangeType(result.get(), result.get(), 0, VT_BSTR);
            if (FAILED(hr)) throw RuntimeError(kTypeMismatch);
        }
        return std::wstring(textOf(V_BSTR(result.get())));
    }

    tolvare::com_ptr<IDispatch> object_;
};

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

}  // namespace

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
    return notImplemented(L"GstAffichage");
}

HRESULT Cls_Windows::GstDivers(short *NumeroOnglet) {
    return notImplemented(L"GstDivers");
}

HRESULT Cls_Windows::GstProg(short *NumeroOnglet) {
    return notImplemented(L"GstProg");
}

HRESULT Cls_Windows::GstParamRegion(short *NumeroOnglet) {
    return notImplemented(L"GstParamRegion");
}

HRESULT Cls_Windows::GstJoystick(short *NumeroOnglet) {
    return notImplemented(L"GstJoystick");
}

HRESULT Cls_Windows::GstPrincipal(short *NumeroOnglet) {
    return notImplemented(L"GstPrincipal");
}

HRESULT Cls_Windows::GstMailFax() {
    return notImplemented(L"GstMailFax");
}

HRESULT Cls_Windows::GstMultimedia(short *NumeroOnglet) {
    return notImplemented(L"GstMultimedia");
}

HRESULT Cls_Windows::GstSysteme(short *NumeroOnglet) {
    return notImplemented(L"GstSysteme");
}

HRESULT Cls_Windows::GstInternetExplorer(short *NumeroOnglet) {
    return notImplemented(L"GstInternetExplorer");
}

HRESULT Cls_Windows::GstAssistantNouveauMateriel() {
    return notImplemented(L"GstAssistantNouveauMateriel");
}

HRESULT Cls_Windows::GstModem() {
    return notImplemented(L"GstModem");
}

HRESULT Cls_Windows::GstReseau() {
    return notImplemented(L"GstReseau");
}

HRESULT Cls_Windows::GstPassword() {
    return notImplemented(L"GstPassword");
}

HRESULT Cls_Windows::GstDate() {
    return notImplemented(L"GstDate");
}

HRESULT Cls_Windows::GstMSMail() {
    return notImplemented(L"GstMSMail");
}

HRESULT Cls_Windows::GstFichierAssociation(BSTR *NomFichier) {
    return notImplemented(L"GstFichierAssociation");
}

HRESULT Cls_Windows::CopieD7() {
    return notImplemented(L"CopieD7");
}

HRESULT Cls_Windows::CreationRaccourci_Fenetre(BSTR *Chemin) {
    return notImplemented(L"CreationRaccourci_Fenetre");
}

HRESULT Cls_Windows::CreationRaccourci(BSTR *strNomDuRaccourci, BSTR *strPathCible, BSTR *strArgument, BSTR *strPlaceRaccourci) {
    return notImplemented(L"CreationRaccourci");
}

HRESULT Cls_Windows::AssistantNouveauMateriel() {
    return notImplemented(L"AssistantNouveauMateriel");
}

HRESULT Cls_Windows::AssistantNouvelleImprimante() {
    return notImplemented(L"AssistantNouvelleImprimante");
}

HRESULT Cls_Windows::AssistantNouvelleConnexion() {
    return notImplemented(L"AssistantNouvelleConnexion");
}

HRESULT Cls_Windows::OuvrirPortionDocument(BSTR *Chemin) {
    return notImplemented(L"OuvrirPortionDocument");
}

HRESULT Cls_Windows::CreationPorteDocument() {
    return notImplemented(L"CreationPorteDocument");
}

HRESULT Cls_Windows::GstImprimante() {
    return notImplemented(L"GstImprimante");
}

HRESULT Cls_Windows::GstFontes() {
    return notImplemented(L"GstFontes");
}

HRESULT Cls_Windows::GstHeure() {
    return notImplemented(L"GstHeure");
}

HRESULT Cls_Windows::GstEnergie() {
    return notImplemented(L"GstEnergie");
}

HRESULT Cls_Windows::Extinction_Ordinateur(short *Mode) {
    if (!Mode) return E_POINTER;
    return guarded([&] {
        startCommandLine(*Mode == 1 ? "rundll32.exe user.exe,restartwindows" : "rundll32.exe user.exe,exitwindows");
        return S_OK;
    });
}

HRESULT Cls_Windows::getWindowsVersion(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"getWindowsVersion");
}

HRESULT Cls_Windows::ExecuteFichier(BSTR *FichierDestination, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::wstring_view destination = textOf(FichierDestination ? *FichierDestination : nullptr);
        FileSystemObject files;
        std::string fileName = toAnsi(files.fileName(destination));
        std::string folder = toAnsi(files.parentFolderName(destination));
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
            // The document as the caller wrote it, unquoted: the program reads the rest of its
            // command line as the document's path, blanks included.
            commandLine = std::string(*found) + " " + (document.get() ? document.get() : "");
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
    return notImplemented(L"GetNomFichier_DuChemin");
}

HRESULT Cls_Windows::ParcourirDossier(IDispatch **NomForme, BSTR *strTITRE, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ParcourirDossier");
}

HRESULT Cls_Windows::GET_ExtentionFichier(BSTR *strNomFichier, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GET_ExtentionFichier");
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
    return notImplemented(L"Effacer_FichierDossier");
}

HRESULT Cls_Windows::EcritAjoutDansFichier(BSTR *strPathFichier, BSTR *strTxtAEcrire) {
    return notImplemented(L"EcritAjoutDansFichier");
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
    return notImplemented(L"GET_DossierWindows");
}

HRESULT Cls_Windows::GET_DossierSysteme(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GET_DossierSysteme");
}

HRESULT Cls_Windows::GetActiveWindowTitle(VARIANT_BOOL ReturnParent, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetActiveWindowTitle");
}

HRESULT Cls_Windows::Cacher_BarreDesTaches() {
    return notImplemented(L"Cacher_BarreDesTaches");
}

HRESULT Cls_Windows::Montrer_BarreDesTaches() {
    return notImplemented(L"Montrer_BarreDesTaches");
}

HRESULT Cls_Windows::Get_ActiveWindow(VARIANT_BOOL ReturnParent, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Get_ActiveWindow");
}

HRESULT Cls_Windows::Get_WindowTitle(LONG hwnd, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Get_WindowTitle");
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
