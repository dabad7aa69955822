// Winsock before <windows.h>, which the class header brings in.
#include <winsock2.h>

#include "library/internet/cls_internet.h"

#include <dispex.h>
#include <iphlpapi.h>
#include <lm.h>
#include <nb30.h>
#include <shellapi.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/module.h"
#include "library/internet/core/download_check.h"
#include "library/internet/core/host_text.h"
#include "library/internet/core/message_file.h"

namespace korvel {

namespace {

// Sees the server's answer during a download. The URL download service reports success for an
// error page (it writes the page into the file) and for a transfer that the connection cut
// short, so its result alone cannot tell the resource from an error page or half of it. The
// service hands the answer's status and raw headers to the caller's HTTP negotiation
// interface, which it finds on the status callback (directly, or as a service of it); nothing
// else is changed: the default bind options, no extra request headers, no user interface.
class AnswerWatcher final : public IBindStatusCallback, public IHttpNegotiate, public IServiceProvider {
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
            *object = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(riid, IID_IHttpNegotiate)) {
            *object = static_cast<IHttpNegotiate*>(this);
        } else if (IsEqualIID(riid, IID_IServiceProvider)) {
            *object = static_cast<IServiceProvider*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;  // COM ownership: the last reference owns
        return left;
    }

    IFACEMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    IFACEMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    IFACEMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    IFACEMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    IFACEMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    IFACEMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    IFACEMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
        if (additionalHeaders) *additionalHeaders = nullptr;
        return S_OK;
    }
    // Called for every HTTP answer (Wine also calls it, with status 0, when the connection
    // closed without one); after redirections that the platform followed, the last one counts.
    IFACEMETHODIMP OnResponse(DWORD status, LPCWSTR headers, LPCWSTR, LPWSTR* additionalHeaders) override try {
        if (additionalHeaders) *additionalHeaders = nullptr;
        headers_ = headers ? headers : L"";
        status_ = status;
        answered_ = true;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }

    IFACEMETHODIMP QueryService(REFGUID service, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualGUID(service, IID_IHttpNegotiate) && !IsEqualGUID(service, IID_IBindStatusCallback))
            return E_NOINTERFACE;
        return QueryInterface(riid, object);
    }

    downloads::ServerAnswer answer() const { return {answered_, status_, headers_}; }

private:
    std::atomic<ULONG> references_{1};
    bool answered_ = false;
    unsigned long status_ = 0;
    std::wstring headers_;
};

// The size of the file the service left at the target; nothing when there is no such file.
std::optional<std::uint64_t> fileSize(const char* file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!file || !GetFileAttributesExA(file, GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// `url` into `file` through the URL download service; true when the service succeeded and the
// server's answer says the whole resource arrived.
bool downloadInto(const char* url, const char* file) {
    auto watcher = tolvare::com_ptr<AnswerWatcher>::attach(new AnswerWatcher);
    bool whole = URLDownloadToFileA(nullptr, url, file, 0, watcher.get()) == S_OK;
    // Wine's service also reports success when it cannot write the target (a missing folder,
    // a name the file system refuses): what counts is the file it left.
    if (whole) whole = downloads::judge(watcher->answer(), fileSize(file)) == downloads::Verdict::complete;
    // The service keeps what it received in the Internet cache, and a later download of the
    // same address may be served from there without asking the server: an error page or half
    // a file must not come back that way as a success.
    if (!whole && url) DeleteUrlCacheEntryA(url);
    return whole;
}

// A name of our own in the target's folder (~KTxxxx.tmp), so that the download can be moved
// over the target in one step on the same volume; none when the folder cannot take a file.
std::optional<std::string> temporaryBeside(const char* file) {
    const std::string target = file ? file : "";
    const std::size_t slash = target.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    char name[MAX_PATH];
    if (target.empty() || !GetTempFileNameA(folder.c_str(), "~KT", 0, name)) return std::nullopt;
    return std::string(name);
}

// Downloads `url` into `file` through the URL download service; true when the service
// succeeded and the server's answer says the whole resource arrived. The download goes to a
// file beside the target, moved over it only when whole: a failure leaves the caller's file
// as it was.
bool downloadWhole(const char* url, const char* file) {
    const std::optional<std::string> temporary = temporaryBeside(file);
    if (!temporary) return false;
    bool whole = downloadInto(url, temporary->c_str());
    if (whole) whole = MoveFileExA(temporary->c_str(), file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!whole) DeleteFileA(temporary->c_str());
    return whole;
}

}  // namespace

namespace {

using internet::dottedDecimal;
using internet::textBeforeNul;

// The caption of the sockets members' messages.
constexpr wchar_t kErrorCaption[] = L"ERROR";

void showError(const std::string& text) { showLibraryMessage(fromAnsi(text), 0, kErrorCaption); }

// One start-up of the sockets layer at version 1.1. Every start-up that succeeded is cleaned up
// when the member returns, whatever path it took, so that the layer's start-up count does not
// grow with each call; a failed clean-up is told to the user.
class SocketsSession {
public:
    SocketsSession() { started_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }
    ~SocketsSession() {
        if (started_ && WSACleanup() != 0) showError("Socket error occurred in Cleanup.");
    }
    SocketsSession(const SocketsSession&) = delete;
    SocketsSession& operator=(const SocketsSession&) = delete;

    bool started() const { return started_; }
    // The start-up checks of GetIPAddress, each failure told in its own words.
    bool usable() const {
        if (!started_) {
            showError("The 32-bit Windows Socket is not responding.");
            return false;
        }
        if (data_.iMaxSockets < 1) {
            showError("This application requires a minimum of 1 supported sockets.");
            return false;
        }
        const int major = LOBYTE(data_.wVersion), minor = HIBYTE(data_.wVersion);
        if (major < 1 || (major == 1 && minor < 1)) {
            showError(internet::unsupportedVersionMessage(major, minor));
            return false;
        }
        return true;
    }

private:
    WSADATA data_{};
    bool started_ = false;
};

// The local host name, or nothing when the platform refuses it (its sockets error told in the
// member's wording).
std::optional<std::string> localHostName(bool spacedForm) {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer) == -1) {
        showError(internet::hostNameErrorMessage(WSAGetLastError(), spacedForm));
        return std::nullopt;
    }
    return std::string(textBeforeNul(std::string_view(buffer, sizeof buffer)));
}

std::string trimTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A text argument that may be a null string, as ANSI text for calls that want one.
std::string ansiOf(BSTR text) { return toAnsi(textOf(text)); }

std::wstring libraryFolder() {
    std::wstring path = modulePath();
    return path.substr(0, path.find_last_of(L'\\'));
}

// A platform library loaded for one call. Loaded by name, as the component would be found by
// its own programs, so that the program's folder comes first.
class PlatformLibrary {
public:
    explicit PlatformLibrary(const wchar_t* name) : name_(name), module_(LoadLibraryW(name)) {}

    // The entry point, or the run-time error of a missing library or entry point.
    template <typename Function>
    Function entry(const char* function) const {
        if (!module_)
            throw RuntimeError(kFileNotFound, kApplicationTitle,
                               std::wstring(runtimeErrorDescription(kFileNotFound)) + L" : " + name_);
        auto address = GetProcAddress(module_.get(), function);
        if (!address)
            throw RuntimeError(kEntryPointNotFound, kApplicationTitle,
                               std::wstring(runtimeErrorDescription(kEntryPointNotFound)) + L" : " +
                                   fromAnsi(function) + L" (" + name_ + L")");
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    }

private:
    const wchar_t* name_;
    tolvare::unique_hmodule module_;
};

bool windows9xPlatform() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The record of the Windows 95/98 server service: byte-packed, 42 bytes with 32-bit pointers.
#pragma pack(push, 1)
struct ShareInfo50 {
    char netname[13];
    unsigned char type;
    unsigned short flags;
    char* remark;
    char* path;
    char rwPassword[9];
    char roPassword[9];
};
#pragma pack(pop)
static_assert(sizeof(void*) != 4 || sizeof(ShareInfo50) == 42, "the 9x share record is 42 bytes");

constexpr unsigned short kShareKeptWithFullAccess = 0x0102;  // SHI50F_PERSIST | SHI50F_FULL
using NetShareAdd9x = unsigned(WINAPI*)(const char* server, short level, const char* buffer, unsigned short size);
using NetShareAddNt = DWORD(WINAPI*)(LPWSTR server, DWORD level, LPBYTE buffer, LPDWORD parameterError);
using NetbiosCall = UCHAR(WINAPI*)(PNCB);

struct HeapBlock {
    static void release(void* block) noexcept { HeapFree(GetProcessHeap(), 0, block); }
};
using unique_heap_block = tolvare::unique_any<tolvare::null_is_invalid<void*, HeapBlock::release>>;

// A failure of a late-bound call, kept as a script's error state keeps it: the last one wins
// until it is cleared.
struct PendingError {
    long number = 0;
    std::wstring description;
    explicit operator bool() const { return number != 0; }
    void clear() { *this = PendingError{}; }
};

// The error number a script sees for a failed call: the run-time error of the automation
// facility, or the status itself.
long errorNumberOf(HRESULT status) {
    if (HRESULT_FACILITY(status) == FACILITY_CONTROL) return long(status & 0xFFFF);
    return long(status);
}

std::wstring descriptionOf(HRESULT status) {
    if (HRESULT_FACILITY(status) == FACILITY_CONTROL) {
        std::wstring_view known = runtimeErrorDescription(long(status & 0xFFFF));
        if (!known.empty()) return std::wstring(known);
    }
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring description = length ? std::wstring(text, length) : L"Erreur Automation";
    LocalFree(text);
    while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r'))
        description.pop_back();
    return description;
}

// Calls of an outside automation object by name, in the mode where a failing call is skipped
// and leaves its error pending.
class LateBoundCalls {
public:
    PendingError error;

    // Calls `member` of `object` with `arguments` (natural order, by value); the result when the
    // call succeeded.
    std::optional<tolvare::unique_variant> call(IDispatch* object, const wchar_t* member,
                                                std::vector<VARIANT> arguments = {},
                                                WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
        if (!object) return fail(RuntimeError(kObjectVariableNotSet));
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(member);
        // Objects of script engines may answer names only through IDispatchEx (Wine's VBScript
        // classes do); their members are then called the same way.
        tolvare::com_ptr<IDispatchEx> scripted;
        if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
            tolvare::unique_bstr wanted(makeString(member));
            if (FAILED(object->QueryInterface(__uuidof(IDispatchEx), scripted.put_void())) ||
                FAILED(scripted->GetDispID(wanted.get(), fdexNameCaseInsensitive, &id)))
                return fail(RuntimeError(kPropertyOrMethodNotSupported));
        }
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
        tolvare::unique_variant result;
        EXCEPINFO exception{};
        UINT argumentError = 0;
        HRESULT hr = scripted ? scripted->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result.put(), &exception, nullptr)
                              : object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(),
                                               &exception, &argumentError);
        if (SUCCEEDED(hr)) return result;
        if (hr == DISP_E_EXCEPTION) {
            if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
            HRESULT status = exception.scode ? exception.scode
                                             : (exception.wCode ? MAKE_HRESULT(1, FACILITY_CONTROL, exception.wCode) : E_FAIL);
            std::wstring description = exception.bstrDescription
                                           ? std::wstring(textOf(exception.bstrDescription))
                                           : descriptionOf(status);
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrHelpFile);
            error = {errorNumberOf(status), std::move(description)};
        } else {
            error = {errorNumberOf(hr), descriptionOf(hr)};
        }
        return std::nullopt;
    }

    // As `call`, for a member whose result is an object (a failure when it is none).
    tolvare::com_ptr<IDispatch> object(IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments = {}) {
        auto result = call(object, member, std::move(arguments));
        if (!result) return nullptr;
        VARIANT* v = result->get();
        if ((V_VT(v) == VT_DISPATCH || V_VT(v) == VT_UNKNOWN) && V_UNKNOWN(v)) {
            tolvare::com_ptr<IDispatch> found;
            if (SUCCEEDED(V_UNKNOWN(v)->QueryInterface(IID_IDispatch, found.put_void()))) return found;
        }
        fail(RuntimeError(kObjectRequired));
        return nullptr;
    }

private:
    std::nullopt_t fail(const RuntimeError& e) {
        error = {e.number(), e.description()};
        return std::nullopt;
    }
};

// By-value arguments of the late-bound calls; the strings are owned by the holder.
class Arguments {
public:
    VARIANT text(std::wstring_view value) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = makeString(value);
        owned_.push_back(tolvare::unique_bstr(V_BSTR(&v)));
        return v;
    }
    static VARIANT number(long value) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = value;
        return v;
    }
    static VARIANT boolean(bool value) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }

private:
    std::vector<tolvare::unique_bstr> owned_;
};

bool isRichTextType(const tolvare::unique_variant& type) {
    VARIANT converted;
    VariantInit(&converted);
    bool rich = SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(type.get()), 0, VT_I4)) &&
                V_I4(&converted) == 1;
    VariantClear(&converted);
    return rich;
}


// Unsent messages are ~KEMxxxxxxxx.eml in the user's temporary folder: a name of their own for
// each call (two at once do not overwrite each other), a folder every user may write (a
// per-machine install's folder is read-only). The mail program reads the file when it opens it,
// which ShellExecute does not wait for: files of ours older than this are removed at the next
// call.
constexpr ULONGLONG kUnsentMessageLifetime = 10ull * 60 * 10'000'000;  // 10 minutes, in 100 ns

void removeOldUnsentMessages(const std::wstring& folder) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG current = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    WIN32_FIND_DATAW found;
    tolvare::unique_hfind search(FindFirstFileW((folder + L"~KEM*.eml").c_str(), &found));
    if (!search) return;
    do {
        const ULONGLONG written = (ULONGLONG(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcslen(found.cFileName) == 16 &&
            current > written + kUnsentMessageLifetime)
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}

// Creates a new unsent message file holding `bytes`; its path.
std::wstring writeUnsentMessage(const std::string& bytes) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) throw RuntimeError(kPathFileAccessError);
    removeOldUnsentMessages(folder);
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[16];
        swprintf(name, 16, L"%08X", (GetCurrentProcessId() * 7919u) ^ (GetTickCount() << 8) ^ serial++);
        const std::wstring path = std::wstring(folder) + L"~KEM" + name + L".eml";
        tolvare::unique_hfile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            throw RuntimeError(kPathFileAccessError);
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size()) {
            file.reset();
            DeleteFileW(path.c_str());
            throw RuntimeError(kPathFileAccessError);
        }
        return path;
    }
    throw RuntimeError(kPathFileAccessError);
}

}  // namespace

HRESULT Cls_Internet::get_NSession(IDispatch **pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    *pRetVal = tolvare::com_ptr<IDispatch>(session_).detach();
    return S_OK;
}

HRESULT Cls_Internet::putref_NSession(IDispatch *NSession) {
    session_ = tolvare::com_ptr<IDispatch>(NSession);
    return S_OK;
}

HRESULT Cls_Internet::GetIPAddress(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::string address;
        {
            SocketsSession sockets;
            if (sockets.usable()) {
                if (auto name = localHostName(false)) {
                    const hostent* host = gethostbyname(trimTrailingBlanks(*name).c_str());
                    if (!host || !host->h_addr_list || !host->h_addr_list[0])
                        showError("Windows Sockets are not responding. Unable to successfully get Host Name.");
                    else
                        address = dottedDecimal(reinterpret_cast<const unsigned char*>(host->h_addr_list[0]),
                                                size_t(host->h_length > 0 ? host->h_length : 0));
                }
            }
        }
        *pRetVal = makeString(fromAnsi(address));
        return S_OK;
    });
}

HRESULT Cls_Internet::GetIPHostName(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::string name;
        {
            SocketsSession sockets;
            if (sockets.started()) name = localHostName(true).value_or("");
        }
        *pRetVal = makeString(fromAnsi(name));
        return S_OK;
    });
}

HRESULT Cls_Internet::TelechargeFichier(BSTR sURL, BSTR sLocalFile, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        AnsiArgument url(sURL), file(sLocalFile);
        // A target the code page holds only as a look-alike would be another file.
        *pRetVal = file.exact() && downloadWhole(url.get(), file.get()) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_Internet::GetMACAddress(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        PlatformLibrary netapi(L"netapi32.dll");
        auto netbios = netapi.entry<NetbiosCall>("Netbios");
        NCB reset{};
        reset.ncb_command = NCBRESET;
        reset.ncb_lana_num = 0;
        netbios(&reset);
        constexpr WORD kStatusBytes = 680;
        unique_heap_block buffer(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kStatusBytes));
        if (!buffer) {
            *pRetVal = makeString(L"");
            return S_OK;
        }
        NCB status{};
        status.ncb_command = NCBASTAT;
        std::memset(status.ncb_callname, ' ', NCBNAMSZ);
        status.ncb_callname[0] = '*';
        status.ncb_lana_num = 0;
        status.ncb_buffer = static_cast<PUCHAR>(buffer.get());
        status.ncb_length = kStatusBytes;
        // Neither return code tells more than the buffer: it stays zero when the request fails.
        netbios(&status);
        unsigned char address[6];
        std::memcpy(address, buffer.get(), sizeof address);
        *pRetVal = makeString(fromAnsi(internet::hardwareAddressText(address)));
        return S_OK;
    });
}

HRESULT Cls_Internet::GetHostNameFromIP(BSTR sAddress, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::string name;
        {
            SocketsSession sockets;
            if (!sockets.started()) {
                showError("Sockets failed to initialize.");
            } else {
                const unsigned long address = inet_addr(ansiOf(sAddress).c_str());
                if (address == INADDR_NONE) {
                    showError("String passed is an invalid IP.");
                } else if (const hostent* host = gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
                           !host) {
                    showError("Call to gethostbyaddr failed.");
                } else if (host->h_name) {
                    name = host->h_name;
                }
            }
        }
        *pRetVal = makeString(fromAnsi(name));
        return S_OK;
    });
}

HRESULT Cls_Internet::GetIPFromHostName(BSTR sHostName, BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::string address;
        {
            SocketsSession sockets;
            if (!sockets.started()) {
                showError("Windows Sockets for 32 bit Windows is not successfully responding.");
            } else if (const hostent* host = gethostbyname(ansiOf(sHostName).c_str());
                       host && host->h_addr_list && host->h_addr_list[0]) {
                address = dottedDecimal(reinterpret_cast<const unsigned char*>(host->h_addr_list[0]), 4);
            }
        }
        *pRetVal = makeString(fromAnsi(address));
        return S_OK;
    });
}

HRESULT Cls_Internet::EcrireEmail_LotusNotes(BSTR *EmailDest, BSTR *strSujet, BSTR *Messagetext, BSTR *Attachment, VARIANT_BOOL *AccuseMsgbox) {
    if (!EmailDest || !strSujet || !Messagetext || !Attachment || !AccuseMsgbox) return E_POINTER;
    return guarded([&] {
        openNotesSession();
        LateBoundCalls calls;
        Arguments args;
        auto database = calls.object(session_.get(), L"GETDATABASE", {args.text(L""), args.text(L"Mail\\user.nsf")});
        calls.call(database.get(), L"OPENMAIL");
        if (calls.error) {
            showLibraryMessage(L"Error opening Notes mailbox: " + calls.error.description);
            showLibraryMessage(L"Unable to connect to Notes mailbox ... Exiting!", MB_ICONSTOP);
            return S_OK;
        }
        auto document = calls.object(database.get(), L"CREATEDOCUMENT");
        if (calls.error) {
            showLibraryMessage(L"Error on Notes SendMail: " + calls.error.description);
            return S_OK;
        }
        calls.call(document.get(), L"REPLACEITEMVALUE", {args.text(L"Subject"), args.text(textOf(*strSujet))});
        calls.call(document.get(), L"REPLACEITEMVALUE", {args.text(L"Body"), args.text(textOf(*Messagetext))});
        calls.call(document.get(), L"REPLACEITEMVALUE", {args.text(L"SendTo"), args.text(textOf(*EmailDest))});
        // Any failure counts, not only those with a positive number: an object's own failure
        // status is negative, and a message that was not addressed must not be reported sent.
        if (calls.error) showLibraryMessage(L"Error on Notes SendMail: " + calls.error.description);
        if (!textOf(*Attachment).empty()) {
            calls.error.clear();
            auto item = calls.object(document.get(), L"CREATERICHTEXTITEM", {args.text(L"Attach")});
            if (!calls.error) {
                auto type = calls.call(item.get(), L"Type", {}, DISPATCH_PROPERTYGET);
                if (!type || !isRichTextType(*type)) {
                    showLibraryMessage(L"Error on Notes SendMail - not Rich Text");
                } else {
                    calls.error.clear();
                    calls.call(item.get(), L"EMBEDOBJECT",
                               {Arguments::number(1454), args.text(L""), args.text(textOf(*Attachment))});
                    if (calls.error) showLibraryMessage(L"Error sending attachment: " + calls.error.description);
                }
            }
        }
        calls.error.clear();
        calls.call(document.get(), L"SEND", {Arguments::boolean(false)});
        if (calls.error)
            showLibraryMessage(L"Error on Notes SendMail: " + calls.error.description);
        else if (*AccuseMsgbox != VARIANT_FALSE)
            showLibraryMessage(L"Notes Sendmail OK.");
        return S_OK;
    });
}

void Cls_Internet::openNotesSession() {
    if (session_) return;
    CLSID clsid;
    tolvare::com_ptr<IDispatch> session;
    if (SUCCEEDED(CLSIDFromProgID(L"Notes.Notessession", &clsid)) &&
        SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, session.put_void())))
        session_ = session;
}

HRESULT Cls_Internet::EcrireEmail_OutlookExpress(BSTR *MsgFrom, BSTR *MsgTo, BSTR *MsgCC, BSTR *MsgBCC, BSTR *MsgSubject, short *MsgPriority, BSTR *MsgMessage, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!MsgFrom || !MsgTo || !MsgCC || !MsgBCC || !MsgSubject || !MsgPriority || !MsgMessage || !pRetVal)
        return E_POINTER;
    return guarded([&] {
        const std::string from = ansiOf(*MsgFrom), to = ansiOf(*MsgTo), cc = ansiOf(*MsgCC), bcc = ansiOf(*MsgBCC),
                          subject = ansiOf(*MsgSubject), body = ansiOf(*MsgMessage);
        // Without a recipient there is no message to open: nothing is written.
        if (to.empty()) {
            *pRetVal = VARIANT_FALSE;
            return S_OK;
        }
        const std::wstring file =
            writeUnsentMessage(internet::composeMessageFile({from, to, cc, bcc, subject, *MsgPriority, body}));
        *pRetVal = VARIANT_TRUE;
        ShellExecuteW(GetDesktopWindow(), L"open", file.c_str(), L"", L"", SW_SHOWNORMAL);
        return S_OK;
    });
}

HRESULT Cls_Internet::GetDNSServers(BSTR *sCurrentDNSServer, SAFEARRAY **dnssvr, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!sCurrentDNSServer || !dnssvr || !pRetVal) return E_POINTER;
    return guarded([&] {
        if (SAFEARRAY* given = *dnssvr) {
            VARTYPE type = VT_EMPTY;
            if (FAILED(SafeArrayGetVartype(given, &type)) || type != VT_BSTR) throw RuntimeError(kTypeMismatch);
            if (given->cLocks > 0 || (given->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC | FADF_EMBEDDED | FADF_AUTO)))
                throw RuntimeError(kArrayFixedOrLocked);
        }
        std::vector<std::wstring> servers(1);
        LONG count = 0;
        ULONG size = 0;
        GetNetworkParams(nullptr, &size);
        if (size > 0) {
            std::vector<ULONGLONG> buffer((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
            auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
            if (GetNetworkParams(info, &size) == ERROR_SUCCESS) {
                auto textOfEntry = [](const IP_ADDR_STRING& entry) {
                    return fromAnsi(textBeforeNul(std::string_view(entry.IpAddress.String, sizeof entry.IpAddress.String)));
                };
                servers.clear();
                for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next)
                    servers.push_back(textOfEntry(*entry));
                count = LONG(servers.size());
                tolvare::unique_bstr current(makeString(servers.front()));
                SysFreeString(*sCurrentDNSServer);
                *sCurrentDNSServer = current.release();
            }
        }
        SAFEARRAYBOUND bound{ULONG(servers.size()), 0};
        tolvare::unique_safearray array(SafeArrayCreate(VT_BSTR, 1, &bound));
        if (!array) throw std::bad_alloc();
        for (LONG i = 0; i < LONG(servers.size()); ++i) {
            if (servers[size_t(i)].empty()) continue;  // a new element is already the empty text
            tolvare::unique_bstr element(makeString(servers[size_t(i)]));
            if (FAILED(SafeArrayPutElement(array.get(), &i, element.get()))) throw std::bad_alloc();
        }
        if (*dnssvr) SafeArrayDestroy(*dnssvr);
        *dnssvr = array.release();
        *pRetVal = count;
        return S_OK;
    });
}

HRESULT Cls_Internet::GetUserName(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        char buffer[255] = {};
        DWORD size = sizeof buffer;
        GetUserNameA(buffer, &size);
        *pRetVal = makeString(fromAnsi(textBeforeNul(std::string_view(buffer, sizeof buffer))));
        return S_OK;
    });
}

HRESULT Cls_Internet::ExecuterURL(BSTR *strURL, LONG *hwnd) {
    if (!strURL || !hwnd) return E_POINTER;
    return guarded([&] {
        AnsiArgument url(strURL);
        const std::string folder = toAnsi(libraryFolder());
        ShellExecuteA(reinterpret_cast<HWND>(LONG_PTR(*hwnd)), "Open", url.get() ? url.get() : "", "", folder.c_str(),
                      SW_SHOWNORMAL);
        return S_OK;
    });
}

HRESULT Cls_Internet::PartageRep(BSTR *sServer, BSTR *sSharePath, BSTR *sShareName, BSTR *sShareRemark, BSTR *sSharePw, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!sServer || !sSharePath || !sShareName || !sShareRemark || !sSharePw || !pRetVal) return E_POINTER;
    return guarded([&] {
        PlatformLibrary netapi(L"netapi32.dll");
        auto netShareAdd = netapi.entry<NetShareAddNt>("NetShareAdd");
        auto orNull = [](BSTR text) { return SysStringLen(text) == 0 ? nullptr : text; };
        SHARE_INFO_2 share{};
        share.shi2_netname = *sShareName;
        share.shi2_type = STYPE_DISKTREE;
        share.shi2_remark = orNull(*sShareRemark);
        share.shi2_permissions = ACCESS_ALL;
        share.shi2_max_uses = DWORD(-1);
        share.shi2_current_uses = 0;
        share.shi2_path = *sSharePath;
        share.shi2_passwd = orNull(*sSharePw);
        DWORD parameterError = 0;
        *pRetVal = LONG(netShareAdd(*sServer, 2, reinterpret_cast<LPBYTE>(&share), &parameterError));
        return S_OK;
    });
}

HRESULT Cls_Internet::ShareFolder9x(BSTR *ShareName, BSTR *FullPath, BSTR *Description) {
    if (!ShareName || !FullPath || !Description) return E_POINTER;
    return guarded([&] {
        std::wstring upperPath(textOf(*FullPath));
        if (!upperPath.empty()) CharUpperBuffW(upperPath.data(), DWORD(upperPath.size()));
        std::string path = toAnsi(upperPath), remark = ansiOf(*Description);
        const std::wstring_view name = textOf(*ShareName);
        if (!internet::shareNameFits(name.size())) throw RuntimeError(kSubscriptOutOfRange);
        ShareInfo50 share{};
        for (size_t i = 0; i < name.size(); ++i) {
            std::string code = toAnsi(name.substr(i, 1));
            share.netname[i] = code.empty() ? '?' : code[0];
        }
        share.type = STYPE_DISKTREE;
        share.flags = kShareKeptWithFullAccess;
        share.remark = remark.data();
        share.path = path.data();
        // The service exists on Windows 95/98 only; elsewhere a library of that name is no such
        // service (Wine's is a stub that faults when called).
        if (!windows9xPlatform())
            throw RuntimeError(kFileNotFound, kApplicationTitle,
                               std::wstring(runtimeErrorDescription(kFileNotFound)) + L" : svrapi.dll");
        PlatformLibrary svrapi(L"svrapi.dll");
        auto netShareAdd = svrapi.entry<NetShareAdd9x>("NetShareAdd");
        const unsigned status = netShareAdd("", 50, reinterpret_cast<const char*>(&share), sizeof share);
        if (status != 0) throw RuntimeError(long(status));
        return S_OK;
    });
}

}  // namespace korvel
