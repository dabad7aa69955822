#include "library/datemath/cls_math.h"

#include <cmath>

#include "library/datemath/core/angles.h"
#include "library/datemath/variant_numbers.h"

namespace korvel {

namespace {

double finite(double value) {
    if (!std::isfinite(value)) throw RuntimeError(kOverflow);
    return value;
}

VARIANT numberVariant(VARTYPE type, double value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    if (type == VT_R4) V_R4(&v) = float(value);
    else V_R8(&v) = value;
    return v;
}

}  // namespace

HRESULT Cls_Math::MesurePrincipale(VARIANT *Angle, float *pRetVal) {
    if (!Angle || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        double angle = finite(doubleOf(*Angle));
        double reduced = angles::principalMeasure(angle);
        // The reduction is the caller's: its variable holds the principal measure afterwards.
        if (reduced != angle) storeDouble(*Angle, reduced);
        *pRetVal = float(reduced);
        return S_OK;
    });
}

HRESULT Cls_Math::Hypothenuse(VARIANT *X1, VARIANT *Y1, VARIANT *X2, VARIANT *Y2, VARIANT *pRetVal) {
    if (!X1 || !Y1 || !X2 || !Y2 || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] {
        double dx = doubleOf(*X1) - doubleOf(*X2), dy = doubleOf(*Y1) - doubleOf(*Y2);
        double length = finite(std::sqrt(finite(dx * dx + dy * dy)));
        *pRetVal = numberVariant(VT_R8, length);
        return S_OK;
    });
}

HRESULT Cls_Math::InverseCosinus(VARIANT *x, float *pRetVal) {
    if (!x || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = angles::inverseCosine(doubleOf(*x));
        return S_OK;
    });
}

HRESULT Cls_Math::InverseSinus(VARIANT *x, float *pRetVal) {
    if (!x || !pRetVal) return E_POINTER;
    clearResult(pRetVal);
    return guarded([&] {
        *pRetVal = angles::inverseSine(doubleOf(*x));
        return S_OK;
    });
}

HRESULT Cls_Math::AngleTrigo(VARIANT *x, VARIANT *y, VARIANT *cx, VARIANT *cy, VARIANT *pRetVal) {
    if (!x || !y || !cx || !cy || !pRetVal) return E_POINTER;
    VariantInit(pRetVal);
    return guarded([&] {
        double dx = doubleOf(*x) - doubleOf(*cx), dy = doubleOf(*y) - doubleOf(*cy);
        double r = finite(std::sqrt(finite(dx * dx + dy * dy)));
        if (r == 0) throw RuntimeError(kOverflow);  // zero divided by zero
        // The scans and reductions go through the object's own interface, so that they are
        // exactly what its callers get from them.
        _Cls_Math* self = this;
        auto check = [](HRESULT hr) {
            if (FAILED(hr)) throw RuntimeError(hr);
        };
        auto reduce = [&](double angle) {
            VARIANT value = numberVariant(VT_R8, angle);
            float reduced = 0;
            check(self->MesurePrincipale(&value, &reduced));
            return reduced;
        };
        auto scan = [&](bool cosine, double ratio) {
            VARIANT value = numberVariant(VT_R8, ratio);
            float angle = 0;
            check(cosine ? self->InverseCosinus(&value, &angle) : self->InverseSinus(&value, &angle));
            return angle;
        };
        float a1 = reduce(scan(true, dx / r));
        float a2 = reduce(2 * angles::kP - a1);
        float a3 = reduce(scan(false, dy / r));
        float a4 = reduce(angles::kP - a3);
        *pRetVal = numberVariant(VT_R8, angles::closestPairMean(a1, a2, a3, a4));
        return S_OK;
    });
}

}  // namespace korvel
