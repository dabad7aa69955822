// For code that shows a sequence of message boxes: while it lives, every box captioned TOLVARE
// of one process is read, answered with OK as a user does, and its text recorded in order.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvel_test {

class BoxRecorder {
public:
    explicit BoxRecorder(DWORD processId = GetCurrentProcessId());
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // The texts of the boxes answered so far.
    std::vector<std::wstring> texts() const;

private:
    void answerUntilStopped();

    DWORD processId_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::wstring> texts_;
    std::thread thread_;
};

}  // namespace korvel_test
