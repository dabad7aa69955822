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
    return 0;
}
