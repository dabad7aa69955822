#include "library/datemath/cls_date.h"

namespace korvel {

HRESULT Cls_Date::Paques(VARIANT *Annee, DATE *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Paques");
}

HRESULT Cls_Date::DateFRtoUS(BSTR *strDateFR, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"DateFRtoUS");
}

HRESULT Cls_Date::DateUStoFR(BSTR *strDateUS, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"DateUStoFR");
}

HRESULT Cls_Date::SecondeEnHeure(LONG Seconde, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"SecondeEnHeure");
}

HRESULT Cls_Date::HeureEnSeconde(DATE Heure, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"HeureEnSeconde");
}

HRESULT Cls_Date::Chrono(LONG DepartSec, LONG ArriveeSec, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Chrono");
}

HRESULT Cls_Date::NBJoursOuvrablesParMois(short intAnnee, short intMois, short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"NBJoursOuvrablesParMois");
}

HRESULT Cls_Date::NBJoursOuvrables(DATE DateDebut, DATE DateFin, short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"NBJoursOuvrables");
}

}  // namespace korvel
