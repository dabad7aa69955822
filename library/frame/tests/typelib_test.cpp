// The embedded type library against the published contract: types in order, flags, members
// with their dispatch identifiers and kinds, names (accents included), help strings, records.

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "class_test_support.h"
#include "expected_members.h"

namespace korvel_test {

namespace {
const ExpectedMember kExpected[] = {
#include "typelib_expected.inc"
};
const wchar_t* const kClasses[] = {L"Cls_InitREG", L"Cls_Windows", L"Cls_Traduction", L"Cls_Internet",
                                   L"Cls_Date",    L"Cls_SQL",     L"Cls_Cryptage",   L"Cls_Conversion",
                                   L"Cls_Multimedia", L"Cls_Math", L"Cls_SourisClv"};
}  // namespace

std::span<const ExpectedMember> expectedMembers() { return kExpected; }
std::span<const wchar_t* const> classNames() { return kClasses; }

}  // namespace korvel_test

using namespace korvel_test;

namespace {

com_ptr<ITypeLib> embeddedLibrary() {
    com_ptr<ITypeLib> library;
    LoadTypeLibEx(besideTestProgram(L"KORVEL.dll").c_str(), REGKIND_NONE, library.put());
    return library;
}

std::wstring nameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    unique_bstr name;
    info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
    return name.get() ? name.get() : L"";
}

std::wstring helpOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    unique_bstr help;
    info->GetDocumentation(id, nullptr, help.put(), nullptr, nullptr);
    return help.get() ? help.get() : L"";
}


com_ptr<ITypeInfo> vtableView(ITypeInfo* dispatchView) {
    HREFTYPE reference = 0;
    com_ptr<ITypeInfo> view;
    if (SUCCEEDED(dispatchView->GetRefTypeOfImplType(-1, &reference))) dispatchView->GetRefTypeInfo(reference, view.put());
    return view;
}

TEST(TypeLibrary, LibraryAttributes) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_BRASKEDLL));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attr);
    unique_bstr name, help, helpFile;
    ASSERT_EQ(library->GetDocumentation(-1, name.put(), help.put(), nullptr, helpFile.put()), S_OK);
    EXPECT_STREQ(name.get(), L"BRASKEDLL");
    EXPECT_STREQ(help.get(), L"BRASKE..INI REG WINDOWS WAIT");
    EXPECT_EQ(helpFile.get(), nullptr);
}

// An object browser shows one line for every member: none is without its help string.
TEST(TypeLibrary, EveryMemberHasItsHelpString) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    std::size_t members = 0;
    for (UINT c = 0; c < 11; ++c) {
        com_ptr<ITypeInfo> iface;
        ASSERT_EQ(library->GetTypeInfo(2 * c, iface.put()), S_OK);
        com_ptr<ITypeInfo> view = vtableView(iface.get());
        ASSERT_TRUE(view);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(view->GetTypeAttr(&attr), S_OK);
        const WORD functions = attr->cFuncs;
        view->ReleaseTypeAttr(attr);
        for (UINT f = 0; f < functions; ++f) {
            FUNCDESC* function = nullptr;
            ASSERT_EQ(view->GetFuncDesc(f, &function), S_OK);
            const MEMBERID id = function->memid;
            view->ReleaseFuncDesc(function);
            EXPECT_FALSE(helpOf(view.get(), id).empty()) << kClasses[c] << L"." << nameOf(view.get(), id);
            ++members;
        }
    }
    EXPECT_EQ(members, 155u);
}

TEST(TypeLibrary, EachClassFollowsItsInterfaceAndTheRecordsCloseTheLibrary) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    ASSERT_EQ(library->GetTypeInfoCount(), 27u);
    for (UINT c = 0; c < 11; ++c) {
        SCOPED_TRACE(kClasses[c]);
        com_ptr<ITypeInfo> iface, coclass;
        ASSERT_EQ(library->GetTypeInfo(2 * c, iface.put()), S_OK);
        ASSERT_EQ(library->GetTypeInfo(2 * c + 1, coclass.put()), S_OK);
        EXPECT_EQ(nameOf(iface.get()), std::wstring(L"_") + kClasses[c]);
        EXPECT_EQ(nameOf(coclass.get()), kClasses[c]);

        TYPEATTR* attr = nullptr;
        ASSERT_EQ(iface->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);  // the dispatch view of a dual interface
        const WORD flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
        EXPECT_EQ(attr->wTypeFlags & flags, flags);
        iface->ReleaseTypeAttr(attr);
        com_ptr<ITypeInfo> view = vtableView(iface.get());
        ASSERT_TRUE(view);
        ASSERT_EQ(view->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr->wTypeFlags & (flags | TYPEFLAG_FOLEAUTOMATION), flags | TYPEFLAG_FOLEAUTOMATION);
        view->ReleaseTypeAttr(attr);

        ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
        EXPECT_EQ(attr->cImplTypes, 1);
        coclass->ReleaseTypeAttr(attr);
        INT implFlags = 0;
        coclass->GetImplTypeFlags(0, &implFlags);
        EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
        EXPECT_EQ(helpOf(iface.get()), helpOf(coclass.get()));
    }
    const wchar_t* records[] = {L"BROWSEINFO", L"POINTAPI", L"SHITEMID", L"ITEMIDLIST", L"SHFILEOPSTRUCT"};
    for (UINT r = 0; r < 5; ++r) {
        com_ptr<ITypeInfo> record;
        ASSERT_EQ(library->GetTypeInfo(22 + r, record.put()), S_OK);
        EXPECT_EQ(nameOf(record.get()), records[r]);
        EXPECT_EQ(helpOf(record.get()), L"Affichage des objets du panneau de controle Windows, Wait...");
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(record->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_RECORD);
        record->ReleaseTypeAttr(attr);
    }
}

TEST(TypeLibrary, EveryMemberInBindingOrderWithItsDispatchIdentifierAndKind) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    std::map<std::wstring, std::vector<const ExpectedMember*>> expected;
    for (const auto& m : kExpected) expected[m.interfaceName].push_back(&m);
    ASSERT_EQ(expected.size(), 11u);

    for (UINT c = 0; c < 11; ++c) {
        com_ptr<ITypeInfo> iface;
        ASSERT_EQ(library->GetTypeInfo(2 * c, iface.put()), S_OK);
        com_ptr<ITypeInfo> view = vtableView(iface.get());
        ASSERT_TRUE(view);
        const auto& members = expected[nameOf(iface.get())];
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(view->GetTypeAttr(&attr), S_OK);
        ASSERT_EQ(attr->cFuncs, members.size()) << nameOf(iface.get());
        EXPECT_EQ(attr->cbSizeVft, (7 + members.size()) * sizeof(void*));
        view->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < members.size(); ++i) {
            FUNCDESC* func = nullptr;
            ASSERT_EQ(view->GetFuncDesc(i, &func), S_OK);
            const ExpectedMember& m = *members[i];
            SCOPED_TRACE(std::wstring(m.interfaceName) + L"." + m.member);
            int parameters = func->cParams;
            if (parameters > 0 && (func->lprgelemdescParam[parameters - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
                --parameters;
            EXPECT_EQ(nameOf(view.get(), func->memid), m.member);
            EXPECT_EQ(func->memid, m.id);
            EXPECT_EQ(func->invkind, m.kind);
            EXPECT_EQ(parameters, m.parameters);
            // Binding order: the member's place in the table is its place in the list.
            EXPECT_EQ(func->oVft, SHORT((7 + i) * sizeof(void*)));
            view->ReleaseFuncDesc(func);
        }
    }
}

TEST(TypeLibrary, AccentedParameterNamesAndMultiLineHelpStrings) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    com_ptr<ITypeInfo> initReg;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Cls_InitREG, initReg.put()), S_OK);
    BSTR names[6] = {};
    UINT count = 0;
    ASSERT_EQ(initReg->GetNames(0x60030001, names, 6, &count), S_OK);
    ASSERT_GE(count, 5u);
    EXPECT_STREQ(names[0], L"IniLire");
    EXPECT_STREQ(names[3], L"strChaîneDéf");
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    ASSERT_EQ(initReg->GetNames(0x60030000, names, 6, &count), S_OK);
    EXPECT_STREQ(names[3], L"strChaîneAEcrire");
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    EXPECT_EQ(helpOf(initReg.get()),
              L"Ecrire/Lire dans le Registre, dans les fichiers INI, obtenir les répertoires Windows\\System");
    // A named argument finds its accented parameter.
    LPOLESTR lookup[2] = {const_cast<LPOLESTR>(L"IniLire"), const_cast<LPOLESTR>(L"strChaîneDéf")};
    MEMBERID ids[2] = {};
    ASSERT_EQ(initReg->GetIDsOfNames(lookup, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 0x60030001);
    EXPECT_EQ(ids[1], 2);

    com_ptr<ITypeInfo> windows;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Cls_Windows, windows.put()), S_OK);
    std::wstring help = helpOf(windows.get(), 0x60030025);  // GET_NomFichier
    EXPECT_EQ(help.rfind(L"Renvoie différentes partie du chemin donné\r\n       FN_DRIVE = 1", 0), 0u) << help;
    EXPECT_EQ(help.find(L'\x7f'), std::wstring::npos);
}

TEST(TypeLibrary, OptionalParametersCarryNoDefault) {
    com_ptr<ITypeLib> library = embeddedLibrary();
    ASSERT_TRUE(library);
    com_ptr<ITypeInfo> windows;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Cls_Windows, windows.put()), S_OK);
    com_ptr<ITypeInfo> view = vtableView(windows.get());
    ASSERT_TRUE(view);
    com_ptr<ITypeInfo2> view2;
    ASSERT_EQ(view.query(view2), S_OK);
    UINT index = 0;
    ASSERT_EQ(view2->GetFuncIndexOfMemId(0x60030021, INVOKE_FUNC, &index), S_OK);  // LancerActiverApplication
    FUNCDESC* func = nullptr;
    ASSERT_EQ(view->GetFuncDesc(index, &func), S_OK);
    USHORT second = func->lprgelemdescParam[1].paramdesc.wParamFlags;
    EXPECT_TRUE(second & PARAMFLAG_FOPT);
    EXPECT_FALSE(second & PARAMFLAG_FHASDEFAULT);
    EXPECT_EQ(func->lprgelemdescParam[1].tdesc.vt, VT_PTR);
    EXPECT_EQ(func->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_BSTR);
    view->ReleaseFuncDesc(func);
}

TEST(TypeLibrary, RegisteredLibraryIsTheEmbeddedOne) {
    com_ptr<ITypeLib> registered;
    ASSERT_EQ(LoadRegTypeLib(LIBID_BRASKEDLL, 1, 0, LOCALE_NEUTRAL, registered.put()), S_OK);
    EXPECT_EQ(registered->GetTypeInfoCount(), 27u);
}

}  // namespace
