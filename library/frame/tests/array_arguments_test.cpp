// The conversions behind array parameters: a script's array of variants into the member's
// typed array, and the member's array back into variants, with their bounds.
#include "library/frame/array_arguments.h"

#include <gtest/gtest.h>

#include <string>

#include "common/win32/unique_handle.h"

namespace korvel {
namespace {

using tolvare::unique_safearray;

unique_safearray variants(std::initializer_list<VARIANT> values, LONG lower = 0) {
    SAFEARRAYBOUND bound{ULONG(values.size()), lower};
    unique_safearray array(SafeArrayCreate(VT_VARIANT, 1, &bound));
    LONG i = lower;
    for (VARIANT v : values) {
        SafeArrayPutElement(array.get(), &i, &v);
        VariantClear(&v);
        ++i;
    }
    return array;
}

VARIANT text(const wchar_t* s) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(s);
    return v;
}

VARIANT empty() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

VARIANT number(long n) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}

std::wstring element(SAFEARRAY* texts, LONG index) {
    BSTR s = nullptr;
    if (FAILED(SafeArrayGetElement(texts, &index, &s))) return L"<none>";
    std::wstring value = s ? std::wstring(s, SysStringLen(s)) : L"<null>";
    SysFreeString(s);
    return value;
}

TEST(ArrayArguments, TextsAndEmptyValuesKeepTheirPlacesAndBounds) {
    unique_safearray from = variants({text(L"un"), empty(), text(L"")}, 3);
    SAFEARRAY* typed = nullptr;
    ASSERT_EQ(typedArrayFromVariants(from.get(), VT_BSTR, &typed), S_OK);
    unique_safearray owned(typed);
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(typed, &type);
    EXPECT_EQ(type, VT_BSTR);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(typed, 1, &lower);
    SafeArrayGetUBound(typed, 1, &upper);
    EXPECT_EQ(lower, 3);
    EXPECT_EQ(upper, 5);
    EXPECT_EQ(element(typed, 3), L"un");
    EXPECT_EQ(element(typed, 4), L"<null>");  // the empty text
    EXPECT_EQ(element(typed, 5), L"");
}

TEST(ArrayArguments, AnythingButTextIsATypeMismatch) {
    VARIANT array;
    VariantInit(&array);
    V_VT(&array) = VT_ARRAY | VT_VARIANT;
    for (VARIANT odd : {number(42), [] { VARIANT v; VariantInit(&v); V_VT(&v) = VT_NULL; return v; }(), array}) {
        unique_safearray from = variants({text(L"a"), odd});
        SAFEARRAY* typed = reinterpret_cast<SAFEARRAY*>(0x1);
        EXPECT_EQ(typedArrayFromVariants(from.get(), VT_BSTR, &typed), DISP_E_TYPEMISMATCH) << V_VT(&odd);
        EXPECT_EQ(typed, nullptr);
    }
    // An array that does not hold variants is not read as one.
    SAFEARRAYBOUND bound{2, 0};
    unique_safearray numbers(SafeArrayCreate(VT_I4, 1, &bound));
    SAFEARRAY* typed = nullptr;
    EXPECT_EQ(typedArrayFromVariants(numbers.get(), VT_BSTR, &typed), DISP_E_TYPEMISMATCH);
}

TEST(ArrayArguments, TextsByReferenceAreRead) {
    BSTR held = SysAllocString(L"tenu");
    VARIANT reference;
    VariantInit(&reference);
    V_VT(&reference) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&reference) = &held;
    SAFEARRAYBOUND bound{1, 0};
    unique_safearray from(SafeArrayCreate(VT_VARIANT, 1, &bound));
    LONG zero = 0;
    // Stored as it is: SafeArrayPutElement would copy the reference, which is what we want.
    ASSERT_EQ(SafeArrayPutElement(from.get(), &zero, &reference), S_OK);
    SAFEARRAY* typed = nullptr;
    ASSERT_EQ(typedArrayFromVariants(from.get(), VT_BSTR, &typed), S_OK);
    unique_safearray owned(typed);
    EXPECT_EQ(element(typed, 0), L"tenu");
    SysFreeString(held);
}

TEST(ArrayArguments, EmptyArraysOnBothWays) {
    SAFEARRAY* typed = reinterpret_cast<SAFEARRAY*>(0x1);
    EXPECT_EQ(typedArrayFromVariants(nullptr, VT_BSTR, &typed), S_OK);
    EXPECT_EQ(typed, nullptr);
    SAFEARRAYBOUND none{0, 0};
    unique_safearray noElement(SafeArrayCreate(VT_VARIANT, 1, &none));
    ASSERT_EQ(typedArrayFromVariants(noElement.get(), VT_BSTR, &typed), S_OK);
    unique_safearray owned(typed);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->rgsabound[0].cElements, 0u);

    SAFEARRAY* back = nullptr;
    ASSERT_EQ(variantsFromTypedArray(nullptr, &back), S_OK);
    unique_safearray backOwned(back);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rgsabound[0].cElements, 0u);
}

TEST(ArrayArguments, TypedArraysComeBackAsVariantsWithTheirBoundsInTwoDimensions) {
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, -1}};
    unique_safearray typed(SafeArrayCreate(VT_BSTR, 2, bounds));
    for (LONG i = 1; i <= 2; ++i) {
        for (LONG j = -1; j <= 1; ++j) {
            LONG index[2] = {i, j};
            std::wstring value = std::to_wstring(i) + L"," + std::to_wstring(j);
            tolvare::unique_bstr s(SysAllocString(value.c_str()));
            SafeArrayPutElement(typed.get(), index, s.get());
        }
    }
    SAFEARRAY* back = nullptr;
    ASSERT_EQ(variantsFromTypedArray(typed.get(), &back), S_OK);
    unique_safearray owned(back);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(back, 2, &lower);
    SafeArrayGetUBound(back, 2, &upper);
    EXPECT_EQ(lower, -1);
    EXPECT_EQ(upper, 1);
    LONG index[2] = {2, 0};
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(SafeArrayGetElement(back, index, &v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&v), L"2,0");
    VariantClear(&v);
    // And into texts again, element for element.
    SAFEARRAY* again = nullptr;
    ASSERT_EQ(typedArrayFromVariants(back, VT_BSTR, &again), S_OK);
    unique_safearray againOwned(again);
    BSTR s = nullptr;
    LONG other[2] = {1, -1};
    ASSERT_EQ(SafeArrayGetElement(again, other, &s), S_OK);
    EXPECT_STREQ(s, L"1,-1");
    SysFreeString(s);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST(ArrayArguments, AFixedArrayStaysFixed) {
    unique_safearray from = variants({text(L"a")});
    from.get()->fFeatures |= FADF_FIXEDSIZE;
    SAFEARRAY* typed = nullptr;
    ASSERT_EQ(typedArrayFromVariants(from.get(), VT_BSTR, &typed), S_OK);
    unique_safearray owned(typed);
    EXPECT_TRUE(typed->fFeatures & FADF_FIXEDSIZE);
    SAFEARRAYBOUND bigger{3, 0};
    EXPECT_TRUE(FAILED(SafeArrayRedim(typed, &bigger)));
}

}  // namespace
}  // namespace korvel
