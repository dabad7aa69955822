// Winsock before <windows.h>, which the class header brings in.
#include <winsock2.h>

#include "library/internet/cls_internet.h"

#include <iphlpapi.h>
#include <lm.h>
#include <nb30.h>
#include <shellapi.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/ansi_text.h"
#include "library/frame/module.h"
#include "library/internet/core/host_text.h"
#include "library/internet/core/message_file.h"
#include "library/internet/late_bound_calls.h"
#include "library/internet/platform_library.h"
#include "library/internet/sockets_session.h"
#include "library/internet/unsent_message.h"
#include "library/internet/whole_download.h"

namespace korvel {

namespace {

using downloads::downloadWhole;
using internet::Arguments;
using internet::dottedDecimal;
using internet::LateBoundCalls;
using internet::localHostName;
using internet::PlatformLibrary;
using internet::showError;
using internet::SocketsSession;
using internet::textBeforeNul;
using internet::writeUnsentMessage;

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


bool isRichTextType(const tolvare::unique_variant& type) {
    VARIANT converted;
    VariantInit(&converted);
    bool rich = SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(type.get()), 0, VT_I4)) &&
                V_I4(&converted) == 1;
    VariantClear(&converted);
    return rich;
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
