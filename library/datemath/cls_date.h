// Cls_Date: Easter, date formats, durations and working days.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Date final : public DispatchObject<Cls_Date, _Cls_Date> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Date";

    IFACEMETHODIMP Paques(VARIANT *Annee, DATE *pRetVal) override;
    IFACEMETHODIMP DateFRtoUS(BSTR *strDateFR, VARIANT *pRetVal) override;
    IFACEMETHODIMP DateUStoFR(BSTR *strDateUS, VARIANT *pRetVal) override;
    IFACEMETHODIMP SecondeEnHeure(LONG Seconde, BSTR *pRetVal) override;
    IFACEMETHODIMP HeureEnSeconde(DATE Heure, LONG *pRetVal) override;
    IFACEMETHODIMP Chrono(LONG DepartSec, LONG ArriveeSec, LONG *pRetVal) override;
    IFACEMETHODIMP NBJoursOuvrablesParMois(short intAnnee, short intMois, short *pRetVal) override;
    IFACEMETHODIMP NBJoursOuvrables(DATE DateDebut, DATE DateFin, short *pRetVal) override;
};

}  // namespace korvel
