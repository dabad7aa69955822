#include "library/devices/cls_sourisclv.h"

#include "library/devices/core/device_rules.h"

namespace korvel {

// The cursor's display count belongs to the platform: each call moves it by one, and the
// caller balances its own hides and shows.
HRESULT Cls_SourisClv::SourisAfficher() {
    return guarded([] {
        ShowCursor(TRUE);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisMasquer() {
    return guarded([] {
        ShowCursor(FALSE);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisPositionner(short *x, short *y) {
    if (!x || !y) return E_POINTER;
    return guarded([&] {
        SetCursorPos(*x, *y);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisBoutonInverser() {
    return guarded([] {
        SwapMouseButton(TRUE);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisBoutonOrigine() {
    return guarded([] {
        SwapMouseButton(FALSE);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisNbsBouton(short *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        // The member's name promises the number of mouse buttons, and that is what it gives.
        std::optional<std::int16_t> buttons = devices::toShort(GetSystemMetrics(SM_CMOUSEBUTTONS));
        if (!buttons) throw RuntimeError(kOverflow);
        *pRetVal = *buttons;
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisDelaiDoubleClique(LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = LONG(GetDoubleClickTime());
        return S_OK;
    });
}

HRESULT Cls_SourisClv::SourisPosition(LONG *x, LONG *y, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!x || !y || !pRetVal) return E_POINTER;
    return guarded([&] {
        POINT position{0, 0};
        const BOOL found = GetCursorPos(&position);
        *x = found ? position.x : 0;
        *y = found ? position.y : 0;
        *pRetVal = LONG(found);
        return S_OK;
    });
}

HRESULT Cls_SourisClv::LireEtat_Shift(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        // Read on every call: the table changes between calls without the object knowing.
        GetKeyboardState(keyboardState_);
        *pRetVal = devices::isToggledOnAndUp(keyboardState_[devices::kCapsLockKey]) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_SourisClv::LireEtat_NumLock(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        GetKeyboardState(keyboardState_);
        *pRetVal = devices::isToggledOnAndUp(keyboardState_[devices::kNumLockKey]) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_SourisClv::ChangerEtat_Touche(LONG *lngVBKey) {
    if (!lngVBKey) return E_POINTER;
    return guarded([&] {
        GetKeyboardState(keyboardState_);
        // Checked before anything is written: the table is the whole thread's.
        if (!devices::isKeyCode(*lngVBKey)) throw RuntimeError(kSubscriptOutOfRange);
        BYTE& key = keyboardState_[*lngVBKey];
        key = devices::flippedToggle(key);
        SetKeyboardState(keyboardState_);
        return S_OK;
    });
}

}  // namespace korvel
