// Cls_Math: angles and triangles.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Math final : public DispatchObject<Cls_Math, _Cls_Math> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Math";

    IFACEMETHODIMP MesurePrincipale(VARIANT *Angle, float *pRetVal) override;
    IFACEMETHODIMP Hypothenuse(VARIANT *X1, VARIANT *Y1, VARIANT *X2, VARIANT *Y2, VARIANT *pRetVal) override;
    IFACEMETHODIMP InverseCosinus(VARIANT *x, float *pRetVal) override;
    IFACEMETHODIMP InverseSinus(VARIANT *x, float *pRetVal) override;
    IFACEMETHODIMP AngleTrigo(VARIANT *x, VARIANT *y, VARIANT *cx, VARIANT *cy, VARIANT *pRetVal) override;
};

}  // namespace korvel
