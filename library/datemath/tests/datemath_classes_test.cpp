// Cls_Date and Cls_Math through the real library: early-bound as compiled clients call them,
// late-bound with variables by reference as scripts pass them.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

DATE dateOf(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0) {
    SYSTEMTIME t{year, month, 0, day, hour, minute, second, 0};
    DATE d = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&t, &d));
    return d;
}

VARIANT real(double value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_R8;
    V_R8(&v) = value;
    return v;
}

class DateMembers : public ::testing::Test {
protected:
    void SetUp() override {
        date = createByClassId<_Cls_Date>(CLSID_Cls_Date);
        ASSERT_TRUE(date);
    }
    DATE easter(long year) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = year;
        DATE result = -1;
        EXPECT_EQ(date->Paques(&v, &result), S_OK) << year;
        EXPECT_EQ(V_I4(&v), year);
        return result;
    }
    com_ptr<_Cls_Date> date;
};

TEST_F(DateMembers, Easter) {
    EXPECT_EQ(easter(2004), dateOf(2004, 4, 11));
    EXPECT_EQ(easter(1954), dateOf(1954, 4, 18));
    EXPECT_EQ(easter(1981), dateOf(1981, 4, 19));
    EXPECT_EQ(easter(2049), dateOf(2049, 4, 18));
    EXPECT_EQ(easter(2076), dateOf(2076, 4, 19));
    // A year that is no 16-bit number, or no number at all, is the caller's run-time error.
    VARIANT v = real(1e9);
    DATE result = 1;
    EXPECT_EQ(date->Paques(&v, &result), HRESULT(0x800A0006));
    EXPECT_EQ(result, 0);
    unique_variant word;
    V_VT(word.get()) = VT_BSTR;
    V_BSTR(word.get()) = SysAllocString(L"deux mille");
    EXPECT_EQ(date->Paques(word.get(), &result), HRESULT(0x800A000D));
    V_VT(&v) = VT_NULL;
    EXPECT_EQ(date->Paques(&v, &result), HRESULT(0x800A000D));
}

TEST_F(DateMembers, DateTextsAndClockTexts) {
    auto swap = [&](bool frToUs, const wchar_t* text) {
        unique_bstr s(SysAllocString(text));
        BSTR b = s.get();
        unique_variant result;
        EXPECT_EQ(frToUs ? date->DateFRtoUS(&b, result.get()) : date->DateUStoFR(&b, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_BSTR);
        return korvel_test::textOf(*result.get());
    };
    EXPECT_EQ(swap(true, L"25/12/2002"), L"12/25/2002");
    EXPECT_EQ(swap(true, L"25/12/02"), L"12/25/02");
    EXPECT_EQ(swap(false, L"12/25/2002"), L"25/12/2002");
    auto clock = [&](LONG seconds) {
        unique_bstr result;
        EXPECT_EQ(date->SecondeEnHeure(seconds, result.put()), S_OK);
        return std::wstring(result.get(), SysStringLen(result.get()));
    };
    EXPECT_EQ(clock(3661), L"01:01:01");
    EXPECT_EQ(clock(0), L"00:00:00");
    EXPECT_EQ(clock(-1), L"0-1:59:59");
    EXPECT_EQ(clock(90000), L"25:00:00");
    LONG seconds = -1;
    EXPECT_EQ(date->HeureEnSeconde(dateOf(2002, 12, 25, 1, 1, 1), &seconds), S_OK);
    EXPECT_EQ(seconds, 3661);
    EXPECT_EQ(date->HeureEnSeconde(1e300, &seconds), HRESULT(0x800A0005));
    EXPECT_EQ(date->HeureEnSeconde(std::numeric_limits<double>::quiet_NaN(), &seconds), HRESULT(0x800A0005));
    EXPECT_EQ(date->Chrono(82800, 3600, &seconds), S_OK);
    EXPECT_EQ(seconds, 7200);
    EXPECT_EQ(date->Chrono(100, 100, &seconds), S_OK);
    EXPECT_EQ(seconds, 0);
    EXPECT_EQ(date->Chrono(INT32_MAX, INT32_MIN, &seconds), HRESULT(0x800A0006));
}

TEST_F(DateMembers, WorkingDays) {
    short days = -1;
    EXPECT_EQ(date->NBJoursOuvrablesParMois(2002, 2, &days), S_OK);
    EXPECT_EQ(days, 20);
    EXPECT_EQ(date->NBJoursOuvrablesParMois(2002, 13, &days), S_OK);  // January 2003
    EXPECT_EQ(days, 23);
    EXPECT_EQ(date->NBJoursOuvrablesParMois(-5, 1, &days), HRESULT(0x800A0005));
    DATE monday = dateOf(2002, 12, 23), saturday = dateOf(2002, 12, 21);
    EXPECT_EQ(date->NBJoursOuvrables(monday, monday + 4, &days), S_OK);
    EXPECT_EQ(days, 5);
    EXPECT_EQ(date->NBJoursOuvrables(saturday, saturday + 1, &days), S_OK);
    EXPECT_EQ(days, 0);
    EXPECT_EQ(date->NBJoursOuvrables(monday + 4, monday, &days), S_OK);
    EXPECT_EQ(days, 0);
    EXPECT_EQ(date->NBJoursOuvrables(monday + 0.75, monday + 0.25, &days), S_OK);
    EXPECT_EQ(days, 0);
    EXPECT_EQ(date->NBJoursOuvrables(dateOf(1900, 1, 1), dateOf(2100, 1, 1), &days), HRESULT(0x800A0006));
    EXPECT_EQ(date->NBJoursOuvrables(-1e9, 0, &days), HRESULT(0x800A0005));
}

TEST_F(DateMembers, LateBoundWithScriptVariables) {
    com_ptr<IDispatch> object = createByName(L"BRASKEDLL.Cls_Date");
    ASSERT_TRUE(object);
    unique_variant year;
    V_VT(year.get()) = VT_BSTR;  // a text that holds a year
    V_BSTR(year.get()) = SysAllocString(L"2004");
    CallResult r;
    invoke(r, object.get(), L"Paques", {reference(year.get())});
    ASSERT_EQ(r.status, S_OK);
    ASSERT_EQ(V_VT(r.value.get()), VT_DATE);
    EXPECT_EQ(V_DATE(r.value.get()), dateOf(2004, 4, 11));
    unique_variant text;
    V_VT(text.get()) = VT_BSTR;
    V_BSTR(text.get()) = SysAllocString(L"25/12/2002");
    CallResult swapped;
    invoke(swapped, object.get(), L"DateFRtoUS", {reference(text.get())});
    ASSERT_EQ(swapped.status, S_OK);
    EXPECT_EQ(korvel_test::textOf(*swapped.value.get()), L"12/25/2002");
    EXPECT_EQ(korvel_test::textOf(*text.get()), L"25/12/2002");
}

class MathMembers : public ::testing::Test {
protected:
    void SetUp() override {
        math = createByClassId<_Cls_Math>(CLSID_Cls_Math);
        ASSERT_TRUE(math);
    }
    double angle(double x, double y, double cx, double cy) {
        VARIANT a = real(x), b = real(y), c = real(cx), d = real(cy);
        unique_variant result;
        EXPECT_EQ(math->AngleTrigo(&a, &b, &c, &d, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_R8);
        return V_R8(result.get());
    }
    com_ptr<_Cls_Math> math;
};

TEST_F(MathMembers, PrincipalMeasureReducesTheCallersVariable) {
    VARIANT a = real(7);
    float result = 0;
    ASSERT_EQ(math->MesurePrincipale(&a, &result), S_OK);
    EXPECT_NEAR(result, 0.72f, 1e-6);
    EXPECT_NEAR(V_R8(&a), 0.72, 1e-12);
    unique_variant whole;
    V_VT(whole.get()) = VT_I2;
    V_I2(whole.get()) = -4;
    ASSERT_EQ(math->MesurePrincipale(whole.get(), &result), S_OK);
    EXPECT_NEAR(result, 2.28f, 1e-6);
    EXPECT_EQ(V_VT(whole.get()), VT_R8);
    a = real(3.14);
    ASSERT_EQ(math->MesurePrincipale(&a, &result), S_OK);
    EXPECT_EQ(result, 3.14f);
    // Angles that repeated subtraction would never bring down still end.
    a = real(1e300);
    ASSERT_EQ(math->MesurePrincipale(&a, &result), S_OK);
    EXPECT_LE(std::fabs(result), 3.14f);
    a = real(std::numeric_limits<double>::infinity());
    EXPECT_EQ(math->MesurePrincipale(&a, &result), HRESULT(0x800A0006));
}

TEST_F(MathMembers, HypotenuseAndScans) {
    VARIANT x1 = real(0), y1 = real(0), x2 = real(3), y2 = real(4);
    unique_variant length;
    ASSERT_EQ(math->Hypothenuse(&x1, &y1, &x2, &y2, length.get()), S_OK);
    EXPECT_EQ(V_VT(length.get()), VT_R8);
    EXPECT_EQ(V_R8(length.get()), 5);
    x2 = real(1e300);
    EXPECT_EQ(math->Hypothenuse(&x1, &y1, &x2, &y2, length.get()), HRESULT(0x800A0006));
    auto scan = [&](bool cosine, double x) {
        VARIANT v = real(x);
        float result = -1;
        EXPECT_EQ(cosine ? math->InverseCosinus(&v, &result) : math->InverseSinus(&v, &result), S_OK);
        return result;
    };
    EXPECT_NEAR(scan(true, 0), 1.57, 1e-6);
    EXPECT_EQ(scan(true, 1), 0);
    EXPECT_EQ(scan(true, -1), 0);
    EXPECT_EQ(scan(false, -1), 0);
    EXPECT_NEAR(scan(false, -0.5), 3.67, 0.01);
}

TEST_F(MathMembers, DirectionAngles) {
    EXPECT_NEAR(angle(1, 1, 0, 0), 0.785, 0.001);
    EXPECT_EQ(angle(1, 0, 0, 0), 0);
    EXPECT_NEAR(angle(0, -1, 0, 0), -0.785, 0.001);
    EXPECT_EQ(angle(-1, 0, 0, 0), 0);
    VARIANT a = real(2), b = real(2);
    unique_variant result;
    EXPECT_EQ(math->AngleTrigo(&a, &b, &a, &b, result.get()), HRESULT(0x800A0006));
}

TEST_F(MathMembers, LateBoundWritesTheReductionBack) {
    com_ptr<IDispatch> object = createByName(L"BRASKEDLL.Cls_Math");
    ASSERT_TRUE(object);
    unique_variant angleVariable;
    V_VT(angleVariable.get()) = VT_I4;
    V_I4(angleVariable.get()) = 7;
    CallResult r;
    invoke(r, object.get(), L"MesurePrincipale", {reference(angleVariable.get())});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_R4);
    EXPECT_NEAR(V_R8(angleVariable.get()), 0.72, 1e-12);
    unique_variant x, y, cx, cy;
    for (auto* v : {&x, &y, &cx, &cy}) V_VT(v->get()) = VT_I4;
    V_I4(x.get()) = 1;
    V_I4(y.get()) = 1;
    CallResult angle;
    invoke(angle, object.get(), L"AngleTrigo",
           {reference(x.get()), reference(y.get()), reference(cx.get()), reference(cy.get())});
    ASSERT_EQ(angle.status, S_OK);
    EXPECT_NEAR(V_R8(angle.value.get()), 0.785, 0.001);
    unique_variant word;
    V_VT(word.get()) = VT_BSTR;
    V_BSTR(word.get()) = SysAllocString(L"sept");
    CallResult bad;
    invoke(bad, object.get(), L"MesurePrincipale", {reference(word.get())});
    EXPECT_EQ(bad.status, DISP_E_EXCEPTION);
    EXPECT_EQ(bad.exception.scode, HRESULT(0x800A000D));
}

}  // namespace
