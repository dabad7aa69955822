// A client of the library's two share members, run by the share tests in a folder of its own
// beside the stand-in share services, where the system is told to be Windows 98 or to take the
// NT-family service from the program's folder. Each argument after the first is one call:
//   9x|ShareName|FullPath|Description     ShareFolder9x
//   nt|Server|Path|ShareName|Remark|Pw    PartageRep
// and gives one line in the file named by the first argument: the call's status in hexadecimal
// and, for PartageRep, its result.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"

namespace {

std::vector<std::wstring> split(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t bar; (bar = text.find(L'|', start)) != std::wstring::npos; start = bar + 1)
        parts.push_back(text.substr(start, bar - start));
    parts.push_back(text.substr(start));
    return parts;
}

BSTR owned(const std::wstring& text) { return SysAllocStringLen(text.data(), UINT(text.size())); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    if (FAILED(CoInitialize(nullptr))) return 3;
    int failures = 0;
    {
        tolvare::com_ptr<_Cls_Internet> internet;
        if (FAILED(CoCreateInstance(CLSID_Cls_Internet, nullptr, CLSCTX_INPROC_SERVER, IID__Cls_Internet,
                                    internet.put_void())))
            return 4;
        FILE* out = _wfopen(argv[1], L"w");
        if (!out) return 5;
        for (int i = 2; i < argc; ++i) {
            std::vector<std::wstring> call = split(argv[i]);
            std::vector<BSTR> texts;
            for (size_t k = 1; k < call.size(); ++k) texts.push_back(owned(call[k]));
            HRESULT hr = E_INVALIDARG;
            LONG status = 0;
            if (call[0] == L"9x" && texts.size() == 3) {
                hr = internet->ShareFolder9x(&texts[0], &texts[1], &texts[2]);
            } else if (call[0] == L"nt" && texts.size() == 5) {
                hr = internet->PartageRep(&texts[0], &texts[1], &texts[2], &texts[3], &texts[4], &status);
            } else {
                ++failures;
            }
            std::fprintf(out, "%08lx %ld\n", static_cast<unsigned long>(hr), static_cast<long>(status));
            for (BSTR text : texts) SysFreeString(text);
        }
        std::fclose(out);
    }
    CoUninitialize();
    return failures;
}
