#include "library/internet/core/download_check.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel::downloads {
namespace {

constexpr std::wstring_view kOk = L"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 600\r\n\r\n";

ServerAnswer http(unsigned long status, std::wstring_view headers) { return {true, status, headers}; }

TEST(BodyLength, OnlyAContentLengthHeaderOfAnUncodedBodyCounts) {
    EXPECT_EQ(bodyLength(kOk).bytes, 600u);
    BodyLength odd = bodyLength(L"HTTP/1.0 200 OK\ncontent-LENGTH:\t 42 \nX: y\n");
    EXPECT_EQ(odd.kind, BodyLength::announced);
    EXPECT_EQ(odd.bytes, 42u);
    for (const wchar_t* headers : {L"", L"Content-Length: 5",  // the status line is no header
                                   L"HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n",
                                   L"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 10\r\n",
                                   L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 10\r\n"}) {
        EXPECT_EQ(bodyLength(headers).kind, BodyLength::unknown) << headers;
    }
    EXPECT_EQ(bodyLength(L"HTTP/1.1 200 OK\r\nContent-Encoding: Identity\r\nContent-Length: 10\r\n").bytes, 10u);
}

TEST(BodyLength, MalformedOrDisagreeingLengths) {
    for (const wchar_t* value : {L"", L"-1", L"+5", L"5 5", L"0x10", L"99999999999999999999"}) {
        std::wstring headers = std::wstring(L"HTTP/1.1 200 OK\r\nContent-Length: ") + value + L"\r\n";
        EXPECT_EQ(bodyLength(headers).kind, BodyLength::malformed) << value;
    }
    EXPECT_EQ(bodyLength(L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n").kind, BodyLength::malformed);
    EXPECT_EQ(bodyLength(L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n").kind, BodyLength::announced);
}

TEST(Judge, ErrorStatusesAndNoAnswerFail) {
    for (unsigned long status : {0ul, 100ul, 301ul, 302ul, 400ul, 404ul, 500ul, 503ul})
        EXPECT_EQ(judge(http(status, kOk), 600), Verdict::errorStatus) << status;
    EXPECT_EQ(judge(http(404, kOk), std::nullopt), Verdict::errorStatus);
}

TEST(Judge, TheDeliveredFileMustMatchTheAnnouncedLength) {
    EXPECT_EQ(judge(http(200, kOk), 600), Verdict::complete);
    EXPECT_EQ(judge(http(200, kOk), 300), Verdict::truncated);
    EXPECT_EQ(judge(http(200, kOk), 601), Verdict::truncated);
    EXPECT_EQ(judge(http(200, L"HTTP/1.1 200 OK\r\nContent-Length: zz\r\n"), 600), Verdict::malformedLength);
    // Without a comparable length the service is believed; a "not modified" answer and a
    // source without HTTP have no length of their own.
    EXPECT_EQ(judge(http(200, L"HTTP/1.1 200 OK\r\nConnection: close\r\n"), 12), Verdict::complete);
    EXPECT_EQ(judge(http(304, kOk), 0), Verdict::complete);
    EXPECT_EQ(judge(ServerAnswer{}, 0), Verdict::complete);
}

TEST(Judge, NoFileAtTheTargetIsNoDownload) {
    EXPECT_EQ(judge(http(200, kOk), std::nullopt), Verdict::notDelivered);
    EXPECT_EQ(judge(http(200, L"HTTP/1.1 200 OK\r\nConnection: close\r\n"), std::nullopt), Verdict::notDelivered);
    EXPECT_EQ(judge(ServerAnswer{}, std::nullopt), Verdict::notDelivered);
}

}  // namespace
}  // namespace korvel::downloads
