// Late-bound calls as script clients make them: names to dispatch identifiers, variables
// passed by reference and written back, left-out optional parameters, argument checks, and
// failures reaching EXCEPINFO and the error object.

#include <gtest/gtest.h>

#include <algorithm>

#include "class_test_support.h"
#include "common/win32/testing/message_box_watcher.h"
#include "expected_members.h"

using namespace korvel_test;

namespace {

TEST(LateBound, EveryMemberIsNamedWithItsDispatchIdentifier) {
    tolvare::testing::MessageBoxAnswerer answerer;  // Cls_Cryptage greets the user at creation
    for (const wchar_t* name : classNames()) {
        com_ptr<IDispatch> object = createByName((std::wstring(L"BRASKEDLL.") + name).c_str());
        ASSERT_TRUE(object) << name;
        UINT count = 0;
        EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        for (const auto& m : expectedMembers()) {
            if (std::wstring(m.interfaceName) != std::wstring(L"_") + name) continue;
            EXPECT_EQ(dispatchIdOf(object.get(), m.member), m.id) << name << L"." << m.member;
            // In any letter case; a name one letter longer or shorter is no member's.
            std::wstring lower(m.member), upper(m.member);
            for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
            for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
            EXPECT_EQ(dispatchIdOf(object.get(), lower.c_str()), m.id) << lower;
            EXPECT_EQ(dispatchIdOf(object.get(), upper.c_str()), m.id) << upper;
            EXPECT_EQ(dispatchIdOf(object.get(), (std::wstring(m.member) + L"x").c_str()), DISPID_UNKNOWN) << m.member;
            EXPECT_EQ(dispatchIdOf(object.get(), std::wstring(m.member).substr(1).c_str()), DISPID_UNKNOWN) << m.member;
        }
        // Names are found whatever their case, as script languages expect.
        if (std::wstring(name) == L"Cls_InitREG") {
            EXPECT_EQ(dispatchIdOf(object.get(), L"inilire"), 0x60030001);
        }
        EXPECT_EQ(dispatchIdOf(object.get(), L"NoSuchMember"), DISPID_UNKNOWN);
    }
}

TEST(LateBound, ScriptVariablesPassedByReferenceAreConvertedAndWrittenBack) {
    com_ptr<IDispatch> ini = createByName(L"BRASKEDLL.Cls_InitREG");
    ASSERT_TRUE(ini);
    std::wstring file = temporaryFolder() + L"\\vars.ini";
    // As a script holds them: a text, a number (default 30), an empty variable, the file.
    VARIANT section = text(L"PARAM"), key = text(L"DELAI"), fallback = number(30), path = text(file.c_str());
    CallResult r;
    invoke(r, ini.get(), L"IniLire", {reference(&section), reference(&key), reference(&fallback), reference(&path)});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(textOf(*r.value.get()), L"30");
    // The number went to the member as text and came back as text, as a by-reference
    // text parameter does for a script's variable.
    EXPECT_EQ(V_VT(&fallback), VT_BSTR);
    EXPECT_EQ(textOf(fallback), L"30");
    EXPECT_EQ(textOf(section), L"PARAM");
    for (VARIANT* v : {&section, &key, &fallback, &path}) VariantClear(v);
}

TEST(LateBound, EarlyAndLateBoundCallsAgree) {
    std::wstring file = temporaryFolder() + L"\\agree.ini";
    WritePrivateProfileStringW(L"PARAM", L"URL", L"http://127.0.0.1/lstplenar.txt", file.c_str());
    com_ptr<_Cls_InitREG> early = createByClassId<_Cls_InitREG>(CLSID_Cls_InitREG);
    ASSERT_TRUE(early);
    unique_bstr s(SysAllocString(L"PARAM")), k(SysAllocString(L"URL")), d(SysAllocString(L"")),
        f(SysAllocString(file.c_str())), value;
    BSTR sb = s.release(), kb = k.release(), db = d.release(), fb = f.release();
    ASSERT_EQ(early->IniLire(&sb, &kb, &db, &fb, value.put()), S_OK);
    for (BSTR b : {sb, kb, db, fb}) SysFreeString(b);

    com_ptr<IDispatch> late;
    ASSERT_EQ(early.query(late), S_OK);
    CallResult r;
    invoke(r, late.get(), L"IniLire", {text(L"PARAM"), text(L"URL"), text(L""), text(file.c_str())});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(textOf(*r.value.get()), value.get());
    EXPECT_STREQ(value.get(), L"http://127.0.0.1/lstplenar.txt");
}

TEST(LateBound, ArgumentCountsAndOptionalParameters) {
    com_ptr<IDispatch> windows = createByName(L"BRASKEDLL.Cls_Windows");
    ASSERT_TRUE(windows);
    // LancerActiverApplication(strTitreAppli, [strCheminAppli]): the optional one left out
    // reaches the member as an empty text (no window of that title and no program: 0), a
    // required one does not.
    CallResult leftOut, missing, extra;
    invoke(leftOut, windows.get(), L"LancerActiverApplication", {text(L"Bloc-notes")});
    ASSERT_EQ(leftOut.status, S_OK);
    EXPECT_EQ(V_VT(leftOut.value.get()), VT_I2);
    EXPECT_EQ(V_I2(leftOut.value.get()), 0);
    invoke(missing, windows.get(), L"LancerActiverApplication", {});
    EXPECT_EQ(missing.status, DISP_E_BADPARAMCOUNT);
    invoke(extra, windows.get(), L"LancerActiverApplication", {text(L"a"), text(L"b"), text(L"c")});
    EXPECT_EQ(extra.status, DISP_E_BADPARAMCOUNT);

    // A left-out optional argument can also be passed as the "missing" error value.
    VARIANT absent;
    VariantInit(&absent);
    V_VT(&absent) = VT_ERROR;
    V_ERROR(&absent) = DISP_E_PARAMNOTFOUND;
    CallResult marked;
    invoke(marked, windows.get(), L"LancerActiverApplication", {text(L"Bloc-notes"), absent});
    ASSERT_EQ(marked.status, S_OK);
    EXPECT_EQ(V_I2(marked.value.get()), 0);
}

TEST(LateBound, NamedArgumentsFindTheirParameters) {
    com_ptr<IDispatch> ini = createByName(L"BRASKEDLL.Cls_InitREG");
    ASSERT_TRUE(ini);
    std::wstring file = temporaryFolder() + L"\\named.ini";
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"IniLire"), const_cast<LPOLESTR>(L"strFich"),
                        const_cast<LPOLESTR>(L"strChaîneDéf")};
    DISPID ids[3] = {};
    ASSERT_EQ(ini->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
    // Two positional arguments, then strFich and strChaîneDéf by name, in reverse order.
    VARIANT args[4] = {text(L"défaut"), text(file.c_str()), text(L"CLE"), text(L"SECTION")};
    DISPID named[2] = {ids[2], ids[1]};
    DISPPARAMS params{args, named, 4, 2};
    unique_variant result;
    ASSERT_EQ(ini->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr,
                          nullptr), S_OK);
    EXPECT_EQ(textOf(*result.get()), L"défaut");
    for (VARIANT& v : args) VariantClear(&v);
}

TEST(LateBound, FailuresReachExcepInfoAndTheErrorObject) {
    com_ptr<IDispatch> windows = createByName(L"BRASKEDLL.Cls_Windows");
    ASSERT_TRUE(windows);
    SetErrorInfo(0, nullptr);
    // GET_NomFichier of a path with more than twenty backslashes: run-time error 9.
    const std::wstring deep = L"C:" + std::wstring(21, L'\\');
    CallResult r;
    invoke(r, windows.get(), L"GET_NomFichier", {text(deep.c_str()), number(4)});
    ASSERT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, HRESULT(0x800A0009));
    EXPECT_STREQ(r.exception.bstrSource, L"TOLVARE");
    EXPECT_STREQ(r.exception.bstrDescription, L"L'indice n'appartient pas à la sélection");
    // Clients that ask the thread rather than EXCEPINFO find the same error.
    com_ptr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    unique_bstr source;
    info->GetSource(source.put());
    EXPECT_STREQ(source.get(), L"TOLVARE");

    // Early-bound, the status and the error object.
    com_ptr<_Cls_Windows> early;
    ASSERT_EQ(windows.query(early), S_OK);
    BSTR path = SysAllocString(deep.c_str());
    short part = 4;
    unique_bstr result;
    EXPECT_EQ(early->GET_NomFichier(&path, &part, result.put()), HRESULT(0x800A0009));
    SysFreeString(path);
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_TRUE(IsEqualGUID(guid, IID__Cls_Windows));

    CallResult unknown;
    DISPPARAMS none{};
    unknown.status = windows->Invoke(0x6003002E, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    EXPECT_EQ(unknown.status, DISP_E_MEMBERNOTFOUND);  // the gap left by a private routine
}

}  // namespace

namespace {

// Array parameters through a member that takes an array of text by reference and gives the
// caller a new one (Cls_Internet.GetDNSServers).
TEST(LateBound, ArrayParametersTakeAScriptsArrayOfVariantsAndResizeIt) {
    com_ptr<IDispatch> internet = createByName(L"BRASKEDLL.Cls_Internet");
    ASSERT_TRUE(internet);
    auto arrayOf = [](std::initializer_list<VARIANT> values) {
        SAFEARRAYBOUND bound{ULONG(values.size()), 5};
        SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
        LONG i = 5;
        for (VARIANT v : values) {
            SafeArrayPutElement(array, &i, &v);
            ++i;
            VariantClear(&v);
        }
        return array;
    };
    auto elementCount = [](SAFEARRAY* array) { return array && array->cDims == 1 ? array->rgsabound[0].cElements : 0; };

    // Held in a variable as scripts hold it, texts and empty values: replaced by the result.
    VARIANT current = text(L"");
    VARIANT list;
    VariantInit(&list);
    V_VT(&list) = VT_ARRAY | VT_VARIANT;
    VARIANT none;
    VariantInit(&none);
    V_ARRAY(&list) = arrayOf({text(L"a"), none, text(L"c")});
    CallResult r;
    invoke(r, internet.get(), L"GetDNSServers", {reference(&current), reference(&list)});
    ASSERT_EQ(r.status, S_OK);
    ASSERT_EQ(V_VT(&list), VT_ARRAY | VT_VARIANT);
    LONG lower = -1;
    SafeArrayGetLBound(V_ARRAY(&list), 1, &lower);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(elementCount(V_ARRAY(&list)), ULONG(std::max<LONG>(V_I4(r.value.get()), 1)));
    VariantClear(&list);

    // A number among the texts: a type mismatch on that argument, the variable untouched.
    V_VT(&list) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&list) = arrayOf({text(L"a"), number(7)});
    SAFEARRAY* before = V_ARRAY(&list);
    CallResult mismatch;
    invoke(mismatch, internet.get(), L"GetDNSServers", {reference(&current), reference(&list)});
    EXPECT_EQ(mismatch.status, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mismatch.argumentError, 0u);  // the last argument comes first in rgvarg
    EXPECT_EQ(V_ARRAY(&list), before);
    VariantClear(&list);

    // A typed reference to an array of variants (as compiled clients pass one), and an empty
    // variable: both receive the new array.
    SAFEARRAY* array = arrayOf({text(L"x")});
    VARIANT typedReference;
    VariantInit(&typedReference);
    V_VT(&typedReference) = VT_BYREF | VT_ARRAY | VT_VARIANT;
    V_ARRAYREF(&typedReference) = &array;
    CallResult typed;
    invoke(typed, internet.get(), L"GetDNSServers", {reference(&current), typedReference});
    ASSERT_EQ(typed.status, S_OK);
    ASSERT_TRUE(array);
    SafeArrayGetLBound(array, 1, &lower);
    EXPECT_EQ(lower, 0);
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    EXPECT_EQ(type, VT_VARIANT);
    SafeArrayDestroy(array);

    VARIANT nothing;
    VariantInit(&nothing);
    CallResult fromEmpty;
    invoke(fromEmpty, internet.get(), L"GetDNSServers", {reference(&current), reference(&nothing)});
    ASSERT_EQ(fromEmpty.status, S_OK);
    EXPECT_EQ(V_VT(&nothing), VT_ARRAY | VT_VARIANT);
    VariantClear(&nothing);
    VariantClear(&current);
}

}  // namespace
