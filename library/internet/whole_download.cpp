#include "library/internet/whole_download.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "common/win32/com_object.h"
#include "common/win32/unique_handle.h"
#include "library/internet/core/download_check.h"

namespace korvel::downloads {

namespace {

// Sees the server's answer during a download. The URL download service reports success for an
// error page (it writes the page into the file) and for a transfer that the connection cut
// short, so its result alone cannot tell the resource from an error page or half of it. The
// service hands the answer's status and raw headers to the caller's HTTP negotiation
// interface, which it finds on the status callback (directly, or as a service of it); nothing
// else is changed: the default bind options, no extra request headers, no user interface.
class AnswerWatcher final
    : public tolvare::ComObject<AnswerWatcher, IBindStatusCallback, IHttpNegotiate, IServiceProvider> {
public:
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

}  // namespace

bool downloadWhole(const char* url, const char* file) {
    const std::optional<std::string> temporary = temporaryBeside(file);
    if (!temporary) return false;
    bool whole = downloadInto(url, temporary->c_str());
    if (whole) whole = MoveFileExA(temporary->c_str(), file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!whole) DeleteFileA(temporary->c_str());
    return whole;
}

}  // namespace korvel::downloads
