// PLENAR's own HTTP download (scheduler/app/http_download.h) against the HTTP server of
// library/internet/tests/http_test_server.py on 127.0.0.1 (its port is in
// http_test_server.port beside this program; the ctest fixture starts it, or run
// "http_test_server.sh start <this program's folder>" first). Whole bodies arrive byte for
// byte; every cut, error, loop, endless body and silent server gives its outcome and leaves no
// file behind. The calling thread's windows keep their messages meanwhile, and a quit ends the
// download.
// Limits are short where a server is slow or silent, so that such cases take seconds; no test
// asserts a duration.

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "scheduler/app/http_download.h"
#include "scheduler/tests/plenar_test_support.h"

namespace {

using namespace std::chrono_literals;
using plenar_test::besideTestProgram;
using tolvare::unique_socket;
using tolvare::WinsockSession;
using tolvare::plenar::downloadToFile;
using tolvare::plenar::DownloadLimits;
using tolvare::plenar::DownloadOutcome;
using tolvare::plenar::DownloadResult;

using plenar_test::httpTestAddress;
using plenar_test::httpTestBody;
using plenar_test::httpTestServerPort;

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Limits for servers that answer: generous, so that only a broken client is slow.
DownloadLimits answeringLimits() {
    DownloadLimits limits;
    limits.total = 30s;
    limits.connect = 10s;
    limits.idle = 10s;
    return limits;
}

unique_socket listeningSocket(int backlog, int& port) {
    unique_socket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof local;
    if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        listen(listener.get(), backlog) != 0)
        return {};
    port = ntohs(local.sin_port);
    return listener;
}

class HttpDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(httpTestServerPort(), 0) << "no HTTP test server: run library/internet/tests/http_test_server.sh start "
                                      "<folder of this program>, or the tests through ctest";
        wchar_t base[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, base), 0u);
        static int serial = 0;
        folder_ = std::wstring(base) + L"plenar-http-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        target_ = folder_ + L"\\lstplenar.download";
    }

    void TearDown() override {
        DeleteFileW(target_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    DownloadResult download(const std::wstring& path, const DownloadLimits& limits = answeringLimits()) {
        return downloadToFile(httpTestAddress(path), target_, limits);
    }

    bool targetExists() const { return GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string targetContent() const {
        std::ifstream in(std::filesystem::path(target_), std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<missing>");
    }

    void writeTarget(const std::string& bytes) { std::ofstream(std::filesystem::path(target_), std::ios::binary) << bytes; }

    // A download that must fail with `expected` and leave nothing behind.
    void expectFailure(const std::wstring& path, DownloadOutcome expected, const DownloadLimits& limits = answeringLimits()) {
        const DownloadResult result = download(path, limits);
        EXPECT_EQ(result.outcome, expected) << ::testing::PrintToString(path);
        EXPECT_FALSE(targetExists()) << ::testing::PrintToString(path);
        DeleteFileW(target_.c_str());
    }

    std::wstring folder_;
    std::wstring target_;
};

TEST_F(HttpDownload, WholeBodiesArriveByteForByteWhateverTheirFraming) {
    // Content-Length, chunks (with extensions and trailers), the close, HTTP/1.0, an interim
    // answer first, compressed in every way the server can, and after every kind of redirect.
    for (const char* kind : {"file", "chunked", "chunked-extended", "until-close", "http10", "interim", "gzip",
                             "gzip-chunked", "gzip-members", "deflate", "deflate-raw", "redirect", "redirect-relative",
                             "redirect-absolute", "chain/5", "cacheable/chunked"}) {
        const std::string token = std::string("whole-") + std::to_string(std::string(kind).size());
        const DownloadResult result = download(wide(kind) + L"/" + wide(token));
        EXPECT_EQ(result.outcome, DownloadOutcome::Complete) << kind;
        EXPECT_EQ(result.httpStatus, 200) << kind;
        EXPECT_TRUE(targetContent() == httpTestBody(token)) << kind << ": " << targetContent().size() << " bytes";
        ASSERT_TRUE(DeleteFileW(target_.c_str())) << kind;
    }
    EXPECT_EQ(download(L"empty/none").outcome, DownloadOutcome::Complete);
    EXPECT_EQ(targetContent(), "");
    ASSERT_TRUE(DeleteFileW(target_.c_str()));
    // A host name, looked up: "localhost" may give ::1 first, where the server does not listen.
    const DownloadResult named =
        downloadToFile(httpTestAddress(L"file/named", L"localhost"), target_, answeringLimits());
    EXPECT_EQ(named.outcome, DownloadOutcome::Complete);
    EXPECT_TRUE(targetContent() == httpTestBody("named"));
}

TEST_F(HttpDownload, CutTransfersAreCutAndLeaveNoFile) {
    // Each of these is a success for the platform's download services.
    for (const wchar_t* kind : {L"cut", L"chunked-cut", L"chunked-cut-mid", L"reset", L"reset-length", L"gzip-cut",
                                L"gzip-chunked-cut", L"no-answer"})
        expectFailure(std::wstring(kind) + L"/liste", DownloadOutcome::Cut);
}

TEST_F(HttpDownload, ErrorStatusesAndBrokenRepliesLeaveNoFile) {
    for (int status : {300, 304, 400, 403, 404, 410, 500, 503}) {
        const DownloadResult result = download(L"status/" + std::to_wstring(status) + L"/absent");
        EXPECT_EQ(result.outcome, DownloadOutcome::ErrorStatus) << status;
        EXPECT_EQ(result.httpStatus, status);
        EXPECT_FALSE(targetExists()) << status;
    }
    expectFailure(L"no-such-kind/x", DownloadOutcome::ErrorStatus);
    expectFailure(L"gzip-bad/liste", DownloadOutcome::BadCompression);
    expectFailure(L"length-conflict/liste", DownloadOutcome::MalformedReply);
    expectFailure(L"transfer-gzip/liste", DownloadOutcome::MalformedReply);
}

TEST_F(HttpDownload, RedirectsEndAtTheirLimitAndAtOtherSchemes) {
    expectFailure(L"loop/liste", DownloadOutcome::TooManyRedirects);
    DownloadLimits two = answeringLimits();
    two.maxRedirects = 2;
    expectFailure(L"chain/3/liste", DownloadOutcome::TooManyRedirects, two);
    DownloadLimits three = answeringLimits();
    three.maxRedirects = 3;
    EXPECT_EQ(download(L"chain/3/liste", three).outcome, DownloadOutcome::Complete);
    EXPECT_TRUE(targetContent() == httpTestBody("liste"));
    ASSERT_TRUE(DeleteFileW(target_.c_str()));
    // http may lead to https (here to a port where nothing listens); not to another scheme.
    expectFailure(L"redirect-https/liste", DownloadOutcome::Unreachable);
}

TEST_F(HttpDownload, BodiesStopAtTheByteLimit) {
    DownloadLimits small = answeringLimits();
    small.maxBodyBytes = 1024 * 1024;
    // Ten gigabytes announced, and chunks for ever.
    expectFailure(L"huge/liste", DownloadOutcome::TooLarge, small);
    expectFailure(L"huge-chunked/liste", DownloadOutcome::TooLarge, small);

    const std::string body = httpTestBody("liste");
    DownloadLimits exact = answeringLimits();
    exact.maxBodyBytes = body.size();
    for (const wchar_t* kind : {L"file", L"gzip", L"chunked"}) {
        EXPECT_EQ(download(std::wstring(kind) + L"/liste", exact).outcome, DownloadOutcome::Complete) << kind;
        EXPECT_TRUE(targetContent() == body) << kind;
        ASSERT_TRUE(DeleteFileW(target_.c_str()));
    }
    DownloadLimits under = answeringLimits();
    under.maxBodyBytes = body.size() - 1;
    for (const wchar_t* kind : {L"file", L"gzip", L"chunked", L"until-close"})
        expectFailure(std::wstring(kind) + L"/liste", DownloadOutcome::TooLarge, under);
}

TEST_F(HttpDownload, SilentSlowAndAbsentServers) {
    DownloadLimits shortIdle = answeringLimits();
    shortIdle.idle = 2s;
    expectFailure(L"hang/liste", DownloadOutcome::TimedOut, shortIdle);
    // One byte a second never leaves the connection idle; the whole download has its limit.
    DownloadLimits shortTotal = answeringLimits();
    shortTotal.total = 3s;
    expectFailure(L"slow/liste", DownloadOutcome::TimedOut, shortTotal);
    // Nor does a server that never stops sending a body that never grows.
    expectFailure(L"gzip-endless/liste", DownloadOutcome::TimedOut, shortTotal);

    WinsockSession winsock;
    ASSERT_TRUE(winsock);
    int closedPort = 0;
    listeningSocket(1, closedPort);  // given by the system and closed again at once
    ASSERT_NE(closedPort, 0);
    EXPECT_EQ(downloadToFile(L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/lstplenar.txt", target_,
                             answeringLimits())
                  .outcome,
              DownloadOutcome::Unreachable);
    EXPECT_FALSE(targetExists());

    // A server that never accepts: its queue of waiting connections is full, so the system
    // drops the next connection request and the connection never completes.
    int fullPort = 0;
    const unique_socket full = listeningSocket(0, fullPort);
    ASSERT_TRUE(full);
    std::vector<unique_socket> waiting;
    for (int i = 0; i < 3; ++i) {
        unique_socket client(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        u_long nonBlocking = 1;
        ASSERT_EQ(ioctlsocket(client.get(), FIONBIO, &nonBlocking), 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<u_short>(fullPort));
        connect(client.get(), reinterpret_cast<sockaddr*>(&to), sizeof to);
        waiting.push_back(std::move(client));
    }
    Sleep(200);
    DownloadLimits shortConnect = answeringLimits();
    shortConnect.connect = 2s;
    EXPECT_EQ(downloadToFile(L"http://127.0.0.1:" + std::to_wstring(fullPort) + L"/lstplenar.txt", target_, shortConnect)
                  .outcome,
              DownloadOutcome::TimedOut);
    EXPECT_FALSE(targetExists());
}

TEST_F(HttpDownload, AddressesAreCheckedBeforeAnyConnection) {
    for (const wchar_t* url : {L"ftp://127.0.0.1/lstplenar.txt", L"file:///C:/lstplenar.txt"}) {
        EXPECT_EQ(downloadToFile(url, target_).outcome, DownloadOutcome::UnsupportedScheme) << url;
        EXPECT_FALSE(targetExists()) << url;
    }
    for (const wchar_t* url : {L"", L"127.0.0.1/lstplenar.txt", L"http://user@127.0.0.1/lstplenar.txt",
                               L"http://127.0.0.1:0/lstplenar.txt", L"http://127.0.0.1:65536/lstplenar.txt",
                               L"http://127.0.0.1/lst plenar.txt", L"http://127.0.0.1/lst\u00e9.txt",
                               L"http://127.0.0.1/\x1f"}) {
        EXPECT_EQ(downloadToFile(url, target_).outcome, DownloadOutcome::BadAddress) << url;
        EXPECT_FALSE(targetExists()) << url;
    }
}

TEST_F(HttpDownload, TheTargetIsNewOrAnEmptyReservedFile) {
    // A file with content is never overwritten: it could be the list itself.
    writeTarget("08:00=old.exe\r\n");
    EXPECT_EQ(download(L"file/liste").outcome, DownloadOutcome::CannotWriteTarget);
    EXPECT_EQ(targetContent(), "08:00=old.exe\r\n");
    ASSERT_TRUE(DeleteFileW(target_.c_str()));

    EXPECT_EQ(downloadToFile(httpTestAddress(L"file/liste"), folder_ + L"\\missing\\lstplenar.download").outcome,
              DownloadOutcome::CannotWriteTarget);

    // A temporary name reserved beside the list, as the caller makes it.
    wchar_t reserved[MAX_PATH];
    ASSERT_NE(GetTempFileNameW(folder_.c_str(), L"pln", 0, reserved), 0u);
    EXPECT_EQ(downloadToFile(httpTestAddress(L"gzip/liste"), reserved, answeringLimits()).outcome,
              DownloadOutcome::Complete);
    std::ifstream in(std::filesystem::path(reserved), std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == httpTestBody("liste"));
    in.close();
    ASSERT_TRUE(DeleteFileW(reserved));
    // A failed download removes the reserved name too: nothing is left to clean up.
    ASSERT_NE(GetTempFileNameW(folder_.c_str(), L"pln", 0, reserved), 0u);
    EXPECT_EQ(downloadToFile(httpTestAddress(L"cut/liste"), reserved, answeringLimits()).outcome, DownloadOutcome::Cut);
    EXPECT_EQ(GetFileAttributesW(reserved), INVALID_FILE_ATTRIBUTES);
}

// A window of the test's thread that counts its timer ticks and posted messages, and quits on
// the first tick when asked to.
class CountingWindow {
public:
    explicit CountingWindow(bool quitOnFirstTick) : quitOnFirstTick_(quitOnFirstTick) {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = &CountingWindow::procedure;
            description.hInstance = GetModuleHandleW(nullptr);
            description.lpszClassName = L"PlenarHttpDownloadTestWindow";
            return RegisterClassW(&description);
        }();
        EXPECT_NE(windowClass, 0);
        window_ = CreateWindowExW(0, L"PlenarHttpDownloadTestWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), this);
        EXPECT_NE(window_, nullptr);
    }
    ~CountingWindow() {
        if (window_) DestroyWindow(window_);
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    HWND handle() const { return window_; }
    int ticks = 0;
    int posted = 0;
    static constexpr UINT kPosted = WM_APP + 7;
    static constexpr UINT_PTR kTimer = 1;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* creation = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_TIMER && wParam == kTimer) {
            if (++self->ticks == 1 && self->quitOnFirstTick_) PostQuitMessage(7);
            return 0;
        }
        if (self && message == kPosted) {
            ++self->posted;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    bool quitOnFirstTick_;
    HWND window_ = nullptr;
};

TEST_F(HttpDownload, TheCallingThreadsWindowKeepsItsMessages) {
    CountingWindow window(false);
    ASSERT_NE(SetTimer(window.handle(), CountingWindow::kTimer, 20, nullptr), 0u);
    ASSERT_TRUE(PostMessageW(window.handle(), CountingWindow::kPosted, 0, 0));
    DownloadLimits shortIdle = answeringLimits();
    shortIdle.idle = 2s;
    EXPECT_EQ(download(L"hang/liste", shortIdle).outcome, DownloadOutcome::TimedOut);
    EXPECT_TRUE(KillTimer(window.handle(), CountingWindow::kTimer));
    EXPECT_GT(window.ticks, 0);
    EXPECT_EQ(window.posted, 1);
}

TEST_F(HttpDownload, AQuitDuringADownloadCancelsItAndIsPostedAgain) {
    // Waiting for an answer, and half-way through a body (part of it already in the file).
    for (const wchar_t* kind : {L"hang", L"slow"}) {
        CountingWindow window(true);
        ASSERT_NE(SetTimer(window.handle(), CountingWindow::kTimer, kind == std::wstring(L"hang") ? 50 : 2500, nullptr), 0u);
        DownloadLimits patient = answeringLimits();
        patient.total = 120s;
        patient.idle = 120s;
        EXPECT_EQ(download(std::wstring(kind) + L"/liste", patient).outcome, DownloadOutcome::Cancelled) << kind;
        EXPECT_TRUE(KillTimer(window.handle(), CountingWindow::kTimer));
        EXPECT_FALSE(targetExists()) << kind;
        MSG quit;
        ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << kind;
        EXPECT_EQ(quit.wParam, 7u);
        EXPECT_EQ(window.ticks, 1);
    }
}

}  // namespace
