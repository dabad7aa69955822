#include "library/frame/errors.h"

#include <oleauto.h>

#include "common/win32/unique_handle.h"

namespace korvel {

using tolvare::com_ptr;

namespace {

struct Description {
    long number;
    const wchar_t* text;
};

// The descriptions a French automation runtime gives its run-time errors.
constexpr Description kDescriptions[] = {
    {kInvalidProcedureCall, L"Argument ou appel de procédure incorrect"},
    {kOverflow, L"Dépassement de capacité"},
    {kOutOfMemory, L"Mémoire insuffisante"},
    {kSubscriptOutOfRange, L"L'indice n'appartient pas à la sélection"},
    {kArrayFixedOrLocked, L"Ce tableau est fixe ou temporairement verrouillé"},
    {kTypeMismatch, L"Type incompatible"},
    {kBadFileNameOrNumber, L"Nom ou numéro de fichier incorrect"},
    {kFileNotFound, L"Fichier introuvable"},
    {kPathFileAccessError, L"Erreur d'accès chemin/fichier"},
    {kPathNotFound, L"Chemin d'accès introuvable"},
    {kObjectVariableNotSet, L"Variable objet ou variable de bloc With non définie"},
    {kObjectRequired, L"Objet requis"},
    {kCannotCreateObject, L"Un composant ActiveX ne peut pas créer un objet"},
    {kPropertyOrMethodNotSupported, L"Propriété ou méthode non gérée par cet objet"},
    {kEntryPointNotFound, L"Point d'entrée de DLL introuvable"},
};

}  // namespace

RuntimeError::RuntimeError(long number)
    : RuntimeError(number, kApplicationTitle, std::wstring(runtimeErrorDescription(number))) {}

RuntimeError::RuntimeError(long number, std::wstring source, std::wstring description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

HRESULT RuntimeError::status() const noexcept {
    // Numbers that are already statuses (the object-error range and other failures) pass as
    // they are; small numbers are run-time errors of the automation facility.
    if (number_ < 0) return HRESULT(number_);
    return HRESULT(0x800A0000UL + (unsigned long)(number_ & 0xFFFF));
}

std::wstring_view runtimeErrorDescription(long number) noexcept {
    for (const auto& d : kDescriptions)
        if (d.number == number) return d.text;
    return {};
}

HRESULT reportFailure(HRESULT status, const IID& iid, std::wstring_view source,
                      std::wstring_view description) noexcept try {
    com_ptr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) return status;
    // The text parameters are copied by the error object; the strings must be terminated.
    std::wstring sourceText(source), descriptionText(description);
    create->SetGUID(iid);
    create->SetSource(sourceText.data());
    create->SetDescription(descriptionText.data());
    create->SetHelpFile(nullptr);
    create->SetHelpContext(0);
    com_ptr<IErrorInfo> info;
    if (SUCCEEDED(create.query(info))) SetErrorInfo(0, info.get());
    return status;
} catch (...) {
    return status;
}

namespace {

thread_local std::wstring unshownMessages;

bool visibleWindowStation() noexcept {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    const HWINSTA station = GetProcessWindowStation();
    // Not known: taken as visible, as the boxes always were.
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

bool unattended() noexcept {
    wchar_t value[4] = {};
    const DWORD length = GetEnvironmentVariableW(L"KORVEL_SANS_MESSAGES", value, 4);
    if (length == 1 && value[0] == L'1') return true;
    DWORD setting = 0;
    DWORD size = sizeof setting;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\TOLVARE\\KORVEL", L"SansMessages", RRF_RT_REG_DWORD, nullptr,
                     &setting, &size) == ERROR_SUCCESS &&
        setting == 1)
        return true;
    return !visibleWindowStation();
}

void forgetUnshownMessages() noexcept {
    unshownMessages.clear();
}

std::wstring withUnshownMessages(const std::wstring& description) {
    if (unshownMessages.empty()) return description;
    return description.empty() ? unshownMessages : description + L" (" + unshownMessages + L")";
}

void showLibraryMessage(std::wstring_view text, UINT icon, const wchar_t* caption) noexcept try {
    std::wstring body(text);
    if (!unattended()) {
        MessageBoxW(nullptr, body.c_str(), caption, MB_OK | icon | MB_TASKMODAL | MB_SETFOREGROUND);
        return;
    }
    const std::wstring line = std::wstring(caption) + L" : " + body;
    OutputDebugStringW((L"KORVEL " + line + L"\n").c_str());
    if (!unshownMessages.empty()) unshownMessages += L" ; ";
    unshownMessages += line;
} catch (...) {
}

}  // namespace korvel
