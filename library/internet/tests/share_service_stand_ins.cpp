// Stand-ins for the platform's two share services, built twice from this file: as svrapi.dll
// (the Windows 95/98 server service, NetShareAdd at level 50 with a byte-packed record) and as
// netapi32.dll (the NT-family service, NetShareAdd at level 2). Each appends one line per call
// to a file named as itself with ".log" added, reading the record the way the real service of
// its bitness does, so a record laid out otherwise shows as wrong fields. A share name that
// the log already holds is refused as a duplicate (2118), as a real service refuses it.
#include <windows.h>
#ifndef SVRAPI_STAND_IN
#include <lm.h>
#endif

#include <string>

namespace {

constexpr DWORD kDuplicateShare = 2118;  // NERR_DuplicateShare

HMODULE self() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&self), &module);
    return module;
}

std::wstring logPath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(self(), path, MAX_PATH);
    return std::wstring(path, length) + L".log";
}

std::string utf8(const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string readLog() {
    HANDLE file = CreateFileW(logPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

void appendLog(const std::string& line) {
    HANDLE file = CreateFileW(logPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    std::string text = line + "\r\n";
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

// A text field: [text], or <null> for a null pointer.
[[maybe_unused]] std::string field(const char* text) { return text ? "[" + std::string(text) + "]" : "<null>"; }
[[maybe_unused]] std::string field(const wchar_t* text) { return text ? "[" + utf8(text) + "]" : "<null>"; }

[[maybe_unused]] std::string hex(const unsigned char* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// The result for a share named `name`: a duplicate when an earlier call made it.
DWORD shareResult(const std::string& name) {
    return readLog().find(" result=0 name=" + name + " ") != std::string::npos ? kDuplicateShare : 0;
}

}  // namespace

#ifdef SVRAPI_STAND_IN
// The Windows 95/98 record, byte-packed as its service reads it.
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

extern "C" __declspec(dllexport) unsigned WINAPI NetShareAdd(const char* server, short level, const char* buffer,
                                                             unsigned short size) {
    const auto* share = reinterpret_cast<const ShareInfo50*>(buffer);
    const std::string name = field(std::string(share->netname, strnlen(share->netname, 13)).c_str());
    const DWORD result = shareResult(name);
    appendLog("level=" + std::to_string(level) + " size=" + std::to_string(size) + " server=" + field(server) +
              " result=" + std::to_string(result) + " name=" + name + " namebytes=" +
              hex(reinterpret_cast<const unsigned char*>(share->netname), 13) +
              " type=" + std::to_string(share->type) + " flags=" + std::to_string(share->flags) +
              " remark=" + field(share->remark) + " path=" + field(share->path) +
              " passwords=" + hex(reinterpret_cast<const unsigned char*>(share->rwPassword), 18));
    return result;
}
#else
extern "C" __declspec(dllexport) NET_API_STATUS WINAPI NetShareAdd(LMSTR server, DWORD level, LPBYTE buffer,
                                                                   LPDWORD parameterError) {
    const auto* share = reinterpret_cast<const SHARE_INFO_2*>(buffer);
    const std::string name = field(share->shi2_netname);
    const DWORD result = shareResult(name);
    appendLog("level=" + std::to_string(level) + " server=" + field(server) + " result=" + std::to_string(result) +
              " name=" + name + " type=" + std::to_string(share->shi2_type) + " remark=" + field(share->shi2_remark) +
              " permissions=" + std::to_string(share->shi2_permissions) +
              " max_uses=" + std::to_string(long(share->shi2_max_uses)) +
              " current_uses=" + std::to_string(share->shi2_current_uses) + " path=" + field(share->shi2_path) +
              " password=" + field(share->shi2_passwd) + " error_index=" + (parameterError ? "given" : "none"));
    return result;
}
#endif
