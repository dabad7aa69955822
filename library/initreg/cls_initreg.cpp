#include "library/initreg/cls_initreg.h"

#include <cstring>
#include <string>
#include <vector>

#include "library/frame/ansi_text.h"
#include "library/frame/module.h"
#include "library/initreg/core/registry_rules.h"
#include "library/frame/late_bound.h"

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
    // A name the code page holds only as a look-alike is another file's: refused as well.
    return name && (std::strlen(name) > kLongestPath || !file.exact()) ? refused.c_str() : name;
}

// Rights of the registry members: reading, and writing or deleting.
constexpr REGSAM kReadRights = 0x20019;
constexpr REGSAM kWriteRights = 0x20006;

// The read members' answer when the key or the value cannot be read.
constexpr wchar_t kReadFailed[] = L"Error";

void setText(VARIANT* result, std::wstring_view text) {
    V_BSTR(result) = makeString(text);
    V_VT(result) = VT_BSTR;
}

// The ANSI text of a name for the platform; false when it holds a NUL character, where the
// platform would stop reading and name another key or value than the caller's.
bool platformName(std::wstring_view name, std::string& ansi) {
    if (name.find(L'\0') != std::wstring_view::npos) return false;
    ansi = toAnsi(name);
    return true;
}

// The bytes of a text of bytes: one byte per character, its code in the ANSI code page. A
// character that the code page writes with more than one byte does not fit: overflow.
std::vector<BYTE> bytesOfText(std::wstring_view text) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        char converted[8];
        int count = WideCharToMultiByte(CP_ACP, 0, &c, 1, converted, sizeof converted, nullptr, nullptr);
        if (count != 1) throw RuntimeError(kOverflow);
        bytes.push_back(BYTE(converted[0]));
    }
    return bytes;
}

HKEY predefinedKey(std::uint32_t handle) {
    // The handles are negative 32-bit values, widened with their sign as the headers do.
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
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

HKEY Cls_InitREG::rootOfPath(BSTR* path) {
    registry_.rootKey = nullptr;
    std::wstring given(textOf(path ? *path : nullptr));
    registry::KeyPath parsed = registry::parseKeyPath(given);
    if (!parsed.wellFormed) {
        showLibraryMessage(registry::incorrectFormatMessage(given));
        return nullptr;
    }
    if (path) {
        BSTR rewritten = makeString(fromAnsi(toAnsi(parsed.subkey)));
        SysFreeString(*path);
        *path = rewritten;
    }
    if (parsed.root == 0) return nullptr;
    registry_.rootKey = predefinedKey(parsed.root);
    return registry_.rootKey;
}

bool Cls_InitREG::openKey(BSTR* subkey, REGSAM rights) {
    registry_.openedKey.reset();
    std::string name;
    if (!platformName(textOf(*subkey), name)) {
        registry_.lastResult = ERROR_BADKEY;
        return false;
    }
    registry_.lastResult = RegOpenKeyExA(registry_.rootKey, name.c_str(), 0, rights, registry_.openedKey.put());
    return registry_.lastResult == ERROR_SUCCESS;
}

HRESULT Cls_InitREG::EcrireREG_DWORD(BSTR *cle_principale, BSTR *entree, LONG *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree || !valeur) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale) || !openKey(cle_principale, kWriteRights)) return S_OK;
        std::string value;
        registry_.number = DWORD(*valeur);
        if (platformName(textOf(*entree), value)) {
            registry_.lastResult = RegSetValueExA(registry_.openedKey.get(), value.c_str(), 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&registry_.number),
                                                  sizeof registry_.number);
        }
        registry_.openedKey.reset();
        return S_OK;
    });
}

HRESULT Cls_InitREG::LireREG_DWORD(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale)) return S_OK;
        if (!openKey(cle_principale, kReadRights)) {
            setText(pRetVal, kReadFailed);
            return S_OK;
        }
        std::string value;
        registry_.number = 0;
        DWORD size = sizeof registry_.number;
        registry_.lastResult = platformName(textOf(*entree), value)
                                   ? RegQueryValueExA(registry_.openedKey.get(), value.c_str(), nullptr, nullptr,
                                                      reinterpret_cast<BYTE*>(&registry_.number), &size)
                                   : ERROR_INVALID_PARAMETER;
        registry_.openedKey.reset();
        if (registry_.lastResult != ERROR_SUCCESS) {
            setText(pRetVal, kReadFailed);
        } else {
            V_VT(pRetVal) = VT_I4;
            V_I4(pRetVal) = LONG(registry_.number);
        }
        return S_OK;
    });
}

HRESULT Cls_InitREG::EcrireREG_BINARY(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree || !valeur) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale) || !openKey(cle_principale, kWriteRights)) return S_OK;
        // An empty text is an empty value: nothing in it can be out of range.
        registry_.bytes = bytesOfText(textOf(*valeur));
        std::string value;
        if (platformName(textOf(*entree), value)) {
            registry_.lastResult = RegSetValueExA(registry_.openedKey.get(), value.c_str(), 0, REG_BINARY,
                                                  registry_.bytes.data(), DWORD(registry_.bytes.size()));
        }
        registry_.openedKey.reset();
        return S_OK;
    });
}

HRESULT Cls_InitREG::LireREG_BINARY(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale)) return S_OK;
        std::string value;
        if (!openKey(cle_principale, kReadRights) || !platformName(textOf(*entree), value)) {
            registry_.openedKey.reset();
            setText(pRetVal, kReadFailed);
            return S_OK;
        }
        // The first query only learns the size; a missing value leaves it at one byte, and the
        // second query reports the failure.
        BYTE probe = 0;
        DWORD size = 1;
        RegQueryValueExA(registry_.openedKey.get(), value.c_str(), nullptr, nullptr, &probe, &size);
        registry_.text.assign(size, ' ');
        registry_.lastResult = RegQueryValueExA(registry_.openedKey.get(), value.c_str(), nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(registry_.text.data()), &size);
        registry_.openedKey.reset();
        if (registry_.lastResult != ERROR_SUCCESS) {
            setText(pRetVal, kReadFailed);
        } else {
            setText(pRetVal, fromAnsi(registry_.text));
        }
        return S_OK;
    });
}

HRESULT Cls_InitREG::EffaceREG_CLE(BSTR *nom_cle, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !nom_cle) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(nom_cle)) return S_OK;
        // A root key is never deleted, whatever the platform would allow.
        if (!registry::deletableSubkey(textOf(*nom_cle))) {
            registry_.lastResult = ERROR_BADKEY;
            return S_OK;
        }
        if (!openKey(nom_cle, kWriteRights)) return S_OK;
        registry_.lastResult = RegDeleteKeyA(registry_.rootKey, toAnsi(textOf(*nom_cle)).c_str());
        registry_.openedKey.reset();
        return S_OK;
    });
}

HRESULT Cls_InitREG::LireREG_ClePrincipale(BSTR *nom_cle_principale, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !nom_cle_principale) return E_POINTER;
    *pRetVal = LONG(registry::rootKeyOf(textOf(*nom_cle_principale)));
    return S_OK;
}

HRESULT Cls_InitREG::ErrorMsg(LONG *lErrorCode, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !lErrorCode) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(registry::errorMessage(*lErrorCode));
        return S_OK;
    });
}

HRESULT Cls_InitREG::LireREG_STRING(BSTR *cle_principale, BSTR *entree, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale)) return S_OK;
        std::string value;
        if (!openKey(cle_principale, kReadRights) || !platformName(textOf(*entree), value)) {
            registry_.openedKey.reset();
            setText(pRetVal, kReadFailed);
            return S_OK;
        }
        registry_.text.assign(kBufferSize, ' ');
        DWORD size = kBufferSize;
        registry_.lastResult = RegQueryValueExA(registry_.openedKey.get(), value.c_str(), nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(registry_.text.data()), &size);
        registry_.openedKey.reset();
        if (registry_.lastResult != ERROR_SUCCESS) {
            setText(pRetVal, kReadFailed);
        } else {
            setText(pRetVal, registry::textOfStringBuffer(fromAnsi(registry_.text)));
        }
        return S_OK;
    });
}

HRESULT Cls_InitREG::CreerREG_Cle(BSTR *cle_principale, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale)) return S_OK;
        std::string name;
        if (!platformName(textOf(*cle_principale), name)) {
            registry_.lastResult = ERROR_BADKEY;
            return S_OK;
        }
        registry_.lastResult = RegCreateKeyExA(registry_.rootKey, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               kWriteRights, nullptr, registry_.openedKey.put(), nullptr);
        registry_.openedKey.reset();
        return S_OK;
    });
}

HRESULT Cls_InitREG::EcrireREG_STRING(BSTR *cle_principale, BSTR *entree, BSTR *valeur, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !cle_principale || !entree || !valeur) return E_POINTER;
    return guarded([&] {
        if (!rootOfPath(cle_principale) || !openKey(cle_principale, kWriteRights)) return S_OK;
        std::string value;
        if (platformName(textOf(*entree), value)) {
            // The ANSI bytes and their terminating NUL, NUL characters of the text included.
            registry_.text = toAnsi(textOf(*valeur));
            registry_.lastResult = RegSetValueExA(registry_.openedKey.get(), value.c_str(), 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(registry_.text.c_str()),
                                                  DWORD(registry_.text.size() + 1));
        }
        registry_.openedKey.reset();
        return S_OK;
    });
}

HRESULT Cls_InitREG::EcritureREG_Software_RepInstall(BSTR *NomDuSoft, BSTR *AppPath, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !NomDuSoft || !AppPath) return E_POINTER;
    return guarded([&] {
        const std::wstring key = L"HKEY_CURRENT_USER\\Software\\" + std::wstring(textOf(*NomDuSoft));
        tolvare::com_ptr<_Cls_InitREG> worker;
        HRESULT hr = createObject<Cls_InitREG>(IID__Cls_InitREG, worker.put_void());
        if (FAILED(hr)) throw RuntimeError(hr);
        // The parser rewrites each path variable: one fresh copy per call.
        tolvare::unique_bstr path(makeString(key));
        tolvare::unique_bstr entry(makeString(L"RepInstall"));
        tolvare::unique_variant ignored;
        BSTR variable = path.release();
        hr = worker->CreerREG_Cle(&variable, ignored.put());
        path.reset(variable);
        if (FAILED(hr)) throw RuntimeError(hr);
        path.reset(makeString(key));
        variable = path.release();
        BSTR entryVariable = entry.release();
        hr = worker->EcrireREG_STRING(&variable, &entryVariable, AppPath, ignored.put());
        path.reset(variable);
        entry.reset(entryVariable);
        if (FAILED(hr)) throw RuntimeError(hr);
        *pRetVal = makeString(L"Ecriture dans " + key);
        return S_OK;
    });
}

HRESULT Cls_InitREG::FichierExiste(BSTR *strCheminFichier, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !strCheminFichier) return E_POINTER;
    return guarded([&] {
        *pRetVal = askFileSystem(L"FileExists", textOf(*strCheminFichier)) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_InitREG::DossierExiste(BSTR *strCheminDossier, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !strCheminDossier) return E_POINTER;
    return guarded([&] {
        *pRetVal = askFileSystem(L"FolderExists", textOf(*strCheminDossier)) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_InitREG::pathNameOf(DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD), BSTR path, BSTR* result) {
    clearResult(result);
    if (!result) return E_POINTER;
    return guarded([&] {
        // Blanks, so that a name longer than the buffer leaves 255 blanks, as the platform
        // writes nothing then and reports the size it needs.
        char buffer[kBufferSize];
        std::memset(buffer, ' ', sizeof buffer);
        DWORD count;
        {
            AnsiArgument name(path);
            count = name.get() && name.exact() ? convert(name.get(), buffer, kBufferSize) : 0;
        }
        *result = leftOfBuffer(buffer, kBufferSize, long(count));
        return S_OK;
    });
}

HRESULT Cls_InitREG::GET_NomLong(BSTR sShortFileName, BSTR *pRetVal) {
    return pathNameOf(GetLongPathNameA, sShortFileName, pRetVal);
}

HRESULT Cls_InitREG::GET_NomCourt(BSTR sLongFileName, BSTR *pRetVal) {
    return pathNameOf(GetShortPathNameA, sLongFileName, pRetVal);
}

HRESULT Cls_InitREG::RenommerFichier(BSTR *strPathFichierSRC, BSTR *strPathFichierDEST, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    // Every failure is the answer false, never a failed call.
    try {
        if (!strPathFichierSRC || !strPathFichierDEST) return S_OK;
        AnsiArgument source(strPathFichierSRC), target(strPathFichierDEST);
        if (source.get() && target.get() && *source.get() && *target.get() && source.exact() && target.exact() &&
            MoveFileA(source.get(), target.get())) {
            *pRetVal = VARIANT_TRUE;
        }
    } catch (...) {
    }
    return S_OK;
}

}  // namespace korvel
