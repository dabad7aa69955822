// Cls_Windows: waiting, launching, control-panel pages, windows, taskbar, shortcuts, special folders and path names.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"
#include "library/windows/core/launchers.h"

namespace korvel {

class Cls_Windows final : public DispatchObject<Cls_Windows, _Cls_Windows> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Windows";

    // Returns after the given seconds (zero or fewer: after one round of messages), dispatching
    // the calling thread's messages meanwhile. The timer "KORVELTimer" is shared by every waiter
    // of the session: a wait set later ends the earlier ones with it. Returns at once when the
    // timer cannot be made, set or waited on, and when a quit request arrives (posted again for
    // the caller's own loop).
    IFACEMETHODIMP Wait(LONG *lNumberOfSeconds) override;
    IFACEMETHODIMP GstAffichage(short *NumeroOnglet) override;
    IFACEMETHODIMP GstDivers(short *NumeroOnglet) override;
    IFACEMETHODIMP GstProg(short *NumeroOnglet) override;
    IFACEMETHODIMP GstParamRegion(short *NumeroOnglet) override;
    IFACEMETHODIMP GstJoystick(short *NumeroOnglet) override;
    IFACEMETHODIMP GstPrincipal(short *NumeroOnglet) override;
    IFACEMETHODIMP GstMailFax() override;
    IFACEMETHODIMP GstMultimedia(short *NumeroOnglet) override;
    IFACEMETHODIMP GstSysteme(short *NumeroOnglet) override;
    IFACEMETHODIMP GstInternetExplorer(short *NumeroOnglet) override;
    IFACEMETHODIMP GstAssistantNouveauMateriel() override;
    IFACEMETHODIMP GstModem() override;
    IFACEMETHODIMP GstReseau() override;
    IFACEMETHODIMP GstPassword() override;
    IFACEMETHODIMP GstDate() override;
    IFACEMETHODIMP GstMSMail() override;
    IFACEMETHODIMP GstFichierAssociation(BSTR *NomFichier) override;
    IFACEMETHODIMP CopieD7() override;
    IFACEMETHODIMP CreationRaccourci_Fenetre(BSTR *Chemin) override;
    // A shortcut strNomDuRaccourci.lnk to strPathCible in the folder strPlaceRaccourci (the
    // user's start-up folder when empty), which receives its final backslash; the library's
    // folder becomes the current folder of its drive. Failures show their number and
    // description in a message box and reach the caller as success.
    IFACEMETHODIMP CreationRaccourci(BSTR *strNomDuRaccourci, BSTR *strPathCible, BSTR *strArgument, BSTR *strPlaceRaccourci) override;
    IFACEMETHODIMP AssistantNouveauMateriel() override;
    IFACEMETHODIMP AssistantNouvelleImprimante() override;
    IFACEMETHODIMP AssistantNouvelleConnexion() override;
    IFACEMETHODIMP OuvrirPortionDocument(BSTR *Chemin) override;
    IFACEMETHODIMP CreationPorteDocument() override;
    IFACEMETHODIMP GstImprimante() override;
    IFACEMETHODIMP GstFontes() override;
    IFACEMETHODIMP GstHeure() override;
    IFACEMETHODIMP GstEnergie() override;
    // Starts "rundll32.exe user.exe,restartwindows" for 1, "...,exitwindows" otherwise,
    // minimised; run-time error 53 when it cannot be started.
    IFACEMETHODIMP Extinction_Ordinateur(short *Mode) override;
    // "95", "98", "ME", "32s", "NT3"..."NT 4", "Win2000", "WinXP"; empty for later versions.
    IFACEMETHODIMP getWindowsVersion(BSTR *pRetVal) override;
    // Starts the program associated with the document, the document's path unquoted after one
    // blank, minimised, and gives that command line; the lookup failures as texts ("no
    // association", "Fichier non trouvé", "Répertoire non trouvé", "Mauvais format"), other
    // ones as an empty variant; run-time error 53 when the program cannot be started.
    IFACEMETHODIMP ExecuteFichier(BSTR *FichierDestination, VARIANT *pRetVal) override;
    // Brings forward the top-level window with that whole title, or else starts the command
    // line strCheminAppli shown normally: 1; 0 when there is neither or anything fails. An
    // empty title names no window.
    IFACEMETHODIMP LancerActiverApplication(BSTR *strTitreAppli, BSTR *strCheminAppli, short *pRetVal) override;
    // The text after the last backslash of strChemin (empty without one); with blnExtention
    // true, only that name's extension (without its dot). Over 32,767 characters: error 6.
    IFACEMETHODIMP GetNomFichier_DuChemin(BSTR *strChemin, VARIANT_BOOL *blnExtention, BSTR *pRetVal) override;
    // The folder the user picks in the shell's folder picker, owned by the window that
    // NomForme's "hwnd" property names; the empty text when cancelled. An owner that is no
    // window shows nothing and gives the empty text.
    IFACEMETHODIMP ParcourirDossier(IDispatch **NomForme, BSTR *strTITRE, BSTR *pRetVal) override;
    // The extension of the file name: the text after its last dot, without the dot, as
    // written; empty when the name has no dot.
    IFACEMETHODIMP GET_ExtentionFichier(BSTR *strNomFichier, BSTR *pRetVal) override;
    // The parts of NomComplet selected by the bits of Partie (1 drive, 2 folder, 4 name,
    // 8 extension in upper case), joined in that order; text rules only, the disk is not looked
    // at. More than 20 backslashes: run-time error 9; more than 32,767 characters: error 6.
    IFACEMETHODIMP GET_NomFichier(BSTR *NomComplet, short *Partie, BSTR *pRetVal) override;
    // Sends an existing file or folder to the recycle bin (the shell asks the user to
    // confirm); anything else is left alone. Always an empty variant.
    IFACEMETHODIMP Effacer_FichierDossier(BSTR *strPath, VARIANT *pRetVal) override;
    // Appends the text and a line end (CR LF) to the file, made when missing, in the ANSI code
    // page; every failure is silent and writes nothing.
    IFACEMETHODIMP EcritAjoutDansFichier(BSTR *strPathFichier, BSTR *strTxtAEcrire) override;
    // The path of the special folder CSIDL, ending with one backslash; the empty text for an
    // unknown identifier or a virtual folder that has no place on disk.
    IFACEMETHODIMP GET_DossierSpecial(LONG *CSIDL, BSTR *pRetVal) override;
    IFACEMETHODIMP GET_DossierWindows(BSTR *pRetVal) override;
    IFACEMETHODIMP GET_DossierSysteme(BSTR *pRetVal) override;
    // The foreground window (its top-level ancestor when ReturnParent is true), its title,
    // and the title of any window; 0 and the empty text when there is none.
    IFACEMETHODIMP GetActiveWindowTitle(VARIANT_BOOL ReturnParent, BSTR *pRetVal) override;
    // Hide and show the taskbar window, where the shell has one; nothing otherwise.
    IFACEMETHODIMP Cacher_BarreDesTaches() override;
    IFACEMETHODIMP Montrer_BarreDesTaches() override;
    IFACEMETHODIMP Get_ActiveWindow(VARIANT_BOOL ReturnParent, LONG *pRetVal) override;
    IFACEMETHODIMP Get_WindowTitle(LONG hwnd, BSTR *pRetVal) override;
    // The program associated with the document (a name alone is looked for in the current
    // folder); the empty text when there is none.
    IFACEMETHODIMP TrouveExecutable(BSTR *strNomFichier, BSTR *pRetVal) override;
    // Whether the running code is held by the development environment's program (VB6.EXE):
    // never for this library.
    IFACEMETHODIMP ModeDeveloppement(VARIANT_BOOL *pRetVal) override;

private:
    // Starts the page's command line minimised, without waiting; run-time error 53 when the
    // command runner cannot be started.
    HRESULT openPage(launchers::Page page);
    HRESULT openPage(launchers::Page page, short *tab);
    HRESULT openPage(launchers::Page page, BSTR *text);
};

}  // namespace korvel
