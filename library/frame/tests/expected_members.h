// The published members of the eleven interfaces, in binding order (typelib_expected.inc).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <span>

namespace korvel_test {

struct ExpectedMember {
    const wchar_t* interfaceName;
    const wchar_t* member;
    MEMBERID id;
    INVOKEKIND kind;
    int parameters;  // without the return value
};

std::span<const ExpectedMember> expectedMembers();

// The eleven class names in type-library order.
std::span<const wchar_t* const> classNames();

}  // namespace korvel_test
