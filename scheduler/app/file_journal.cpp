#include "scheduler/app/file_journal.h"

#include <windows.h>

#include "common/win32/unique_handle.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

unique_hfile openForAppending(const std::wstring& path) {
    // Others may read the journal, and rename or delete it, while PLENAR holds it for a line.
    return unique_hfile(CreateFileW(extendedPath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::uint64_t sizeOf(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) && size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

}  // namespace

FileJournal::FileJournal(const std::wstring& folder, const scheduler::Clock& clock)
    : path_(folder + L"\\" + fromUtf8(scheduler::kJournalFileName)),
      oldPath_(folder + L"\\" + fromUtf8(scheduler::kOldJournalFileName)),
      clock_(clock) {}

void FileJournal::record(std::string_view event, std::string_view listText, std::string_view note) noexcept {
    try {
        append(scheduler::journalLine(clock_.localNow(), event, toUtf8(fromAnsi(listText)), note));
    } catch (...) {
        // Out of memory for one line: that line is lost, nothing else.
    }
}

bool FileJournal::append(const std::string& line) {
    unique_hfile file = openForAppending(path_);
    if (!file) return false;
    std::uint64_t size = sizeOf(file.get());
    if (scheduler::journalNeedsRotation(size, line.size())) {
        file.reset();
        if (MoveFileExW(extendedPath(path_).c_str(), extendedPath(oldPath_).c_str(), MOVEFILE_REPLACE_EXISTING)) {
            file = openForAppending(path_);
            if (!file) return false;
            size = sizeOf(file.get());
        } else {
            // Held by a program that does not share renaming: the journal grows on, up to the
            // second megabyte it would have taken as journal.1.txt, and then drops lines.
            file = openForAppending(path_);
            if (!file || size + line.size() > 2 * scheduler::kJournalRotationBytes) return false;
        }
    }
    // One write per line, with the byte-order mark in front of the first: appending writes it
    // whole at the file's end, whoever else appends meanwhile.
    const std::string bytes = size == 0 ? std::string(scheduler::kUtf8ByteOrderMark) + line : line;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace tolvare::plenar
