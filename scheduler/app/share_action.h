// The share action: a "SHARE=" row publishes its folder as a network share named "PLENAR" and
// the number of the share within the pass (PLENAR1, PLENAR2...), with the same text as its
// description. It goes through the library's Windows 95/98 share member; where the platform
// has no such service (every NT-family system), through the library's NT-family share member
// with the same name, path and description, so that the row works on today's systems too.
// Refusals are silent, as every action's failure is in a pass.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scheduler/app/korvel_client.h"

namespace tolvare::plenar {

struct ShareResult {
    std::wstring name;  // the share's name, "" when the pass's counter is exhausted
    bool shared = false;
    std::wstring problem;  // why not, when not shared
};

class ShareAction {
public:
    // Shares `folderPath` (UTF-16) under the pass's next name.
    ShareResult run(std::wstring_view folderPath);
    // The pass is over: the next pass counts from 1 again and makes its own library object.
    void passEnded();

private:
    short shareCounter_ = 0;
    std::optional<InternetObject> internet_;
};

// Whether a failure of the Windows 95/98 share member says that the platform lacks that
// service (its library or entry point is missing), rather than that the service refused.
bool shareServiceMissing(HRESULT status);

}  // namespace tolvare::plenar
