#include "library/text/cls_conversion.h"

#include <algorithm>
#include <string>

#include "library/frame/ansi_text.h"
#include "library/text/core/french_number.h"
#include "library/text/core/typed_number.h"

namespace korvel {

namespace {

constexpr wchar_t kOnlyDigitsMessage[] =
    L"Vous ne pouvez saisir que des chiffres, si vous voulez que la conversion fonctionne.";
constexpr wchar_t kOnlyDigitsCaption[] = L"Erreur";

}  // namespace

HRESULT Cls_Conversion::get_IntituleMonnaie(BSTR *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = makeString(currencyUnit_);
        return S_OK;
    });
}

HRESULT Cls_Conversion::put_IntituleMonnaie(BSTR *vData) {
    if (!vData) return E_POINTER;
    return guarded([&] {
        currencyUnit_ = textOf(*vData);
        return S_OK;
    });
}

HRESULT Cls_Conversion::get_IntitulePetiteMonnaie(BSTR *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = makeString(currencyHundredth_);
        return S_OK;
    });
}

HRESULT Cls_Conversion::put_IntitulePetiteMonnaie(BSTR *vData) {
    if (!vData) return E_POINTER;
    return guarded([&] {
        currencyHundredth_ = textOf(*vData);
        return S_OK;
    });
}

HRESULT Cls_Conversion::Ctrl_SaiseNombre(BSTR *strSaisie, BSTR *pRetVal) {
    if (!strSaisie || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        std::optional<std::wstring> kept = typed_number::clean(textOf(*strSaisie));
        if (!kept) {
            showLibraryMessage(kOnlyDigitsMessage, MB_ICONINFORMATION, kOnlyDigitsCaption);
            kept.emplace();
        }
        *pRetVal = makeString(*kept);
        return S_OK;
    });
}

HRESULT Cls_Conversion::ConvertirNombreEnLettre(double *strNbSaisi, VARIANT_BOOL *Montant, BSTR *pRetVal) {
    if (!strNbSaisi || !Montant || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        french::Amount amount;
        switch (french::splitAmount(*strNbSaisi, amount)) {
        case french::SplitStatus::split:
            break;
        case french::SplitStatus::tooLarge:
            throw RuntimeError(kOverflow);
        case french::SplitStatus::negative:
        case french::SplitStatus::notANumber:
            throw RuntimeError(kInvalidProcedureCall);
        }
        // Only the Boolean true value (-1) asks for the currency names.
        french::Currency currency{*Montant == VARIANT_TRUE, currencyUnit_, currencyHundredth_};
        *pRetVal = makeString(french::amountInWords(amount, currency));
        return S_OK;
    });
}

HRESULT Cls_Conversion::ConvertirOemAnsi(BSTR *string1, BSTR *string2, short *pRetVal) {
    if (!string1 || !string2 || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        // A null string reaches the platform as a null pointer, which it refuses.
        if (!*string1 || !*string2) return S_OK;
        std::string source = toAnsi(textOf(*string1));
        std::string target = toAnsi(textOf(*string2));
        // The platform writes the whole converted source and its NUL: a target shorter than the
        // source gets room for them rather than having memory past its end overwritten, and
        // then receives the whole converted text.
        size_t written = std::max(target.size(), source.size());
        target.resize(std::max(target.size(), source.size() + 1), '\0');
        *pRetVal = short(OemToCharA(source.c_str(), target.data()));
        // Both copies go back to the caller, as for every ANSI crossing.
        BSTR sourceBack = makeString(fromAnsi(source));
        SysFreeString(*string1);
        *string1 = sourceBack;
        BSTR targetBack = makeString(fromAnsi(std::string_view(target.data(), written)));
        SysFreeString(*string2);
        *string2 = targetBack;
        return S_OK;
    });
}

}  // namespace korvel
