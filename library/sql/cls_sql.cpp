#include "library/sql/cls_sql.h"

// The ANSI entry points by their plain names: some platforms' wide forms of the driver
// manager are incomplete, and the names compared are ANSI texts anyway.
#define SQL_NOUNICODEMAP
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "library/frame/ansi_text.h"
#include "library/frame/module.h"
#include "library/initreg/cls_initreg.h"
#include "library/frame/late_bound.h"
#include "library/sql/core/data_sources.h"

namespace korvel {

namespace {

// An ODBC environment handle, freed on every path.
class OdbcEnvironment {
public:
    OdbcEnvironment() {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_))) handle_ = SQL_NULL_HENV;
    }
    ~OdbcEnvironment() {
        if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
    }
    OdbcEnvironment(const OdbcEnvironment&) = delete;
    OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;

    explicit operator bool() const noexcept { return handle_ != SQL_NULL_HENV; }
    SQLHENV get() const noexcept { return handle_; }

private:
    SQLHENV handle_ = SQL_NULL_HENV;
};

// The name of a new Access data source is free and the ODBC components are there: empty;
// otherwise the text that says why not.
std::wstring VerifierSourcesODBC(std::wstring_view name) {
    sql::DataSourceCheck check(toAnsi(name));
    OdbcEnvironment environment;
    if (!environment) return check.answer();
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER))) {
        return check.answer();
    }
    for (;;) {
        SQLCHAR sourceName[32], description[128];
        std::fill(std::begin(sourceName), std::end(sourceName), SQLCHAR(' '));
        std::fill(std::begin(description), std::end(description), SQLCHAR(' '));
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        SQLRETURN listed = SQLDataSources(environment.get(), SQL_FETCH_NEXT, sourceName, sizeof sourceName,
                                          &nameLength, description, sizeof description, &descriptionLength);
        // A name or description cut by its buffer is still listed: the list goes on after it.
        if (!SQL_SUCCEEDED(listed)) break;
        if (!check.add(std::string_view(reinterpret_cast<const char*>(sourceName), sizeof sourceName), nameLength,
                       std::string_view(reinterpret_cast<const char*>(description), sizeof description),
                       descriptionLength)) {
            break;
        }
    }
    return check.answer();
}

// Cls_InitREG's members as this class calls them: a failure of any ends the call.
class Settings {
public:
    Settings() {
        HRESULT hr = createObject<Cls_InitREG>(IID__Cls_InitREG, store_.put_void());
        if (FAILED(hr)) throw RuntimeError(hr);
    }

    std::wstring windowsFolder() { return folder(&_Cls_InitREG::RetourneCheminWindows); }
    std::wstring systemFolder() { return folder(&_Cls_InitREG::RetourneCheminSystem); }

    void writeIni(const std::wstring& section, const std::wstring& entry, const std::wstring& value,
                  const std::wstring& file) {
        Text s(section), e(entry), v(value), f(file);
        LONG written = 0;
        check(store_->IniEcrire(&s.value, &e.value, &v.value, &f.value, &written));
    }
    void createKey(const std::wstring& key) {
        Text k(key);
        tolvare::unique_variant ignored;
        check(store_->CreerREG_Cle(&k.value, ignored.put()));
    }
    void writeText(const std::wstring& key, const std::wstring& entry, const std::wstring& value) {
        Text k(key), e(entry), v(value);
        tolvare::unique_variant ignored;
        check(store_->EcrireREG_STRING(&k.value, &e.value, &v.value, ignored.put()));
    }
    void writeNumber(const std::wstring& key, const std::wstring& entry, LONG value) {
        Text k(key), e(entry);
        tolvare::unique_variant ignored;
        check(store_->EcrireREG_DWORD(&k.value, &e.value, &value, ignored.put()));
    }

private:
    // A by-reference text argument, the callee free to replace it.
    struct Text {
        explicit Text(const std::wstring& text) : value(makeString(text)) {}
        ~Text() { SysFreeString(value); }
        Text(const Text&) = delete;
        Text& operator=(const Text&) = delete;
        BSTR value;
    };

    std::wstring folder(HRESULT (STDMETHODCALLTYPE _Cls_InitREG::*member)(BSTR*)) {
        tolvare::unique_bstr path;
        check((store_.get()->*member)(path.put()));
        return std::wstring(textOf(path.get()));
    }
    static void check(HRESULT hr) {
        if (FAILED(hr)) throw RuntimeError(hr);
    }

    tolvare::com_ptr<_Cls_InitREG> store_;
};

}  // namespace

HRESULT Cls_SQL::RepAPOS(BSTR *Chaine, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !Chaine) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(sql::doubledApostrophes(textOf(*Chaine)));
        return S_OK;
    });
}

HRESULT Cls_SQL::Creer_ODBC_Access(BSTR *DBFichier, BSTR *LienODBC, VARIANT *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal || !DBFichier || !LienODBC) return E_POINTER;
    return guarded([&] {
        std::wstring answer;
        const std::wstring file(textOf(*DBFichier)), name(textOf(*LienODBC));
        if (!askFileSystem(L"FileExists", file)) {
            answer = L"Fichier inexistant.";
        } else {
            answer = VerifierSourcesODBC(name);
        }
        if (answer.empty()) {
            const std::wstring driver = L"Microsoft Access Driver (*.mdb)";
            const std::wstring sources = L"HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI\\";
            const std::wstring key = sources + name, jet = key + L"\\Engines\\Jet";
            Settings settings;
            const std::wstring ini = settings.windowsFolder() + L"\\ODBC.INI";
            settings.writeIni(L"ODBC 32 bit Data Sources", name, driver + L" (32 bit)", ini);
            const std::wstring driverFile = settings.systemFolder() + L"\\odbcjt32.dll";
            settings.writeIni(name, L"Driver32", driverFile, ini);
            settings.writeText(sources + L"ODBC Data Sources", name, driver);
            settings.createKey(key);
            settings.createKey(key + L"\\Engines");
            settings.createKey(jet);
            settings.writeText(key, L"DBQ", file);
            settings.writeText(key, L"Description", name);
            settings.writeText(key, L"Driver", driverFile);
            settings.writeText(key, L"FIL", L"MS Access;");
            settings.writeText(key, L"UID", L"");
            settings.writeNumber(key, L"SafeTransactions", 0);
            settings.writeNumber(key, L"DriverId", 25);
            settings.writeText(jet, L"ImplicitCommitSync", L"");
            settings.writeText(jet, L"UserCommitSync", L"Yes");
            settings.writeNumber(jet, L"MaxBufferSize", 2048);
            settings.writeNumber(jet, L"PageTimeout", 5);
            settings.writeNumber(jet, L"Threads", 3);
            answer = L"Creation OK";
        }
        V_BSTR(pRetVal) = makeString(answer);
        V_VT(pRetVal) = VT_BSTR;
        return S_OK;
    });
}

}  // namespace korvel
