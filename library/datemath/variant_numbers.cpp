#include "library/datemath/variant_numbers.h"

#include <cstring>

#include "common/win32/unique_handle.h"
#include "library/frame/errors.h"

namespace korvel {

namespace {

void convert(const VARIANT& value, VARTYPE type, VARIANT& out) {
    tolvare::unique_variant plain;
    HRESULT hr = VariantCopyInd(plain.get(), const_cast<VARIANT*>(&value));
    if (SUCCEEDED(hr)) hr = VariantChangeTypeEx(&out, plain.get(), LOCALE_USER_DEFAULT, 0, type);
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    if (hr == DISP_E_OVERFLOW) throw RuntimeError(kOverflow);
    if (FAILED(hr)) throw RuntimeError(kTypeMismatch);
}

}  // namespace

double doubleOf(const VARIANT& value) {
    tolvare::unique_variant number;
    convert(value, VT_R8, *number.get());
    return V_R8(number.get());
}

short shortOf(const VARIANT& value) {
    tolvare::unique_variant number;
    convert(value, VT_I2, *number.get());
    return V_I2(number.get());
}

void storeDouble(VARIANT& variable, double value) {
    if (V_VT(&variable) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&variable)) {
        storeDouble(*V_VARIANTREF(&variable), value);
        return;
    }
    if (V_VT(&variable) & VT_BYREF) {
        // A typed variable of the caller's: the value converted to its type.
        VARTYPE type = V_VT(&variable) & ~VT_BYREF;
        VARIANT number;
        VariantInit(&number);
        V_VT(&number) = VT_R8;
        V_R8(&number) = value;
        tolvare::unique_variant converted;
        HRESULT hr = VariantChangeType(converted.get(), &number, 0, type);
        if (hr == DISP_E_OVERFLOW) throw RuntimeError(kOverflow);
        if (FAILED(hr)) throw RuntimeError(kTypeMismatch);
        switch (type) {
        case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8:
            std::memcpy(V_BYREF(&variable), &V_UI8(converted.get()), 8);
            return;
        case VT_R4: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
            std::memcpy(V_BYREF(&variable), &V_UI4(converted.get()), 4);
            return;
        case VT_I2: case VT_UI2: case VT_BOOL:
            std::memcpy(V_BYREF(&variable), &V_UI2(converted.get()), 2);
            return;
        case VT_I1: case VT_UI1:
            std::memcpy(V_BYREF(&variable), &V_UI1(converted.get()), 1);
            return;
        default:
            throw RuntimeError(kTypeMismatch);
        }
    }
    VariantClear(&variable);
    V_VT(&variable) = VT_R8;
    V_R8(&variable) = value;
}

}  // namespace korvel
