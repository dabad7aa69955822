#include "library/devices/cls_sourisclv.h"

namespace korvel {

HRESULT Cls_SourisClv::SourisAfficher() {
    return notImplemented(L"SourisAfficher");
}

HRESULT Cls_SourisClv::SourisMasquer() {
    return notImplemented(L"SourisMasquer");
}

HRESULT Cls_SourisClv::SourisPositionner(short *x, short *y) {
    return notImplemented(L"SourisPositionner");
}

HRESULT Cls_SourisClv::SourisBoutonInverser() {
    return notImplemented(L"SourisBoutonInverser");
}

HRESULT Cls_SourisClv::SourisBoutonOrigine() {
    return notImplemented(L"SourisBoutonOrigine");
}

HRESULT Cls_SourisClv::SourisNbsBouton(short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"SourisNbsBouton");
}

HRESULT Cls_SourisClv::SourisDelaiDoubleClique(LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"SourisDelaiDoubleClique");
}

HRESULT Cls_SourisClv::SourisPosition(LONG *x, LONG *y, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"SourisPosition");
}

HRESULT Cls_SourisClv::LireEtat_Shift(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireEtat_Shift");
}

HRESULT Cls_SourisClv::LireEtat_NumLock(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"LireEtat_NumLock");
}

HRESULT Cls_SourisClv::ChangerEtat_Touche(LONG *lngVBKey) {
    return notImplemented(L"ChangerEtat_Touche");
}

}  // namespace korvel
