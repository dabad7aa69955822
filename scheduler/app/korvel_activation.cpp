#include "scheduler/app/korvel_activation.h"

#include <string>

#include "common/win32/unique_handle.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/resource_ids.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

unique_hactctx makeKorvelContext() {
    const std::wstring program = programPath();
    const std::wstring folder = programFolder();
    if (program.empty() || !fileExists(folder + L"\\KORVEL.dll")) return {};
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags =
        ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    // The manifest is a resource of the program itself, whose folder is where the library lies.
    // The module and its file both name the program, so that the context does not depend on
    // which of the two the system reads the resource from.
    request.lpSource = program.c_str();
    request.hModule = GetModuleHandleW(nullptr);
    request.lpResourceName = MAKEINTRESOURCEW(PLENAR_KORVEL_MANIFEST);
    request.lpAssemblyDirectory = folder.c_str();
    // A context that cannot be made leaves the registration to decide, as without the library
    // beside the program.
    return unique_hactctx(CreateActCtxW(&request));
}

// Made once, at the first creation, and kept for the process: whether the library lies beside
// the program is decided once, so that every object comes from the same KORVEL.dll.
const unique_hactctx& korvelContext() {
    static const unique_hactctx context = makeKorvelContext();
    return context;
}

}  // namespace

HRESULT createKorvelObject(const CLSID& clsid, const IID& iid, void** object) {
    *object = nullptr;
    const unique_hactctx& context = korvelContext();
    // Active around the creation only: the library, once loaded, is bound through the objects'
    // vtables; and a creation made outside it would load the registered KORVEL.dll beside this
    // one.
    unique_actctx_cookie activation;
    if (context) {
        ULONG_PTR cookie = 0;
        if (!ActivateActCtx(context.get(), &cookie)) {
            const DWORD error = GetLastError();
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
        activation.reset(cookie);
    }
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

}  // namespace tolvare::plenar
