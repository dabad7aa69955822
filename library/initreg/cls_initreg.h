// Cls_InitREG: INI files, registry, Windows paths, files and folders.
#pragma once

#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_InitREG final : public DispatchObject<Cls_InitREG, _Cls_InitREG> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_InitREG";

    IFACEMETHODIMP IniEcrire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineAEcrire, BSTR *strFich, LONG *pRetVal) override;
    IFACEMETHODIMP IniLire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineDef, BSTR *strFich, BSTR *pRetVal) override;
    IFACEMETHODIMP RetourneCheminSystem(BSTR *pRetVal) override;
    IFACEMETHODIMP RetourneCheminWindows(BSTR *pRetVal) override;
    IFACEMETHODIMP WinIniEcrire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaine, LONG *pRetVal) override;
    IFACEMETHODIMP WinIniLire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineDef, BSTR *pRetVal) override;
    IFACEMETHODIMP EcrireREG_DWORD(BSTR *cle_principale, BSTR *entree, LONG *valeur, VARIANT *pRetVal) override;
    IFACEMETHODIMP LireREG_DWORD(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) override;
    IFACEMETHODIMP EcrireREG_BINARY(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) override;
    IFACEMETHODIMP LireREG_BINARY(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) override;
    IFACEMETHODIMP EffaceREG_CLE(BSTR *nom_cle, VARIANT *pRetVal) override;
    IFACEMETHODIMP LireREG_ClePrincipale(BSTR *nom_cle_principale, LONG *pRetVal) override;
    IFACEMETHODIMP ErrorMsg(LONG *lErrorCode, BSTR *pRetVal) override;
    IFACEMETHODIMP LireREG_STRING(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) override;
    IFACEMETHODIMP CreerREG_Cle(BSTR *cle_principale, VARIANT *pRetVal) override;
    IFACEMETHODIMP EcrireREG_STRING(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) override;
    IFACEMETHODIMP EcritureREG_Software_RepInstall(BSTR *NomDuSoft, BSTR *AppPath, BSTR *pRetVal) override;
    IFACEMETHODIMP FichierExiste(BSTR *strCheminFichier, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP DossierExiste(BSTR *strCheminDossier, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP GET_NomLong(BSTR sShortFileName, BSTR *pRetVal) override;
    IFACEMETHODIMP GET_NomCourt(BSTR sLongFileName, BSTR *pRetVal) override;
    IFACEMETHODIMP RenommerFichier(BSTR *strPathFichierSRC, BSTR *strPathFichierDEST, VARIANT_BOOL *pRetVal) override;

private:
    // The registry working fields: every member sets those it uses before using them, and none
    // is shown to the caller.
    struct RegistryFields {
        tolvare::unique_hkey openedKey;
        HKEY rootKey = nullptr;
        LONG lastResult = ERROR_SUCCESS;
        DWORD number = 0;         // the 32-bit read and write buffer
        std::string text;         // the text buffer; its length is its size
        std::vector<BYTE> bytes;  // the binary buffer
    };

    // The key-path parser: the root of *path, with the caller's variable rewritten to the
    // subkey path; null (and nothing rewritten) for an ill-formed path, after the
    // "Incorrect Format:" message, or for an unknown root.
    HKEY rootOfPath(BSTR* path);
    // Opens the subkey *path (already rewritten) under the root into registry_.openedKey.
    bool openKey(BSTR* subkey, REGSAM rights);

    RegistryFields registry_;

    // A folder of the platform (Windows or system) through the 255-character buffer.
    static HRESULT folderOf(UINT(WINAPI* platformFolder)(LPSTR, UINT), BSTR* result);
    // A path name converted by the platform (long or short form) through the same buffer.
    static HRESULT pathNameOf(DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD), BSTR path, BSTR* result);
};

}  // namespace korvel
