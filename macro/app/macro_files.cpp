#include "macro/app/macro_files.h"

#include <algorithm>

#include "common/win32/unique_handle.h"
#include "common/win32/whole_file.h"

namespace tolvare::macro {

std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes) {
    // A macro file open in an editor is still read.
    return tolvare::readWholeFile(path, maxBytes, tolvare::WritersWhileReading::allowed);
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    // Written beside and moved over in one step: a failed write (a full disk, a removed
    // medium) leaves the old file whole instead of cut.
    const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    bool written = false;
    {
        unique_hfile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        written = true;
        std::size_t done = 0;
        while (written && done < bytes.size()) {
            DWORD wrote = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            written = WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
            done += wrote;
        }
        written = written && FlushFileBuffers(file.get());
    }
    if (written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    return false;
}

}  // namespace tolvare::macro
