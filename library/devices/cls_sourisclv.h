// Cls_SourisClv: mouse and keyboard state.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_SourisClv final : public DispatchObject<Cls_SourisClv, _Cls_SourisClv> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_SourisClv";

    IFACEMETHODIMP SourisAfficher() override;
    IFACEMETHODIMP SourisMasquer() override;
    IFACEMETHODIMP SourisPositionner(short *x, short *y) override;
    IFACEMETHODIMP SourisBoutonInverser() override;
    IFACEMETHODIMP SourisBoutonOrigine() override;
    IFACEMETHODIMP SourisNbsBouton(short *pRetVal) override;
    IFACEMETHODIMP SourisDelaiDoubleClique(LONG *pRetVal) override;
    IFACEMETHODIMP SourisPosition(LONG *x, LONG *y, LONG *pRetVal) override;
    IFACEMETHODIMP LireEtat_Shift(VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP LireEtat_NumLock(VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP ChangerEtat_Touche(LONG *lngVBKey) override;

private:
    // The calling thread's keyboard-state table, one byte per virtual-key code, refilled at
    // the start of every keyboard member so that nothing carries over between calls.
    BYTE keyboardState_[256] = {};
};

}  // namespace korvel
