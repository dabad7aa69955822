// Cls_Traduction through the real library and Wine's profile files and scripting runtime: a
// window's texts saved and loaded back with a stand-in window object, message files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/frame/tests/class_test_support.h"
#include "library/text/tests/stand_in_window.h"

using namespace korvel_test;
using tolvare::unique_safearray;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[2048];
    DWORD n = GetPrivateProfileStringW(section, key, L"<missing>", buffer, 2048, file.c_str());
    return std::wstring(buffer, n);
}

// frmMain "Principal" with a button cmdOk, a label without caption lblVide, the second element
// of the label group lblInfo, and a text box txtNom without a Caption.
struct StandInWindow {
    StandInWindow() {
        cmdOk = StandInObject::make();
        cmdOk->text(L"Name", L"cmdOk").failing(L"Index", 343).text(L"Caption", L"OK").text(L"ToolTipText", L"Valider");
        lblVide = StandInObject::make();
        lblVide->text(L"Name", L"lblVide").failing(L"Index", 343).text(L"Caption", L"");
        lblInfo = StandInObject::make();
        lblInfo->text(L"Name", L"lblInfo").number(L"Index", 1).text(L"Caption", L"Information");
        txtNom = StandInObject::make();
        txtNom->text(L"Name", L"txtNom").failing(L"Index", 343).text(L"Text", L"Dupont").failing(L"Caption", 438);
        controls = StandInObject::make();
        controls->element(cmdOk.get()).element(lblVide.get()).element(lblInfo.get()).element(txtNom.get());
        window = StandInObject::make();
        window->text(L"Name", L"frmMain").text(L"Caption", L"Principal").object(L"Controls", controls.get());
    }
    com_ptr<StandInObject> window, controls, cmdOk, lblVide, lblInfo, txtNom;
};

class Traduction : public ::testing::Test {
protected:
    void SetUp() override {
        traduction = createByClassId<_Cls_Traduction>(CLSID_Cls_Traduction);
        ASSERT_TRUE(traduction);
        folder = temporaryFolder();
    }
    std::wstring save(IDispatch* window, const std::wstring& file) {
        unique_bstr name(SysAllocString(file.c_str()));
        BSTR f = name.get();
        IDispatch* w = window;
        unique_variant result;
        EXPECT_EQ(traduction->Sauver_LangueFeuille(&w, &f, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_BSTR);
        return korvel_test::textOf(*result.get());
    }
    std::wstring load(IDispatch* window, const std::wstring& file) {
        unique_bstr name(SysAllocString(file.c_str()));
        BSTR f = name.get();
        IDispatch* w = window;
        unique_variant result;
        EXPECT_EQ(traduction->Charger_LangueFeuille(&w, &f, result.get()), S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_BSTR);
        return korvel_test::textOf(*result.get());
    }
    std::wstring message(const std::wstring& file, short number) {
        unique_bstr name(SysAllocString(file.c_str()));
        unique_bstr result;
        EXPECT_EQ(traduction->Charger_LeMessage(name.get(), &number, result.put()), S_OK);
        return str(result.get());
    }

    com_ptr<_Cls_Traduction> traduction;
    std::wstring folder;
};

TEST_F(Traduction, AWindowsTextsGoToItsSectionAndComeBack) {
    StandInWindow form;
    std::wstring file = folder + L"\\langue\\fr.ini";  // one missing level is made
    EXPECT_EQ(save(form.window.get(), file), L"");
    EXPECT_EQ(profileValue(file, L"frmMain", L"frmMain.Caption"), L"Principal");
    EXPECT_EQ(profileValue(file, L"frmMain", L"cmdOk.Caption"), L"OK");
    EXPECT_EQ(profileValue(file, L"frmMain", L"cmdOk.ToolTipText"), L"Valider");
    EXPECT_EQ(profileValue(file, L"frmMain", L"lblInfo(1).Caption"), L"Information");
    EXPECT_EQ(profileValue(file, L"frmMain", L"txtNom.Text"), L"Dupont");
    // Empty texts and missing properties write nothing.
    EXPECT_EQ(profileValue(file, L"frmMain", L"lblVide.Caption"), L"<missing>");
    EXPECT_EQ(profileValue(file, L"frmMain", L"cmdOk.Text"), L"<missing>");
    EXPECT_EQ(profileValue(file, L"frmMain", L"txtNom.Caption"), L"<missing>");

    // The translated file goes back into the window; missing keys leave texts alone and an
    // empty value empties the text.
    WritePrivateProfileStringW(L"frmMain", L"frmMain.Caption", L"Main", file.c_str());
    WritePrivateProfileStringW(L"frmMain", L"cmdOk.Caption", L"Yes", file.c_str());
    WritePrivateProfileStringW(L"frmMain", L"cmdOk.ToolTipText", L"", file.c_str());
    WritePrivateProfileStringW(L"frmMain", L"lblInfo(1).Caption", L"Information (EN)", file.c_str());
    WritePrivateProfileStringW(L"frmMain", L"txtNom.Text", nullptr, file.c_str());
    form.lblVide->text(L"Caption", L"");
    EXPECT_EQ(load(form.window.get(), file), L"");
    EXPECT_EQ(form.window->textOf(L"Caption"), L"Main");
    EXPECT_EQ(form.cmdOk->textOf(L"Caption"), L"Yes");
    EXPECT_EQ(form.cmdOk->textOf(L"ToolTipText"), L"");
    EXPECT_EQ(form.lblInfo->textOf(L"Caption"), L"Information (EN)");
    EXPECT_EQ(form.txtNom->textOf(L"Text"), L"Dupont");
    EXPECT_EQ(form.lblVide->textOf(L"Caption"), L"");
}

TEST_F(Traduction, MissingFoldersAndFilesAreToldInTheResult) {
    StandInWindow form;
    std::wstring deep = folder + L"\\a\\b\\lang.ini";
    EXPECT_EQ(save(form.window.get(), deep), L"Trop de répertoire à créer.");
    EXPECT_EQ(GetFileAttributesW((folder + L"\\a").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(load(form.window.get(), folder + L"\\absent.ini"), L"Fichier inexistant.");
    EXPECT_EQ(form.window->textOf(L"Caption"), L"Principal");
    EXPECT_EQ(form.cmdOk->textOf(L"Caption"), L"OK");
    // No window object at all: nothing to save, no failure.
    EXPECT_EQ(save(nullptr, folder + L"\\vide.ini"), L"");
}

TEST_F(Traduction, LongTextsAreSavedAndReadBackWhole) {
    std::wstring longCaption(3000, L'x');
    com_ptr<StandInObject> controls = StandInObject::make();
    com_ptr<StandInObject> window = StandInObject::make();
    window->text(L"Name", L"frmLong").text(L"Caption", longCaption).object(L"Controls", controls.get());
    std::wstring file = folder + L"\\long.ini";
    save(window.get(), file);
    window->text(L"Caption", L"autre");
    load(window.get(), file);
    EXPECT_EQ(window->textOf(L"Caption"), longCaption);
}

// Texts the file does not hold are not touched at all: not cut, trimmed, or passed through the
// code page, whether the file is missing or only the key.
TEST_F(Traduction, TextsTheFileDoesNotHoldAreLeftExactlyAsTheyWere) {
    const std::wstring delicate = std::wstring(300, L'y') + L" \u4e00\u0416 fin   ";
    for (const bool fileExists : {false, true}) {
        StandInWindow form;
        form.window->text(L"Caption", delicate);
        form.cmdOk->text(L"ToolTipText", delicate);
        const std::wstring file = folder + (fileExists ? L"\\autre.ini" : L"\\absent.ini");
        if (fileExists) WritePrivateProfileStringW(L"frmMain", L"lblInfo(1).Caption", L"Info", file.c_str());
        load(form.window.get(), file);
        EXPECT_EQ(form.window->textOf(L"Caption"), delicate) << fileExists;
        EXPECT_EQ(form.cmdOk->textOf(L"ToolTipText"), delicate) << fileExists;
        EXPECT_EQ(form.window->writes(), 0) << fileExists;
        EXPECT_EQ(form.cmdOk->writes(), 0) << fileExists;
        EXPECT_EQ(form.lblInfo->textOf(L"Caption"), fileExists ? L"Info" : L"Information");
    }
}

// A multi-line text box keeps its lines, and cannot add lines or sections to the file.
TEST_F(Traduction, MultiLineTextsComeBackWholeAndInjectNothing) {
    const std::wstring lines = L"Ligne 1\r\nLigne 2\n[frmMain]\r\nfrmMain.Caption=Pi\u00e9g\u00e9\r\nC:\\chemin\\";
    StandInWindow form;
    form.txtNom->text(L"Text", lines);
    const std::wstring file = folder + L"\\lignes.ini";
    EXPECT_EQ(save(form.window.get(), file), L"");
    EXPECT_EQ(profileValue(file, L"frmMain", L"frmMain.Caption"), L"Principal");

    StandInWindow fresh;
    fresh.txtNom->text(L"Text", L"vide");
    fresh.window->text(L"Caption", L"Autre");
    load(fresh.window.get(), file);
    EXPECT_EQ(fresh.txtNom->textOf(L"Text"), lines);
    EXPECT_EQ(fresh.window->textOf(L"Caption"), L"Principal");
}

TEST_F(Traduction, MessagesAreNumberedFromOne) {
    std::wstring file = folder + L"\\msg\\messages.ini";
    SAFEARRAYBOUND bound{4, 0};
    unique_safearray messages(SafeArrayCreate(VT_BSTR, 1, &bound));
    // A message of two lines, the second of which would start a section of its own if written raw.
    const wchar_t* texts[] = {L"jamais écrit", L"Bonjour", L"Au revoir\r\n[Autre]\r\nMSG9=piège", L"Fin"};
    for (LONG i = 0; i < 4; ++i) {
        unique_bstr t(SysAllocString(texts[i]));
        SafeArrayPutElement(messages.get(), &i, t.get());
    }
    unique_bstr name(SysAllocString(file.c_str()));
    BSTR f = name.get();
    SAFEARRAY* array = messages.get();
    ASSERT_EQ(traduction->Sauver_TousLesMessages(&array, &f), S_OK);
    EXPECT_EQ(profileValue(file, L"MSG", L"MSG1"), L"Bonjour");
    EXPECT_EQ(profileValue(file, L"MSG", L"MSG3"), L"Fin");
    EXPECT_EQ(profileValue(file, L"MSG", L"MSG0"), L"<missing>");
    EXPECT_EQ(message(file, 2), texts[2]);
    EXPECT_EQ(profileValue(file, L"Autre", L"MSG9"), L"<missing>");
    EXPECT_EQ(message(file, 9), L"");
    // A file name longer than any path is a file that cannot be opened.
    EXPECT_EQ(message(std::wstring(100000, L'a'), 1), L"");

    // A gap ends the list: MSG4 is never read.
    WritePrivateProfileStringW(L"MSG", L"MSG3", nullptr, file.c_str());
    WritePrivateProfileStringW(L"MSG", L"MSG4", L"Perdu", file.c_str());
    SAFEARRAY* loaded = nullptr;
    unique_bstr byValue(SysAllocString(file.c_str()));
    ASSERT_EQ(traduction->Charger_TousLesMessages(byValue.get(), &loaded), S_OK);
    unique_safearray owned(loaded);
    ASSERT_TRUE(loaded);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(loaded, 1, &lower);
    SafeArrayGetUBound(loaded, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
    std::vector<std::wstring> got;
    for (LONG i = 1; i <= 3; ++i) {
        BSTR element = nullptr;
        SafeArrayGetElement(loaded, &i, &element);
        got.push_back(element ? str(element) : L"");
        SysFreeString(element);
    }
    EXPECT_EQ(got, (std::vector<std::wstring>{L"Bonjour", texts[2], L""}));

    // An array the member cannot redimension (lower bound 0) is the caller's error.
    SAFEARRAY* zeroBased = messages.get();
    HRESULT hr = traduction->Charger_TousLesMessages(byValue.get(), &zeroBased);
    EXPECT_EQ(hr, HRESULT(0x800A0009));
}

TEST_F(Traduction, LateBoundWithAScriptsArray) {
    com_ptr<IDispatch> object = createByName(L"BRASKEDLL.Cls_Traduction");
    ASSERT_TRUE(object);
    std::wstring file = folder + L"\\script.ini";
    // A script's array holds variants.
    SAFEARRAYBOUND bound{3, 0};
    unique_variant array;
    V_VT(array.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(array.get()) = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (LONG i = 0; i < 3; ++i) {
        unique_variant item;
        V_VT(item.get()) = VT_BSTR;
        V_BSTR(item.get()) = SysAllocString((L"m" + std::to_wstring(i)).c_str());
        SafeArrayPutElement(V_ARRAY(array.get()), &i, item.get());
    }
    unique_variant fileName;
    V_VT(fileName.get()) = VT_BSTR;
    V_BSTR(fileName.get()) = SysAllocString(file.c_str());
    CallResult saved;
    invoke(saved, object.get(), L"Sauver_TousLesMessages", {reference(array.get()), reference(fileName.get())},
           DISPATCH_METHOD);
    ASSERT_EQ(saved.status, S_OK);
    EXPECT_EQ(V_VT(array.get()), VT_ARRAY | VT_VARIANT);  // still an array the script can use
    EXPECT_EQ(profileValue(file, L"MSG", L"MSG2"), L"m2");

    unique_variant loaded;  // an empty script variable
    CallResult r;
    invoke(r, object.get(), L"Charger_TousLesMessages", {text(file.c_str()), reference(loaded.get())},
           DISPATCH_METHOD);
    ASSERT_EQ(r.status, S_OK);
    ASSERT_EQ(V_VT(loaded.get()), VT_ARRAY | VT_VARIANT);
    LONG upper = 0;
    SafeArrayGetUBound(V_ARRAY(loaded.get()), 1, &upper);
    EXPECT_EQ(upper, 3);
    LONG two = 2;
    unique_variant element;
    SafeArrayGetElement(V_ARRAY(loaded.get()), &two, element.get());
    EXPECT_EQ(korvel_test::textOf(*element.get()), L"m2");
}

}  // namespace
