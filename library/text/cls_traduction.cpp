#include "library/text/cls_traduction.h"

namespace korvel {

HRESULT Cls_Traduction::Sauver_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Sauver_LangueFeuille");
}

HRESULT Cls_Traduction::Charger_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Charger_LangueFeuille");
}

HRESULT Cls_Traduction::Sauver_TousLesMessages(SAFEARRAY **tabMessage, BSTR *Fichier) {
    return notImplemented(L"Sauver_TousLesMessages");
}

HRESULT Cls_Traduction::Charger_LeMessage(BSTR Fichier, short *NumeroMsg, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Charger_LeMessage");
}

HRESULT Cls_Traduction::Charger_TousLesMessages(BSTR Fichier, SAFEARRAY **tabMessage) {
    return notImplemented(L"Charger_TousLesMessages");
}

}  // namespace korvel
