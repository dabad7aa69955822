#include "library/initreg/cls_initreg.h"

#include <cstring>
#include <string>

#include "library/frame/ansi_text.h"

namespace korvel {

namespace {

// The working buffer of the read and directory members: a fixed-length text of 255
// characters whose size the platform is told.
constexpr DWORD kBufferSize = 255;

// The source that IniLire's own error carries: the application title, then the routine.
constexpr wchar_t kIniLireSource[] = L"TOLVARE.clsInit!IniLire";
// 65000 above the object-error base.
constexpr long kIniLireError = long(0x8004FDE8);

// The profile service of some platforms overruns its stack on file names of tens of thousands
// of characters. A name longer than any path the platform accepts is replaced by one it
// refuses safely (too long for a path, made of characters no file name may hold), so the
// caller gets the platform's answer for a file that cannot be opened: 0 for a write, the
// default for a read.
constexpr size_t kLongestPath = 32767;

const char* openableName(const AnsiArgument& file) {
    static const std::string refused(MAX_PATH + 1, '?');
    const char* name = file.get();
    return name && std::strlen(name) > kLongestPath ? refused.c_str() : name;
}

}  // namespace

HRESULT Cls_InitREG::folderOf(UINT(WINAPI* platformFolder)(LPSTR, UINT), BSTR* result) {
    clearResult(result);
    if (!result) return E_POINTER;
    return guarded([&] {
        char buffer[kBufferSize] = {};
        UINT count = platformFolder(buffer, kBufferSize);
        *result = leftOfBuffer(buffer, kBufferSize, long(count));
        return S_OK;
    });
}

HRESULT Cls_InitREG::IniEcrire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineAEcrire, BSTR *strFich,
                               LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        AnsiArgument file(strFich), value(strChaineAEcrire), key(strRubrique), section(strSection);
        *pRetVal = WritePrivateProfileStringA(section.get(), key.get(), value.get(), openableName(file));
        return S_OK;
    });
}

HRESULT Cls_InitREG::IniLire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineDef, BSTR *strFich,
                             BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    // Whatever fails in here is reported as IniLire's own error, not as the failure itself.
    HRESULT hr = guarded([&] {
        char buffer[kBufferSize] = {};
        DWORD count;
        {
            AnsiArgument file(strFich), defaultText(strChaineDef), key(strRubrique), section(strSection);
            count = GetPrivateProfileStringA(section.get(), key.get(), defaultText.get(), buffer, kBufferSize,
                                             openableName(file));
        }
        *pRetVal = leftOfBuffer(buffer, kBufferSize, long(count));
        return S_OK;
    });
    if (FAILED(hr)) return reportFailure(HRESULT(kIniLireError), IID__Cls_InitREG, kIniLireSource, L"");
    return hr;
}

HRESULT Cls_InitREG::RetourneCheminSystem(BSTR *pRetVal) {
    return folderOf(GetSystemDirectoryA, pRetVal);
}

HRESULT Cls_InitREG::RetourneCheminWindows(BSTR *pRetVal) {
    return folderOf(GetWindowsDirectoryA, pRetVal);
}

HRESULT Cls_InitREG::WinIniEcrire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaine, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        AnsiArgument value(strChaine), key(strRubrique), section(strSection);
        *pRetVal = WriteProfileStringA(section.get(), key.get(), value.get());
        return S_OK;
    });
}

HRESULT Cls_InitREG::WinIniLire(BSTR *strSection, BSTR *strRubrique, BSTR *strChaineDef, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        char buffer[kBufferSize] = {};
        DWORD count;
        {
            AnsiArgument defaultText(strChaineDef), key(strRubrique), section(strSection);
            count = GetProfileStringA(section.get(), key.get(), defaultText.get(), buffer, kBufferSize);
        }
        *pRetVal = leftOfBuffer(buffer, kBufferSize, long(count));
        return S_OK;
    });
}

HRESULT Cls_InitREG::EcrireREG_DWORD(BSTR *cle_principale, BSTR *entree, LONG *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EcrireREG_DWORD");
}

HRESULT Cls_InitREG::LireREG_DWORD(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireREG_DWORD");
}

HRESULT Cls_InitREG::EcrireREG_BINARY(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EcrireREG_BINARY");
}

HRESULT Cls_InitREG::LireREG_BINARY(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireREG_BINARY");
}

HRESULT Cls_InitREG::EffaceREG_CLE(BSTR *nom_cle, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EffaceREG_CLE");
}

HRESULT Cls_InitREG::LireREG_ClePrincipale(BSTR *nom_cle_principale, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireREG_ClePrincipale");
}

HRESULT Cls_InitREG::ErrorMsg(LONG *lErrorCode, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ErrorMsg");
}

HRESULT Cls_InitREG::LireREG_STRING(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireREG_STRING");
}

HRESULT Cls_InitREG::CreerREG_Cle(BSTR *cle_principale, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"CreerREG_Cle");
}

HRESULT Cls_InitREG::EcrireREG_STRING(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EcrireREG_STRING");
}

HRESULT Cls_InitREG::EcritureREG_Software_RepInstall(BSTR *NomDuSoft, BSTR *AppPath, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EcritureREG_Software_RepInstall");
}

HRESULT Cls_InitREG::FichierExiste(BSTR *strCheminFichier, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"FichierExiste");
}

HRESULT Cls_InitREG::DossierExiste(BSTR *strCheminDossier, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"DossierExiste");
}

HRESULT Cls_InitREG::GET_NomLong(BSTR sShortFileName, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GET_NomLong");
}

HRESULT Cls_InitREG::GET_NomCourt(BSTR sLongFileName, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GET_NomCourt");
}

HRESULT Cls_InitREG::RenommerFichier(BSTR *strPathFichierSRC, BSTR *strPathFichierDEST, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"RenommerFichier");
}

}  // namespace korvel
