#include "library/frame/array_arguments.h"

#include <cstring>
#include <vector>

namespace korvel {

HRESULT typedArrayFromVariants(SAFEARRAY* variants, VARTYPE element, SAFEARRAY** typed) {
    *typed = nullptr;
    if (!variants || variants->cDims == 0) return S_OK;  // an array without dimensions: none
    if (variants->cbElements != sizeof(VARIANT)) return DISP_E_TYPEMISMATCH;
    std::vector<SAFEARRAYBOUND> bounds(variants->cDims);
    ULONG count = 1;
    for (USHORT d = 0; d < variants->cDims; ++d) {
        // The descriptor keeps its dimensions in the reverse order of SafeArrayCreate's.
        bounds[d] = variants->rgsabound[variants->cDims - 1 - d];
        count *= bounds[d].cElements;
    }
    SAFEARRAY* created = SafeArrayCreate(element, variants->cDims, bounds.data());
    if (!created) return E_OUTOFMEMORY;
    // A caller's array that cannot be resized stays so for the member, which then refuses to.
    if (variants->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC | FADF_EMBEDDED)) created->fFeatures |= FADF_FIXEDSIZE;
    void* from = nullptr;
    void* to = nullptr;
    HRESULT hr = SafeArrayAccessData(variants, &from);
    if (FAILED(hr)) {
        SafeArrayDestroy(created);
        return hr;
    }
    SafeArrayAccessData(created, &to);
    // Both arrays lay their elements out in the same order, so element k maps to element k.
    for (ULONG k = 0; k < count && SUCCEEDED(hr); ++k) {
        VARIANT value;
        VariantInit(&value);
        hr = VariantCopyInd(&value, &static_cast<VARIANT*>(from)[k]);
        if (FAILED(hr)) break;
        if (V_VT(&value) == VT_EMPTY) {
            // The new array's element is already the empty value of its type.
        } else if (V_VT(&value) != element) {
            hr = DISP_E_TYPEMISMATCH;
        } else {
            char* slot = static_cast<char*>(to) + size_t(k) * created->cbElements;
            if (element == VT_BSTR || element == VT_DISPATCH || element == VT_UNKNOWN) {
                // The array owns the string or the reference now.
                std::memcpy(slot, &V_BYREF(&value), sizeof(void*));
                VariantInit(&value);
            } else {
                std::memcpy(slot, &V_UI1(&value), created->cbElements);
            }
        }
        VariantClear(&value);
    }
    SafeArrayUnaccessData(created);
    SafeArrayUnaccessData(variants);
    if (FAILED(hr)) {
        SafeArrayDestroy(created);
        return hr;
    }
    *typed = created;
    return S_OK;
}

HRESULT variantsFromTypedArray(SAFEARRAY* typed, SAFEARRAY** variants) {
    *variants = nullptr;
    VARTYPE element = VT_EMPTY;
    if (!typed) {
        SAFEARRAYBOUND none{0, 0};
        *variants = SafeArrayCreate(VT_VARIANT, 1, &none);
        return *variants ? S_OK : E_OUTOFMEMORY;
    }
    if (HRESULT hr = SafeArrayGetVartype(typed, &element); FAILED(hr)) return hr;
    std::vector<SAFEARRAYBOUND> bounds(typed->cDims);
    ULONG count = 1;
    for (USHORT d = 0; d < typed->cDims; ++d) {
        bounds[d] = typed->rgsabound[typed->cDims - 1 - d];
        count *= bounds[d].cElements;
    }
    SAFEARRAY* created = SafeArrayCreate(VT_VARIANT, typed->cDims, bounds.data());
    if (!created) return E_OUTOFMEMORY;
    void* from = nullptr;
    void* to = nullptr;
    HRESULT hr = SafeArrayAccessData(typed, &from);
    if (FAILED(hr)) {
        SafeArrayDestroy(created);
        return hr;
    }
    SafeArrayAccessData(created, &to);
    for (ULONG k = 0; k < count && SUCCEEDED(hr); ++k) {
        VARIANT source;
        VariantInit(&source);
        V_VT(&source) = VARTYPE(element | VT_BYREF);
        V_BYREF(&source) = static_cast<char*>(from) + size_t(k) * typed->cbElements;
        hr = VariantCopyInd(&static_cast<VARIANT*>(to)[k], &source);
    }
    SafeArrayUnaccessData(created);
    SafeArrayUnaccessData(typed);
    if (FAILED(hr)) {
        SafeArrayDestroy(created);
        return hr;
    }
    *variants = created;
    return S_OK;
}

}  // namespace korvel
