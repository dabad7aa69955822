// For tests of code that shows modal message boxes: a watcher thread that waits for the box,
// reads what a user would read (caption, text, icon) and presses a button, as a user does.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace tolvare::testing {

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    bool hasIcon = false;
};

class MessageBoxWatcher {
public:
    // Starts watching for a message box whose caption is `caption`, shown by the process
    // `processId` (0: this one); it is answered with the button `answer` (IDOK, IDYES...).
    // Gives up after `timeoutMs`.
    explicit MessageBoxWatcher(std::wstring caption, int answer = IDOK, DWORD timeoutMs = 10000,
                               DWORD processId = 0);
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    ~MessageBoxWatcher();

    // Waits for the watcher; true when a box was seen and answered.
    bool wait();
    const SeenMessageBox& seen() const { return seen_; }

private:
    void watch(std::wstring caption, int answer, DWORD timeoutMs, DWORD processId);

    std::thread thread_;
    std::atomic<bool> answered_{false};
    SeenMessageBox seen_;
};

}  // namespace tolvare::testing
