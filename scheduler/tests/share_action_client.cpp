// Runs PLENAR's share action as a pass does, for the share action tests: each argument after
// the first is "share|FOLDER" (a SHARE= row of the pass) or "pass" (the pass ends). The name
// given to each share goes, one per line, to the file named by the first argument.
#include <windows.h>

#include <cstdio>
#include <string>

#include "scheduler/app/share_action.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    if (FAILED(CoInitialize(nullptr))) return 3;
    {
        FILE* out = _wfopen(argv[1], L"w");
        if (!out) return 4;
        tolvare::plenar::ShareAction shares;
        for (int i = 2; i < argc; ++i) {
            const std::wstring command = argv[i];
            if (command == L"pass") {
                shares.passEnded();
            } else if (command.rfind(L"share|", 0) == 0) {
                std::fprintf(out, "%ls\n", shares.run(command.substr(6)).name.c_str());
            }
        }
        std::fclose(out);
    }
    CoUninitialize();
    return 0;
}
