#include "library/windows/cls_windows.h"

#include <shlobj.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/windows/core/path_parts.h"

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

// Upper case by the platform's rules, so that accented extensions (.été) are upper-cased too.
std::wstring upperCase(std::wstring_view text) {
    std::wstring upper(text);
    if (!upper.empty()) CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return upper;
}

}  // namespace

HRESULT Cls_Windows::Wait(LONG *lNumberOfSeconds) {
    return notImplemented(L"Wait");
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
    return notImplemented(L"Extinction_Ordinateur");
}

HRESULT Cls_Windows::getWindowsVersion(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"getWindowsVersion");
}

HRESULT Cls_Windows::ExecuteFichier(BSTR *FichierDestination, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ExecuteFichier");
}

HRESULT Cls_Windows::LancerActiverApplication(BSTR *strTitreAppli, BSTR *strCheminAppli, short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LancerActiverApplication");
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
    return notImplemented(L"TrouveExecutable");
}

HRESULT Cls_Windows::ModeDeveloppement(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ModeDeveloppement");
}

}  // namespace korvel
