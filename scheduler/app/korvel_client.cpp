#include "scheduler/app/korvel_client.h"

#include <array>

#include "common/win32/bstr_texts.h"
#include "scheduler/app/korvel_activation.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

template <typename I>
HRESULT create(const CLSID& clsid, com_ptr<I>& object) {
    return createKorvelObject(clsid, __uuidof(I), object.put_void());
}

}  // namespace

HRESULT korvelClassesStatus() {
    // Through the objects the scheduler makes, with the interfaces it calls.
    if (const HRESULT hr = InitRegObject().status(); FAILED(hr)) return hr;
    if (const HRESULT hr = WindowsObject().status(); FAILED(hr)) return hr;
    return InternetObject().status();
}

void reportMissingKorvelOnce(HWND owner) {
    static bool checked = false;
    if (checked) return;
    checked = true;
    if (SUCCEEDED(korvelClassesStatus())) return;
    // Every step that needs the library fails quietly, as it must in a pass; without this the
    // user would see https lists never arrive. No-break spaces keep the colon and
    // the quotation marks with their words when the box wraps the text.
    const std::wstring text =
        L"La bibliothèque KORVEL.dll est introuvable, ne peut pas être chargée ou n'est pas "
        L"enregistrée\u00a0: la liste ne pourra être téléchargée que d'une adresse http://.\n\nPlacez KORVEL.dll dans le dossier de PLENAR\u00a0:\n" +
        programFolder() + L"\nou enregistrez-la avec «\u00a0regsvr32 KORVEL.dll\u00a0».";
    MessageBoxW(owner, text.c_str(), L"ERREUR", MB_OK | MB_ICONEXCLAMATION);
}

InitRegObject::InitRegObject() : status_(create(CLSID_Cls_InitREG, object_)) {}

std::wstring InitRegObject::iniRead(std::wstring_view section, std::wstring_view key,
                                    std::wstring_view fallback, std::wstring_view file) {
    if (FAILED(status_)) return std::wstring(fallback);
    LentTexts<4> texts({section, key, fallback, file});
    if (!texts.allocated()) return std::wstring(fallback);
    unique_bstr result;
    const HRESULT hr = texts.lend([&](std::array<BSTR, 4>& raw) {
        return object_->IniLire(&raw[0], &raw[1], &raw[2], &raw[3], result.put());
    });
    if (FAILED(hr)) return std::wstring(fallback);
    return std::wstring(textOf(result.get()));
}

HRESULT InitRegObject::iniWrite(std::wstring_view section, std::wstring_view key,
                                std::wstring_view value, std::wstring_view file) {
    if (FAILED(status_)) return status_;
    LentTexts<4> texts({section, key, value, file});
    if (!texts.allocated()) return E_OUTOFMEMORY;
    LONG written = 0;
    return texts.lend([&](std::array<BSTR, 4>& raw) {
        return object_->IniEcrire(&raw[0], &raw[1], &raw[2], &raw[3], &written);
    });
}

WindowsObject::WindowsObject() : status_(create(CLSID_Cls_Windows, object_)) {}

HRESULT WindowsObject::wait(long seconds) {
    if (FAILED(status_)) return status_;
    LONG count = seconds;
    return object_->Wait(&count);
}

HRESULT WindowsObject::specialFolder(long csidl, std::wstring& path) {
    path.clear();
    if (FAILED(status_)) return status_;
    LONG folder = csidl;
    unique_bstr result;
    const HRESULT hr = object_->GET_DossierSpecial(&folder, result.put());
    if (SUCCEEDED(hr)) path = textOf(result.get());
    return hr;
}

HRESULT WindowsObject::fileNamePart(std::wstring_view name, short part, std::wstring& result) {
    result.clear();
    if (FAILED(status_)) return status_;
    LentTexts<1> texts({name});
    if (!texts.allocated()) return E_OUTOFMEMORY;
    short which = part;
    unique_bstr value;
    const HRESULT hr = texts.lend([&](std::array<BSTR, 1>& raw) {
        return object_->GET_NomFichier(&raw[0], &which, value.put());
    });
    if (SUCCEEDED(hr)) result = textOf(value.get());
    return hr;
}

InternetObject::InternetObject() : status_(create(CLSID_Cls_Internet, object_)) {}

HRESULT InternetObject::downloadFile(std::wstring_view url, std::wstring_view localFile,
                                     bool& succeeded) {
    succeeded = false;
    if (FAILED(status_)) return status_;
    const unique_bstr address = ownedString(url);
    const unique_bstr target = ownedString(localFile);
    if ((!address && !url.empty()) || !target) return E_OUTOFMEMORY;
    VARIANT_BOOL result = VARIANT_FALSE;
    const HRESULT hr = object_->TelechargeFichier(address.get(), target.get(), &result);
    succeeded = SUCCEEDED(hr) && result != VARIANT_FALSE;
    return hr;
}

HRESULT InternetObject::shareFolder9x(std::wstring_view shareName, std::wstring_view fullPath,
                                      std::wstring_view description) {
    if (FAILED(status_)) return status_;
    LentTexts<3> texts({shareName, fullPath, description});
    if (!texts.allocated()) return E_OUTOFMEMORY;
    return texts.lend([&](std::array<BSTR, 3>& raw) {
        return object_->ShareFolder9x(&raw[0], &raw[1], &raw[2]);
    });
}

HRESULT InternetObject::shareFolderNt(std::wstring_view server, std::wstring_view path,
                                      std::wstring_view shareName, std::wstring_view remark,
                                      LONG& status) {
    status = 0;
    if (FAILED(status_)) return status_;
    LentTexts<5> texts({server, path, shareName, remark, std::wstring_view()});
    if (!texts.allocated()) return E_OUTOFMEMORY;
    return texts.lend([&](std::array<BSTR, 5>& raw) {
        return object_->PartageRep(&raw[0], &raw[1], &raw[2], &raw[3], &raw[4], &status);
    });
}

}  // namespace tolvare::plenar
