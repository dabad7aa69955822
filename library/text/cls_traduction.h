// Cls_Traduction: language files for windows and message tables.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Traduction final : public DispatchObject<Cls_Traduction, _Cls_Traduction> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Traduction";

    IFACEMETHODIMP Sauver_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) override;
    IFACEMETHODIMP Charger_LangueFeuille(IDispatch **NomForme, BSTR *Fichier, VARIANT *pRetVal) override;
    IFACEMETHODIMP Sauver_TousLesMessages(SAFEARRAY **tabMessage, BSTR *Fichier) override;
    IFACEMETHODIMP Charger_LeMessage(BSTR Fichier, short *NumeroMsg, BSTR *pRetVal) override;
    IFACEMETHODIMP Charger_TousLesMessages(BSTR Fichier, SAFEARRAY **tabMessage) override;
};

}  // namespace korvel
