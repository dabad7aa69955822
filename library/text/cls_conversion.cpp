#include "library/text/cls_conversion.h"

namespace korvel {

HRESULT Cls_Conversion::get_IntituleMonnaie(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_IntituleMonnaie");
}

HRESULT Cls_Conversion::put_IntituleMonnaie(BSTR *vData) {
    return notImplemented(L"put_IntituleMonnaie");
}

HRESULT Cls_Conversion::get_IntitulePetiteMonnaie(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_IntitulePetiteMonnaie");
}

HRESULT Cls_Conversion::put_IntitulePetiteMonnaie(BSTR *vData) {
    return notImplemented(L"put_IntitulePetiteMonnaie");
}

HRESULT Cls_Conversion::Ctrl_SaiseNombre(BSTR *strSaisie, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Ctrl_SaiseNombre");
}

HRESULT Cls_Conversion::ConvertirNombreEnLettre(double *strNbSaisi, VARIANT_BOOL *Montant, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ConvertirNombreEnLettre");
}

HRESULT Cls_Conversion::ConvertirOemAnsi(BSTR *string1, BSTR *string2, short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ConvertirOemAnsi");
}

}  // namespace korvel
