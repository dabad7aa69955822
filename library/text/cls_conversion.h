// Cls_Conversion: numbers in French words, digit-only input, OEM to ANSI.
#pragma once

#include <string>

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Conversion final : public DispatchObject<Cls_Conversion, _Cls_Conversion> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Conversion";

    IFACEMETHODIMP get_IntituleMonnaie(BSTR *pRetVal) override;
    IFACEMETHODIMP put_IntituleMonnaie(BSTR *vData) override;
    IFACEMETHODIMP get_IntitulePetiteMonnaie(BSTR *pRetVal) override;
    IFACEMETHODIMP put_IntitulePetiteMonnaie(BSTR *vData) override;
    IFACEMETHODIMP Ctrl_SaiseNombre(BSTR *strSaisie, BSTR *pRetVal) override;
    IFACEMETHODIMP ConvertirNombreEnLettre(double *strNbSaisi, VARIANT_BOOL *Montant, BSTR *pRetVal) override;
    IFACEMETHODIMP ConvertirOemAnsi(BSTR *string1, BSTR *string2, short *pRetVal) override;

private:
    std::wstring currencyUnit_;       // IntituleMonnaie
    std::wstring currencyHundredth_;  // IntitulePetiteMonnaie
};

}  // namespace korvel
