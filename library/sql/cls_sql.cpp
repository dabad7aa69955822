#include "library/sql/cls_sql.h"

// The ANSI entry points by their plain names: some platforms' wide forms of the driver
// manager are incomplete, and the names compared are ANSI texts anyway.
#define SQL_NOUNICODEMAP
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

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
        // Data source names may be longer than the 32 characters of old: room for any name a
        // person would give (Wine's 32-bit driver manager fails with buffers of 16 KB).
        SQLCHAR sourceName[1024], description[1024];
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

// What a creation changed, put back in reverse order unless it is kept: a write that fails
// leaves nothing of a half-made data source where the driver manager would list it.
class Undo {
public:
    Undo() = default;
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;
    ~Undo() {
        if (kept_) return;
        for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) (*step)();
    }
    void add(std::function<void()> step) { steps_.push_back(std::move(step)); }
    void keep() { kept_ = true; }

private:
    std::vector<std::function<void()>> steps_;
    bool kept_ = false;
};

// The writes of a creation, each checked, each undone when a later one fails. `failedPlace`
// names where the first failure was.
class SourceWriter {
public:
    explicit SourceWriter(Undo& undo) : undo_(undo) {}

    bool createKey(const std::wstring& path) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, &disposition) !=
            ERROR_SUCCESS)
            return failed(L"HKEY_CURRENT_USER\\" + path);
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY) undo_.add([path] { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); });
        return true;
    }
    bool setText(const std::wstring& path, const std::wstring& name, const std::wstring& value) {
        return setValue(path, name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    bool setNumber(const std::wstring& path, const std::wstring& name, DWORD value) {
        return setValue(path, name, REG_DWORD, &value, sizeof value);
    }
    bool writeProfile(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                      const std::wstring& file) {
        constexpr wchar_t kAbsent[] = L"\x01KORVEL\x01";
        std::vector<wchar_t> previous(4096);
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), kAbsent, previous.data(),
                                                      DWORD(previous.size()), file.c_str());
        const std::wstring before(previous.data(), length);
        if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
            return failed(file);
        undo_.add([=] {
            WritePrivateProfileStringW(section.c_str(), key.c_str(), before == kAbsent ? nullptr : before.c_str(),
                                       file.c_str());
        });
        return true;
    }
    const std::wstring& failedPlace() const { return failedPlace_; }

private:
    bool setValue(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
            return failed(L"HKEY_CURRENT_USER\\" + path);
        DWORD previousType = 0;
        DWORD previousSize = 0;
        const bool existed =
            RegQueryValueExW(key, name.c_str(), nullptr, &previousType, nullptr, &previousSize) == ERROR_SUCCESS;
        std::vector<BYTE> previous(previousSize);
        if (existed && previousSize > 0)
            RegQueryValueExW(key, name.c_str(), nullptr, &previousType, previous.data(), &previousSize);
        const LSTATUS written = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
        if (written != ERROR_SUCCESS) return failed(L"HKEY_CURRENT_USER\\" + path);
        undo_.add([=] {
            HKEY opened = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &opened) != ERROR_SUCCESS) return;
            if (existed)
                RegSetValueExW(opened, name.c_str(), 0, previousType, previous.data(), DWORD(previous.size()));
            else
                RegDeleteValueW(opened, name.c_str());
            RegCloseKey(opened);
        });
        return true;
    }
    bool failed(const std::wstring& place) {
        if (failedPlace_.empty()) failedPlace_ = place;
        return false;
    }

    Undo& undo_;
    std::wstring failedPlace_;
};

std::wstring windowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    return folder;
}

std::wstring systemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

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
        } else if (name.empty() || name.find_first_of(std::wstring(L"\\[]=\0", 5)) != std::wstring::npos) {
            // Not a name a data source can have: it would write into the list's own key, a key
            // below another source's, or a broken section of ODBC.INI.
            answer = L"Lien ODBC incorrect.";
        } else {
            answer = VerifierSourcesODBC(name);
        }
        if (answer.empty()) {
            const std::wstring driver = L"Microsoft Access Driver (*.mdb)";
            const std::wstring sources = L"Software\\ODBC\\ODBC.INI\\";
            const std::wstring key = sources + name, jet = key + L"\\Engines\\Jet";
            const std::wstring ini = windowsFolder() + L"\\ODBC.INI";
            const std::wstring driverFile = systemFolder() + L"\\odbcjt32.dll";
            Undo undo;
            SourceWriter w(undo);
            // Every write checked; the first that fails stops the creation and undoes the others.
            const bool written =
                w.createKey(sources + L"ODBC Data Sources") && w.setText(sources + L"ODBC Data Sources", name, driver) &&
                w.createKey(key) && w.createKey(key + L"\\Engines") && w.createKey(jet) &&
                w.setText(key, L"DBQ", file) && w.setText(key, L"Description", name) &&
                w.setText(key, L"Driver", driverFile) && w.setText(key, L"FIL", L"MS Access;") &&
                w.setText(key, L"UID", L"") && w.setNumber(key, L"SafeTransactions", 0) &&
                w.setNumber(key, L"DriverId", 25) && w.setText(jet, L"ImplicitCommitSync", L"") &&
                w.setText(jet, L"UserCommitSync", L"Yes") && w.setNumber(jet, L"MaxBufferSize", 2048) &&
                w.setNumber(jet, L"PageTimeout", 5) && w.setNumber(jet, L"Threads", 3) &&
                w.writeProfile(L"ODBC 32 bit Data Sources", name, driver + L" (32 bit)", ini) &&
                w.writeProfile(name, L"Driver32", driverFile, ini);
            if (written) {
                undo.keep();
                answer = L"Creation OK";
            } else {
                answer = L"\u00c9criture impossible dans " + w.failedPlace() + L".";
            }
        }
        V_BSTR(pRetVal) = makeString(answer);
        V_VT(pRetVal) = VT_BSTR;
        return S_OK;
    });
}

}  // namespace korvel
