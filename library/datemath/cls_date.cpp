#include "library/datemath/cls_date.h"

#include <optional>

#include "library/datemath/core/dates.h"
#include "library/datemath/variant_numbers.h"
#include "library/frame/ansi_text.h"

namespace korvel {

namespace {

double checkedDate(std::optional<double> date) {
    if (!date) throw RuntimeError(kInvalidProcedureCall);
    return *date;
}

void requireInRange(DATE date) {
    if (!dates::inRange(date)) throw RuntimeError(kInvalidProcedureCall);
}

HRESULT swapped(BSTR* text, VARIANT* pRetVal) {
    std::wstring result = dates::swapDayAndMonth(textOf(*text));
    V_VT(pRetVal) = VT_BSTR;
    V_BSTR(pRetVal) = makeString(result);
    return S_OK;
}

}  // namespace

HRESULT Cls_Date::Paques(VARIANT *Annee, DATE *pRetVal) {
    if (!Annee || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        // The fixed years are compared as numbers, before the year is taken as a 16-bit one.
        double asked = doubleOf(*Annee);
        bool fixedYear = asked == 1954 || asked == 2049 || asked == 1981 || asked == 2076;
        *pRetVal = checkedDate(dates::easter(shortOf(*Annee), fixedYear));
        return S_OK;
    });
}

HRESULT Cls_Date::DateFRtoUS(BSTR *strDateFR, VARIANT *pRetVal) {
    if (!strDateFR || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] { return swapped(strDateFR, pRetVal); });
}

HRESULT Cls_Date::DateUStoFR(BSTR *strDateUS, VARIANT *pRetVal) {
    if (!strDateUS || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] { return swapped(strDateUS, pRetVal); });
}

HRESULT Cls_Date::SecondeEnHeure(LONG Seconde, BSTR *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = makeString(dates::secondsToClock(Seconde));
        return S_OK;
    });
}

HRESULT Cls_Date::HeureEnSeconde(DATE Heure, LONG *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        requireInRange(Heure);
        *pRetVal = dates::timeOfDayInSeconds(Heure);
        return S_OK;
    });
}

HRESULT Cls_Date::Chrono(LONG DepartSec, LONG ArriveeSec, LONG *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        std::optional<std::int32_t> span = dates::spanAcrossMidnight(DepartSec, ArriveeSec);
        if (!span) throw RuntimeError(kOverflow);
        *pRetVal = *span;
        return S_OK;
    });
}

HRESULT Cls_Date::NBJoursOuvrablesParMois(short intAnnee, short intMois, short *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        std::optional<int> days = dates::workingDaysOfMonth(intAnnee, intMois);
        if (!days) throw RuntimeError(kInvalidProcedureCall);
        *pRetVal = short(*days);
        return S_OK;
    });
}

HRESULT Cls_Date::NBJoursOuvrables(DATE DateDebut, DATE DateFin, short *pRetVal) {
    if (!pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        requireInRange(DateDebut);
        requireInRange(DateFin);
        long count = dates::workingDaysBetween(DateDebut, DateFin, 32767);
        if (count > 32767) throw RuntimeError(kOverflow);
        *pRetVal = short(count);
        return S_OK;
    });
}

}  // namespace korvel
