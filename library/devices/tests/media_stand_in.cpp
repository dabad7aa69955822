// A stand-in for the platform's media library (winmm.dll), for the one test program that loads
// a copy of KORVEL beside it: where the platform has no media devices, it records the command
// strings the library sends, in order, one line each in a file named as itself with ".log"
// added: "send " or "execute " and the command. It reports one wave-output device.
#include <windows.h>

#include <string>

namespace {

HMODULE self = nullptr;

void record(const char* kind, const char* command) {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(self, path, 32768);
    if (length == 0 || length >= 32768 - 4) return;
    const std::wstring log = std::wstring(path, length) + L".log";
    const std::string line = std::string(kind) + " " + (command ? command : "<null>") + "\n";
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

__declspec(dllexport) DWORD WINAPI mciSendStringA(LPCSTR command, LPSTR, UINT, HWND) {
    record("send", command);
    return 0;
}

__declspec(dllexport) BOOL WINAPI mciExecute(LPCSTR command) {
    record("execute", command);
    return TRUE;
}

__declspec(dllexport) UINT WINAPI waveOutGetNumDevs() {
    return 1;
}

}  // extern "C"
