#include "library/windows/cls_windows.h"

namespace korvel {

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
    return notImplemented(L"GET_NomFichier");
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
    return notImplemented(L"GET_DossierSpecial");
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
