// Cls_Conversion through the real library: the numbers in words early-bound and by name, the
// typed-number cleaning with its message box answered as a user would, OEM to ANSI through the
// platform.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/win32/testing/message_box_watcher.h"
#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        conversion = createByClassId<_Cls_Conversion>(CLSID_Cls_Conversion);
        ASSERT_TRUE(conversion);
    }
    void names(const wchar_t* unit, const wchar_t* hundredth) {
        unique_bstr u(SysAllocString(unit)), h(SysAllocString(hundredth));
        BSTR uu = u.get(), hh = h.get();
        ASSERT_EQ(conversion->put_IntituleMonnaie(&uu), S_OK);
        ASSERT_EQ(conversion->put_IntitulePetiteMonnaie(&hh), S_OK);
    }
    // The words, or "failed <run-time error>".
    std::wstring words(double x, VARIANT_BOOL amount = VARIANT_FALSE) {
        double number = x;
        VARIANT_BOOL flag = amount;
        BSTR result = reinterpret_cast<BSTR>(0xdeadbeef);
        HRESULT hr = conversion->ConvertirNombreEnLettre(&number, &flag, &result);
        EXPECT_TRUE(number == x || (std::isnan(number) && std::isnan(x)));
        if (FAILED(hr)) {
            EXPECT_EQ(result, nullptr);
            return L"failed " + std::to_wstring(hr & 0xFFFF);
        }
        unique_bstr owned(result);
        return str(result);
    }
    std::wstring cleaned(const std::wstring& typed) {
        unique_bstr variable(SysAllocStringLen(typed.data(), UINT(typed.size())));
        BSTR v = variable.get();
        unique_bstr result;
        EXPECT_EQ(conversion->Ctrl_SaiseNombre(&v, result.put()), S_OK);
        EXPECT_EQ(str(v), typed);
        return str(result.get());
    }

    com_ptr<_Cls_Conversion> conversion;
};

TEST_F(Conversion, NumbersInWords) {
    EXPECT_EQ(words(0), L"zéro");
    EXPECT_EQ(words(71), L"soixante et onze");
    EXPECT_EQ(words(80), L"quatre-vingts");
    EXPECT_EQ(words(200000), L"deux cents mille");
    EXPECT_EQ(words(1001000), L"un million  mille");
    EXPECT_EQ(words(999999999999), L"neuf cent quatre-vingt-dix-neuf milliards neuf cent quatre-vingt-dix-neuf "
                                   L"millions neuf cent quatre-vingt-dix-neuf mille neuf cent quatre-vingt-dix-neuf");
    EXPECT_EQ(words(12.5), L"douze et cinquante ");
    EXPECT_EQ(words(2.07), L"deux et sept ");
}

TEST_F(Conversion, AmountsTakeTheObjectsNames) {
    names(L"euro", L"centime");
    EXPECT_EQ(words(0, VARIANT_TRUE), L"zéro euro");
    EXPECT_EQ(words(1.01, VARIANT_TRUE), L"un euro et un centime");
    EXPECT_EQ(words(2.5, VARIANT_TRUE), L"deux euros et cinquante centimes");
    EXPECT_EQ(words(1000000, VARIANT_TRUE), L"un million euros");
    // Only the Boolean true value asks for the names.
    EXPECT_EQ(words(2.5, 1), L"deux et cinquante ");
    unique_bstr unit, hundredth;
    ASSERT_EQ(conversion->get_IntituleMonnaie(unit.put()), S_OK);
    ASSERT_EQ(conversion->get_IntitulePetiteMonnaie(hundredth.put()), S_OK);
    EXPECT_EQ(str(unit.get()), L"euro");
    EXPECT_EQ(str(hundredth.get()), L"centime");
    // Each object keeps its own names, empty at first.
    com_ptr<_Cls_Conversion> other = createByClassId<_Cls_Conversion>(CLSID_Cls_Conversion);
    ASSERT_EQ(other->get_IntituleMonnaie(unit.put()), S_OK);
    EXPECT_EQ(str(unit.get()), L"");
    double number = 2.5;
    VARIANT_BOOL flag = VARIANT_TRUE;
    unique_bstr result;
    ASSERT_EQ(other->ConvertirNombreEnLettre(&number, &flag, result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"deux s et cinquante s");
}

TEST_F(Conversion, HundredthsThatRoundToAHundredCarry) {
    names(L"euro", L"centime");
    EXPECT_EQ(words(2.996), L"trois");
    EXPECT_EQ(words(19.9999999, VARIANT_TRUE), L"vingt euros");
}

TEST_F(Conversion, NumbersOutsideTheDomainFailCleanly) {
    EXPECT_EQ(words(-1), L"failed 5");
    EXPECT_EQ(words(1e12), L"failed 6");
    EXPECT_EQ(words(1e300), L"failed 6");
    EXPECT_EQ(words(std::numeric_limits<double>::infinity()), L"failed 6");
    EXPECT_EQ(words(std::numeric_limits<double>::quiet_NaN()).substr(0, 6), L"failed");
    // The error object says so.
    com_ptr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    unique_bstr description;
    info->GetDescription(description.put());
    EXPECT_FALSE(str(description.get()).empty());
}

TEST_F(Conversion, TypedNumbersAreCleaned) {
    EXPECT_EQ(cleaned(L" 1 234,50 "), L"1234,50");
    EXPECT_EQ(cleaned(L"-12"), L"-12");
    EXPECT_EQ(cleaned(L""), L"");
}

TEST_F(Conversion, AForbiddenCharacterIsToldInAMessageBox) {
    for (const std::wstring& typed : {std::wstring(L"12-3"), std::wstring(L"12a"),
                                     std::wstring(40000, L'5') + L"x"}) {  // past 16-bit positions
        tolvare::testing::MessageBoxWatcher user(L"Erreur");
        EXPECT_EQ(cleaned(typed), L"");
        ASSERT_TRUE(user.wait());
        EXPECT_EQ(user.seen().text,
                  L"Vous ne pouvez saisir que des chiffres, si vous voulez que la conversion fonctionne.");
        EXPECT_TRUE(user.seen().hasIcon);
    }
    // A long text of digits passes whole.
    std::wstring digits(40000, L'5');
    EXPECT_EQ(cleaned(L" " + digits), digits);
}

TEST_F(Conversion, OemTextBecomesAnsiText) {
    // The ANSI text whose bytes read, in the OEM code page, as the expected text.
    const std::wstring source = L"caf\u201A na\u2039ve";
    char bytes[64] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, source.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    ASSERT_GT(n, 0);
    wchar_t expected[64] = {};
    MultiByteToWideChar(CP_OEMCP, 0, bytes, -1, expected, 64);

    auto convert = [&](const std::wstring& target, std::wstring& after) {
        unique_bstr one(SysAllocString(source.c_str())), two(SysAllocStringLen(target.data(), UINT(target.size())));
        BSTR a = one.release(), b = two.release();
        short result = 7;
        EXPECT_EQ(conversion->ConvertirOemAnsi(&a, &b, &result), S_OK);
        EXPECT_EQ(str(a), source);
        after = str(b);
        SysFreeString(a);
        SysFreeString(b);
        return result;
    };
    std::wstring after;
    EXPECT_EQ(convert(std::wstring(source.size() + 3, L'*'), after), 1);
    EXPECT_EQ(after.substr(0, source.size()), std::wstring(expected));
    EXPECT_EQ(after.substr(source.size()), std::wstring(L"\0**", 3));
    EXPECT_EQ(std::wstring(expected).substr(0, 4), L"café");
    // A target shorter than the source gets the whole text rather than memory overwritten.
    EXPECT_EQ(convert(L"ab", after), 1);
    EXPECT_EQ(after, std::wstring(expected));
}

TEST_F(Conversion, LateBoundAsScriptsCallIt) {
    com_ptr<IDispatch> object = createByName(L"BRASKEDLL.Cls_Conversion");
    ASSERT_TRUE(object);
    VARIANT unit = text(L"franc");
    CallResult put;
    invoke(put, object.get(), L"IntituleMonnaie", {unit}, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(put.status, S_OK);
    unique_variant number, flag;
    V_VT(number.get()) = VT_I4;  // a script's whole number for the double parameter
    V_I4(number.get()) = 2;
    V_VT(flag.get()) = VT_BOOL;
    V_BOOL(flag.get()) = VARIANT_TRUE;
    CallResult r;
    invoke(r, object.get(), L"ConvertirNombreEnLettre", {reference(number.get()), reference(flag.get())});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(korvel_test::textOf(*r.value.get()), L"deux francs");
    unique_variant back;
    ASSERT_EQ(VariantChangeType(back.get(), number.get(), 0, VT_R8), S_OK);
    EXPECT_EQ(V_R8(back.get()), 2.0);
}

}  // namespace
