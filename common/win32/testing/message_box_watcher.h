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

// For code that may show any number of boxes (calls with odd arguments): while it lives, every
// message box of this process, whatever its caption, is read and answered with its default
// button, as a user pressing Enter would.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();

    // The boxes answered so far.
    int answered() const { return answered_; }

private:
    void answerUntilStopped();

    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};

}  // namespace tolvare::testing
