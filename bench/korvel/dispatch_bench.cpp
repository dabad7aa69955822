// Late-bound call cost: IDispatch::Invoke of KORVEL's RetourneCheminWindows against the same
// number of late-bound calls of the platform's Scripting.FileSystemObject GetSpecialFolder(0),
// comparable work (a folder of the system). Prints calls per second of both and their ratio.
// The library is registered from beside this program.

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/figure.h"
#include "common/win32/unique_handle.h"

using tolvare::com_ptr;

namespace {

com_ptr<IDispatch> create(const wchar_t* name) {
    CLSID clsid;
    com_ptr<IDispatch> object;
    if (SUCCEEDED(CLSIDFromProgID(name, &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    return object;
}

// Seconds taken by `calls` late-bound calls of `member` with `args` (already reversed).
double time(IDispatch* object, const wchar_t* member, VARIANT* args, UINT count, int calls) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return -1;
    DISPPARAMS params{args, nullptr, count, 0};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < calls; ++i) {
        VARIANT result;
        VariantInit(&result);
        if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                                  &result, nullptr, nullptr)))
            return -1;
        VariantClear(&result);
    }
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

}  // namespace

// The same comparison as a script writer meets it: the script host of this bitness, which asks
// for a member's number by name at every call. 20,000 calls of each pair, best of five rounds,
// the loop's own cost taken off.
constexpr char kScriptCalls[] = R"vbs(
Const n = 20000
Set w = CreateObject("BRASKEDLL.Cls_Windows")
Set d = CreateObject("BRASKEDLL.Cls_Date")
Set fso = CreateObject("Scripting.FileSystemObject")
bestLoop = 1e9 : bestOurs = 1e9 : bestFso = 1e9 : bestWindows = 1e9 : bestDate = 1e9
For pass = 1 To 5
  t = Timer : For i = 1 To n : a = i : Next : bestLoop = Min(bestLoop, Timer - t)
  t = Timer
  For i = 1 To n : p = "C:\Dossier\rapport.txt" : a = w.GET_ExtentionFichier(p) : p = "C:\Dossier\rapport.txt" : b = w.GetNomFichier_DuChemin(p) : Next
  bestOurs = Min(bestOurs, Timer - t)
  t = Timer
  For i = 1 To n : p = "C:\Dossier\rapport.txt" : a = fso.GetExtensionName(p) : p = "C:\Dossier\rapport.txt" : b = fso.GetFileName(p) : Next
  bestFso = Min(bestFso, Timer - t)
  t = Timer : For i = 1 To n : a = w.GET_ExtentionFichier("") : Next : bestWindows = Min(bestWindows, Timer - t)
  t = Timer : For i = 1 To n : a = d.SecondeEnHeure(3600) : Next : bestDate = Min(bestDate, Timer - t)
  t = Timer : For i = 1 To n : a = i : Next : bestLoop = Min(bestLoop, Timer - t)
Next
Function Min(a, b)
  If a < b Then Min = a Else Min = b
End Function
Function Us(total)
  Us = FormatNumber(1000000 * total / n, 2)
End Function
WScript.Echo "script host, " & n & " calls, best of 5 rounds (us a call, the loop's " & Us(bestLoop) & " included)"
WScript.Echo "  GET_ExtentionFichier + GetNomFichier_DuChemin: " & Us(bestOurs)
WScript.Echo "  FileSystemObject GetExtensionName + GetFileName: " & Us(bestFso)
WScript.Echo "  Cls_Windows member: " & Us(bestWindows) & ", Cls_Date member: " & Us(bestDate)
WScript.Echo "figure|script calls, ours / the platform's objects, the loop included|" & FormatNumber(bestOurs / bestFso, 2) & " times|at most 0.6"
WScript.Echo "figure|script calls, ours / the platform's objects, the loop taken off|" & FormatNumber((bestOurs - bestLoop) / (bestFso - bestLoop), 2) & " times|at most 0.6"
WScript.Echo "figure|script calls, a Cls_Windows member / a Cls_Date member|" & FormatNumber(bestWindows / bestDate, 2) & " times|at most 1.2"
)vbs";

bool runScriptCalls() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring script = std::wstring(folder) + L"korvel_script_calls.vbs";
    HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool saved = file != INVALID_HANDLE_VALUE && WriteFile(file, kScriptCalls, sizeof kScriptCalls - 1, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!saved) return false;
    // The script host of this program's bitness: the system folder as this program sees it.
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(system) + L"\\cscript.exe\" //nologo \"" + script + L"\"";
    // The host writes where this program writes, for the run's table of figures.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start the script host\n");
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(script.c_str());
    return code == 0;
}

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::max(1000, atoi(argv[1])) : 200000;
    CoInitialize(nullptr);
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library(path, n);
    library = library.substr(0, library.find_last_of(L'\\') + 1) + L"KORVEL.dll";
    HMODULE module = LoadLibraryW(library.c_str());
    auto registerServer = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer")) : nullptr;
    if (!registerServer || FAILED(registerServer())) {
        std::fprintf(stderr, "cannot register %ls\n", library.c_str());
        return 1;
    }
    com_ptr<IDispatch> ours = create(L"BRASKEDLL.Cls_InitREG"), platform = create(L"Scripting.FileSystemObject");
    if (!ours || !platform) {
        std::fprintf(stderr, "cannot create the objects\n");
        return 1;
    }
    VARIANT zero;
    VariantInit(&zero);
    V_VT(&zero) = VT_I4;
    V_I4(&zero) = 0;
    // Several alternating rounds, the best of each, so that a busy moment of the machine
    // does not decide the comparison.
    double bestOurs = 1e9, bestPlatform = 1e9;
    for (int round = 0; round < 5; ++round) {
        bestOurs = std::min(bestOurs, time(ours.get(), L"RetourneCheminWindows", nullptr, 0, calls));
        bestPlatform = std::min(bestPlatform, time(platform.get(), L"GetSpecialFolder", &zero, 1, calls));
    }
    if (bestOurs <= 0 || bestPlatform <= 0) {
        std::fprintf(stderr, "a call failed\n");
        return 1;
    }
    std::printf("%d late-bound calls, best of 5 rounds\n", calls);
    std::printf("KORVEL Cls_InitREG.RetourneCheminWindows      %10.0f calls/s  (%.2f us/call)\n", calls / bestOurs,
                1e6 * bestOurs / calls);
    std::printf("Scripting.FileSystemObject.GetSpecialFolder(0) %9.0f calls/s  (%.2f us/call)\n", calls / bestPlatform,
                1e6 * bestPlatform / calls);
    std::printf("cost ratio KORVEL / platform: %.2f (target: at most 1.20)\n", bestOurs / bestPlatform);
    reportFigure("late-bound call, cost against the platform's", bestOurs / bestPlatform, "times", "at most 1.20 times");
    CoUninitialize();
    std::fflush(stdout);
    return runScriptCalls() ? 0 : 1;
}
