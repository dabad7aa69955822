// Wait of Cls_Windows through the real library: the time it waits, the caller's messages and
// timers handled meanwhile, a quit request on the way, and waits inside waits.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

using Clock = std::chrono::steady_clock;

// The name of the timer that every waiter of the session shares.
constexpr wchar_t kSharedTimer[] = L"KORVELTimer";

// A window of the test thread that counts the messages posted to it and the ticks of its
// timers, and runs `onTick` at each tick.
class CountingWindow {
public:
    static constexpr UINT kPosted = WM_APP + 1;

    CountingWindow() {
        static const ATOM registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"KorvelWaitTestWindow";
            return RegisterClassW(&windowClass);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(registered), L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), this);
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;
    ~CountingWindow() { DestroyWindow(window_); }

    HWND handle() const { return window_; }
    void post() { PostMessageW(window_, kPosted, 0, 0); }
    void startTimer(UINT milliseconds) { SetTimer(window_, 1, milliseconds, nullptr); }
    void stopTimer() { KillTimer(window_, 1); }

    int posted = 0;
    int ticks = 0;
    std::function<void()> onTick;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(created->lpCreateParams));
        }
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kPosted) {
            ++self->posted;
            return 0;
        }
        if (self && message == WM_TIMER) {
            ++self->ticks;
            if (self->onTick) self->onTick();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

// Ends a wait that would otherwise last past `limit`, as another waiter of the session would:
// it sets the shared timer due at once. `fired()` says the wait needed it.
class WaitWatchdog {
public:
    explicit WaitWatchdog(std::chrono::seconds limit) : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        limitMs_ = DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count());
        thread_.reset(CreateThread(nullptr, 0, watch, this, 0, nullptr));
    }
    WaitWatchdog(const WaitWatchdog&) = delete;
    WaitWatchdog& operator=(const WaitWatchdog&) = delete;
    ~WaitWatchdog() {
        SetEvent(done_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
    bool fired() const { return fired_; }

private:
    static DWORD WINAPI watch(void* parameter) {
        auto* self = static_cast<WaitWatchdog*>(parameter);
        if (WaitForSingleObject(self->done_.get(), self->limitMs_) != WAIT_TIMEOUT) return 0;
        self->fired_ = true;
        tolvare::unique_handle timer(OpenWaitableTimerW(TIMER_MODIFY_STATE, FALSE, kSharedTimer));
        LARGE_INTEGER now{};
        if (timer) SetWaitableTimer(timer.get(), &now, 0, nullptr, nullptr, FALSE);
        return 0;
    }

    tolvare::unique_handle done_;
    tolvare::unique_handle thread_;
    DWORD limitMs_ = 0;
    std::atomic<bool> fired_{false};
};

class WaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
        ASSERT_TRUE(windows);
    }
    // Waits through the library; the caller's variable keeps its value.
    HRESULT wait(LONG seconds) {
        LONG variable = seconds;
        HRESULT hr = windows->Wait(&variable);
        EXPECT_EQ(variable, seconds);
        return hr;
    }

    com_ptr<_Cls_Windows> windows;
};

// The clock and the timer need not tick together: the clock may read up to one step of the
// coarsest system clock (16 ms) short of the time the timer waited.
constexpr auto kClockStep = std::chrono::milliseconds(16);

TEST_F(WaitTest, ReturnsAfterTheTimeWhileTheCallersMessagesAndTimersAreHandled) {
    CountingWindow window;
    window.onTick = [&] {
        if (window.ticks == 2) window.post();
    };
    window.startTimer(50);
    WaitWatchdog watchdog(std::chrono::seconds(60));
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(wait(1), S_OK);
    const Clock::duration waited = Clock::now() - start;
    window.stopTimer();
    EXPECT_GE(waited, std::chrono::seconds(1) - kClockStep);
    EXPECT_GE(window.ticks, 2);
    EXPECT_EQ(window.posted, 1);
    EXPECT_FALSE(watchdog.fired());
}

TEST_F(WaitTest, NoTimeOrANegativeCountReturnsAfterOneRoundOfMessages) {
    CountingWindow window;
    WaitWatchdog watchdog(std::chrono::seconds(60));
    int expected = 0;
    for (LONG seconds : {0L, -1L, -3600L, LONG(INT_MIN)}) {
        window.post();
        window.post();
        expected += 2;
        ASSERT_EQ(wait(seconds), S_OK) << seconds;
        EXPECT_EQ(window.posted, expected) << seconds;
    }
    EXPECT_FALSE(watchdog.fired());
}

// The program is quitting: the wait gives the request back to the caller's own loop and does
// not hold it, however long it was asked to wait (the longest count included, which must not
// overflow into a time already past).
TEST_F(WaitTest, AQuitRequestIsPostedAgainAndEndsTheWait) {
    CountingWindow window;
    window.onTick = [&] {
        if (window.ticks == 3) PostQuitMessage(7);
    };
    window.startTimer(20);
    WaitWatchdog watchdog(std::chrono::seconds(60));
    ASSERT_EQ(wait(LONG(INT_MAX)), S_OK);
    window.stopTimer();
    EXPECT_FALSE(watchdog.fired());
    EXPECT_GE(window.ticks, 3);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// A timer handler waits again inside the wait: the inner wait sets the shared timer to its own
// due time, and when that passes both waits return (the timer stays signalled).
TEST_F(WaitTest, AWaitInsideAWaitEndsBoth) {
    CountingWindow window;
    int ticksInside = -1;
    Clock::duration innerWaited{};
    HRESULT inner = E_FAIL;
    window.onTick = [&] {
        if (window.ticks != 1) return;
        const int before = window.ticks;
        const Clock::time_point start = Clock::now();
        inner = wait(1);
        innerWaited = Clock::now() - start;
        ticksInside = window.ticks - before;
    };
    window.startTimer(50);
    WaitWatchdog watchdog(std::chrono::seconds(60));
    ASSERT_EQ(wait(3600), S_OK);
    window.stopTimer();
    EXPECT_FALSE(watchdog.fired()) << "the outer wait did not end with the inner one";
    EXPECT_EQ(inner, S_OK);
    EXPECT_GE(innerWaited, std::chrono::seconds(1) - kClockStep);
    EXPECT_GT(ticksInside, 0) << "the timer did not tick inside the inner wait";
}

// Where the timer cannot be made (its name taken by an object of another kind), the wait
// returns at once rather than never.
TEST_F(WaitTest, WithoutItsTimerTheWaitReturns) {
    tolvare::unique_handle squatter(CreateEventW(nullptr, TRUE, FALSE, kSharedTimer));
    if (!squatter || GetLastError() == ERROR_ALREADY_EXISTS) GTEST_SKIP() << "the timer's name is in use";
    struct Call {
        HRESULT status = E_FAIL;
        static DWORD WINAPI run(void* parameter) {
            auto* call = static_cast<Call*>(parameter);
            if (FAILED(CoInitialize(nullptr))) return 1;
            {
                com_ptr<_Cls_Windows> windows = createByClassId<_Cls_Windows>(CLSID_Cls_Windows);
                LONG hour = 3600;
                if (windows) call->status = windows->Wait(&hour);
            }
            CoUninitialize();
            return 0;
        }
    } call;
    // On its own thread, so that a wait that never returns fails the test instead of stopping it.
    tolvare::unique_handle thread(CreateThread(nullptr, 0, Call::run, &call, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0) << "the wait did not return";
    EXPECT_EQ(call.status, S_OK);
}

TEST_F(WaitTest, LateBoundAsScriptsCall) {
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Windows");
    ASSERT_TRUE(late);
    EXPECT_EQ(dispatchIdOf(late.get(), L"Wait"), 0x60030000);
    CountingWindow window;
    WaitWatchdog watchdog(std::chrono::seconds(60));
    // A script variable holding a 16-bit number, by reference: it comes back as the Long the
    // member takes.
    VARIANT seconds;
    VariantInit(&seconds);
    V_VT(&seconds) = VT_I2;
    V_I2(&seconds) = 1;
    window.post();
    const Clock::time_point start = Clock::now();
    CallResult r;
    invoke(r, late.get(), L"Wait", {reference(&seconds)});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_GE(Clock::now() - start, std::chrono::seconds(1) - kClockStep);
    EXPECT_EQ(V_VT(&seconds), VT_I4);
    EXPECT_EQ(V_I4(&seconds), 1);
    EXPECT_EQ(window.posted, 1);
    // A count as text, and one that no Long holds.
    CallResult asText, tooBig;
    invoke(asText, late.get(), L"Wait", {text(L"0")});
    EXPECT_EQ(asText.status, S_OK);
    VARIANT huge;
    VariantInit(&huge);
    V_VT(&huge) = VT_R8;
    V_R8(&huge) = 1e12;
    invoke(tooBig, late.get(), L"Wait", {huge});
    EXPECT_NE(tooBig.status, S_OK);
    EXPECT_FALSE(watchdog.fired());
}

TEST_F(WaitTest, ANullCountIsRefused) {
    EXPECT_EQ(windows->Wait(nullptr), E_POINTER);
}

}  // namespace
