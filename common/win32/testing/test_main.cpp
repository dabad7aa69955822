// The main of every Windows test program: GoogleTest's, plus a watchdog. A case that never
// ends (a modal box nobody answers, a platform call that never returns) would otherwise hold
// the whole run until ctest's time-out killed the program without saying where it stood; the
// watchdog names the case and ends the program with a failure instead.
//
// TOLVARE_CASE_TIME_LIMIT (seconds) sets the limit; the default is far above the slowest case.
// 0 means no watchdog: where 32-bit programs are emulated, one more thread is one more chance
// to meet the emulator's thread fault, and the runner there times each case itself.

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class CaseWatchdog : public ::testing::EmptyTestEventListener {
public:
    explicit CaseWatchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { watch(); }) {}
    ~CaseWatchdog() override { stop(); }

    // Before the program's exit code runs, not at its static destruction.
    void OnTestProgramEnd(const ::testing::UnitTest&) override { stop(); }

    void OnTestStart(const ::testing::TestInfo& info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        current_ = std::string(info.test_suite_name()) + "." + info.name();
        deadline_ = std::chrono::steady_clock::now() + limit_;
        ++serial_;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        current_.clear();
        ++serial_;
        changed_.notify_all();
    }

private:
    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (current_.empty()) {
                changed_.wait(lock);
                continue;
            }
            const unsigned long serial = serial_;
            if (changed_.wait_until(lock, deadline_, [&] { return stopping_ || serial_ != serial; })) continue;
            std::fprintf(stdout, "\n[ TIMEOUT  ] %s has not ended after %lld s: the program ends here.\n",
                         current_.c_str(), static_cast<long long>(limit_.count()));
            std::fflush(stdout);
            // Not ExitProcess: the hung thread may hold locks that the libraries' detach code takes.
            TerminateProcess(GetCurrentProcess(), 1);
        }
    }

    const std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string current_;
    std::chrono::steady_clock::time_point deadline_;
    unsigned long serial_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

std::chrono::seconds caseTimeLimit() {
    if (const char* text = std::getenv("TOLVARE_CASE_TIME_LIMIT")) {
        char* end = nullptr;
        const long seconds = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && seconds >= 0) return std::chrono::seconds(seconds);
    }
    return std::chrono::seconds(240);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::chrono::seconds limit = caseTimeLimit();
    if (limit.count() > 0) ::testing::UnitTest::GetInstance()->listeners().Append(new CaseWatchdog(limit));
    return RUN_ALL_TESTS();
}
