#include "library/datemath/cls_math.h"

namespace korvel {

HRESULT Cls_Math::MesurePrincipale(VARIANT *Angle, float *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"MesurePrincipale");
}

HRESULT Cls_Math::Hypothenuse(VARIANT *X1, VARIANT *Y1, VARIANT *X2, VARIANT *Y2, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Hypothenuse");
}

HRESULT Cls_Math::InverseCosinus(VARIANT *x, float *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"InverseCosinus");
}

HRESULT Cls_Math::InverseSinus(VARIANT *x, float *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"InverseSinus");
}

HRESULT Cls_Math::AngleTrigo(VARIANT *x, VARIANT *y, VARIANT *cx, VARIANT *cy, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"AngleTrigo");
}

}  // namespace korvel
