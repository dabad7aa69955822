// Array parameters for script clients. A script holds every array as an array of variants; a
// member takes an array of one type (SAFEARRAY(BSTR)). The dispatch layer converts the one into
// the other for the call and the member's array back for the caller's variable, for every
// array parameter of every class.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace korvel {

// An array of `element` values from an array of variants: same dimensions and bounds, each
// element of exactly that type (also through a reference) or empty, which gives the empty value
// of the type (a null text). Anything else in it is DISP_E_TYPEMISMATCH: a number is not
// silently taken for a text. A null array, or one without dimensions, gives a null array. A
// fixed-size array gives a fixed-size one.
HRESULT typedArrayFromVariants(SAFEARRAY* variants, VARTYPE element, SAFEARRAY** typed);

// An array of variants holding the elements of `typed` (each of its type), with its dimensions
// and bounds: what a script's variable receives back. A null array gives an array of no
// element.
HRESULT variantsFromTypedArray(SAFEARRAY* typed, SAFEARRAY** variants);

}  // namespace korvel
