// TelechargeFichier of Cls_Internet through the real library and the platform's URL download
// service, against the HTTP server of http_test_server.py on 127.0.0.1 (its port is in
// http_test_server.port beside this program; the ctest fixture starts it, or run
// "http_test_server.sh start <this program's folder>" first). A download is whole or it is
// reported as false: error statuses, cut transfers and missing answers never pass as success.

#include <winsock2.h>
#include <gtest/gtest.h>

#include <wininet.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

int serverPort() {
    static int port = [] {
        std::ifstream file(std::filesystem::path(besideTestProgram(L"http_test_server.port")));
        int p = 0;
        file >> p;
        return p;
    }();
    return port;
}

// An address of the server, unique in this run: whatever the platform caches of one download
// cannot answer another.
std::wstring address(const std::wstring& path) {
    static int serial = 0;
    return L"http://127.0.0.1:" + std::to_wstring(serverPort()) + L"/" + path + L"?run=" +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
}

// The body the server sends for a token.
std::string bodyOf(const std::string& token) {
    std::string body;
    for (int i = 0; i < 2000; ++i) body += token + "\r\n";
    return body;
}

std::string contentOf(const std::wstring& file) {
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<missing>");
}

void writeFile(const std::wstring& file, const std::string& bytes) {
    std::ofstream(std::filesystem::path(file), std::ios::binary) << bytes;
}

bool inInternetCache(const std::wstring& url) {
    char narrow[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, url.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    DWORD size = 0;
    return GetUrlCacheEntryInfoA(narrow, nullptr, &size) || GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// A port of 127.0.0.1 on which nothing listens: one the system just gave and took back.
int closedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    closesocket(s);
    return ntohs(a.sin_port);
}

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(serverPort(), 0) << "no HTTP test server: run library/internet/tests/http_test_server.sh start "
                                      "<folder of this program>, or the tests through ctest";
        internet = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
        ASSERT_TRUE(internet);
        folder = temporaryFolder();
        target = folder + L"\\lstplenar.txt";
    }
    // An early-bound call as PLENAR makes it; the result exactly as it came.
    VARIANT_BOOL download(const std::wstring& url, const std::wstring& file) {
        unique_bstr u(SysAllocStringLen(url.data(), UINT(url.size()))),
            f(SysAllocStringLen(file.data(), UINT(file.size())));
        VARIANT_BOOL result = 0x1234;
        EXPECT_EQ(internet->TelechargeFichier(u.get(), f.get(), &result), S_OK) << url;
        return result;
    }

    com_ptr<_Cls_Internet> internet;
    std::wstring folder, target;
};

TEST_F(Download, WholeResourcesAreTrueAndArriveByteForByte) {
    writeFile(target, "08:00=old.exe\r\n");
    EXPECT_EQ(download(address(L"file/liste"), target), VARIANT_TRUE);
    EXPECT_EQ(contentOf(target), bodyOf("liste"));
    // Answers whose length cannot be compared are believed: a redirection, a body ended by
    // closing the connection, a compressed body (delivered decoded), an empty one.
    for (const wchar_t* kind : {L"redirect", L"until-close", L"gzip"}) {
        EXPECT_EQ(download(address(std::wstring(kind) + L"/other"), target), VARIANT_TRUE) << kind;
        EXPECT_EQ(contentOf(target), bodyOf("other")) << kind;
    }
    EXPECT_EQ(download(address(L"empty/none"), target), VARIANT_TRUE);
    EXPECT_EQ(contentOf(target), "");
    // A local file has no status to judge.
    std::wstring source = folder + L"\\source.txt", url = L"file:///" + source;
    writeFile(source, "12:00=notepad.exe\r\n");
    EXPECT_EQ(download(url, target), VARIANT_TRUE);
    EXPECT_EQ(contentOf(target), "12:00=notepad.exe\r\n");
}

TEST_F(Download, ErrorStatusesNoAnswerAndNoServerAreFalse) {
    for (int status : {400, 403, 404, 410, 500, 503}) {
        std::wstring url = address(L"status/" + std::to_wstring(status) + L"/absent");
        EXPECT_EQ(download(url, target), VARIANT_FALSE) << status;
        // The error page does not stay where a later download could be served from.
        EXPECT_FALSE(inInternetCache(url)) << status;
    }
    EXPECT_EQ(download(address(L"no-answer/liste"), target), VARIANT_FALSE);
    // No message either: a message box would block the call.
    writeFile(target, "08:00=old.exe\r\n");
    EXPECT_EQ(download(L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/lstplenar.txt", target), VARIANT_FALSE);
    EXPECT_EQ(contentOf(target), "08:00=old.exe\r\n");
}

// A failed download leaves the caller's file exactly as it was, and nothing of its own beside it.
TEST_F(Download, AFailedDownloadKeepsTheOldFile) {
    for (const wchar_t* path : {L"status/404/x", L"cut/x", L"no-answer/x", L"status/500/x"}) {
        writeFile(target, "08:00=old.exe\r\n");
        EXPECT_EQ(download(address(path), target), VARIANT_FALSE) << path;
        EXPECT_EQ(contentOf(target), "08:00=old.exe\r\n") << path;
    }
    // A target the code page holds only as a look-alike ("\uff4cstplenar.txt" for "lstplenar.txt")
    // is another file: refused.
    if (GetACP() != CP_UTF8) {
        EXPECT_EQ(download(address(L"file/x"), folder + L"\\\uff4cstplenar.txt"), VARIANT_FALSE);
        EXPECT_EQ(contentOf(target), "08:00=old.exe\r\n");
    }
    std::size_t files = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1u);
    // A whole download replaces it.
    EXPECT_EQ(download(address(L"file/new"), target), VARIANT_TRUE);
    EXPECT_EQ(contentOf(target), bodyOf("new"));
}

TEST_F(Download, ATransferCutHalfWayIsFalse) {
    std::wstring url = address(L"cut/liste");
    EXPECT_EQ(download(url, target), VARIANT_FALSE);
    EXPECT_FALSE(inInternetCache(url));
    // Even when the server allowed its answer to be cached, the half file never comes back
    // as a success.
    std::wstring cacheable = address(L"cacheable/cut/liste");
    EXPECT_EQ(download(cacheable, target), VARIANT_FALSE);
    EXPECT_EQ(download(cacheable, target), VARIANT_FALSE);
}

TEST_F(Download, AddressesAndTargetsThatCannotServe) {
    EXPECT_EQ(download(L"", target), VARIANT_FALSE);
    EXPECT_EQ(download(L"pas une adresse", target), VARIANT_FALSE);
    VARIANT_BOOL result = 0x1234;
    EXPECT_EQ(internet->TelechargeFichier(nullptr, nullptr, &result), S_OK);
    EXPECT_EQ(result, VARIANT_FALSE);
    EXPECT_EQ(internet->TelechargeFichier(nullptr, nullptr, nullptr), E_POINTER);
    // Targets the service cannot write, whether or not the answer announces its length: a
    // missing folder (which is not made), a folder, a name outside the ANSI code page (its
    // character becomes "?", which no file name may hold).
    std::wstring nowhere = folder + L"\\absent\\lstplenar.txt", cjk = folder + L"\\liste \u4e2d.txt";
    for (const std::wstring& file : {nowhere, folder, cjk}) {
        EXPECT_EQ(download(address(L"file/liste"), file), VARIANT_FALSE) << file;
        EXPECT_EQ(download(address(L"until-close/liste"), file), VARIANT_FALSE) << file;
    }
    EXPECT_EQ(GetFileAttributesW((folder + L"\\absent").c_str()), INVALID_FILE_ATTRIBUTES);
    // Accented names within the code page cross whole (œ and € differ from Latin-1).
    std::wstring accented = folder + L"\\liste été œ€.txt";
    EXPECT_EQ(download(address(L"file/accent"), accented), VARIANT_TRUE);
    EXPECT_EQ(contentOf(accented), bodyOf("accent"));
}

TEST_F(Download, LateBoundAsScriptsCall) {
    com_ptr<IDispatch> late = createByName(L"BRASKEDLL.Cls_Internet");
    ASSERT_TRUE(late);
    EXPECT_EQ(dispatchIdOf(late.get(), L"TelechargeFichier"), 0x60030006);
    CallResult good;
    invoke(good, late.get(), L"TelechargeFichier", {text(address(L"file/script").c_str()), text(target.c_str())});
    ASSERT_EQ(good.status, S_OK);
    EXPECT_EQ(V_VT(good.value.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(good.value.get()), VARIANT_TRUE);
    EXPECT_EQ(contentOf(target), bodyOf("script"));

    // Script variables passed by reference to the by-value parameters keep their values.
    for (const std::wstring& path : {address(L"status/404/script"), address(L"cut/script")}) {
        VARIANT url = text(path.c_str()), file = text(target.c_str());
        CallResult bad;
        invoke(bad, late.get(), L"TelechargeFichier", {reference(&url), reference(&file)});
        ASSERT_EQ(bad.status, S_OK);
        EXPECT_EQ(V_VT(bad.value.get()), VT_BOOL);
        EXPECT_EQ(V_BOOL(bad.value.get()), VARIANT_FALSE) << path;
        EXPECT_EQ(textOf(url), path);
        EXPECT_EQ(textOf(file), target);
        VariantClear(&url);
        VariantClear(&file);
    }
}

}  // namespace
