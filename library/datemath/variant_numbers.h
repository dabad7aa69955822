// Numbers out of the variants that the date and angle members take, converted as the
// automation rules convert them; a failed conversion is the caller's run-time error.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace korvel {

// The variant (or the variable it refers to) as a double: run-time error 13 when it holds no
// number (Null, an object, an array, a text that is not one), 6 when it overflows.
double doubleOf(const VARIANT& value);
// The same as a 16-bit whole number, rounded as the rules round.
short shortOf(const VARIANT& value);

// Stores a double into the caller's variable, through a reference when it holds one.
void storeDouble(VARIANT& variable, double value);

}  // namespace korvel
