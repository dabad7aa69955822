// The run journal on disk: journal.txt in PLENAR's folder, written by appending one whole line
// at a time (a PLENAR that ends abruptly leaves every line whole or absent), and renamed
// journal.1.txt once past its size (scheduler/core/journal.h).
#pragma once

#include <string>
#include <string_view>

#include "scheduler/core/clock.h"
#include "scheduler/core/journal.h"

namespace tolvare::plenar {

class FileJournal final : public scheduler::Journal {
public:
    FileJournal(const std::wstring& folder, const scheduler::Clock& clock);
    // A line that cannot be written (a read-only folder, a full disk) is lost; PLENAR goes on.
    void record(std::string_view event, std::string_view listText, std::string_view note) noexcept override;

    const std::wstring& path() const { return path_; }

private:
    bool append(const std::string& line);

    std::wstring path_;
    std::wstring oldPath_;
    const scheduler::Clock& clock_;
};

}  // namespace tolvare::plenar
