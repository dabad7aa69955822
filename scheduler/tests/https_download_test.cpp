// https, proxies, conditional requests and signed lists in PLENAR's own download, against the
// servers of library/internet/tests/http_test_server.sh: TLS servers with a certificate for
// each case (tls_test_servers.py, whose authority is trusted in this prefix only: this program
// adds it to the prefix's root store) and tinyproxy in front.

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "scheduler/app/http_download.h"
#include "scheduler/app/platform.h"
#include "scheduler/core/list_validators.h"
#include "scheduler/tests/plenar_test_support.h"

namespace {

using namespace std::chrono_literals;
using plenar_test::besideTestProgram;
using plenar_test::httpTestAddress;
using plenar_test::httpTestBody;
using tolvare::plenar::DownloadConditions;
using tolvare::plenar::DownloadLimits;
using tolvare::plenar::DownloadOutcome;
using tolvare::plenar::DownloadResult;
using tolvare::plenar::downloadToFile;
using tolvare::scheduler::ProxySettings;
using Result = tolvare::scheduler::ListDownload::Result;

std::string readText(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

std::map<std::string, int> tlsPorts() {
    static const std::map<std::string, int> ports = [] {
        std::map<std::string, int> found;
        std::istringstream lines(readText(besideTestProgram(L"tls_test_servers")));
        std::string name;
        int port = 0;
        while (lines >> name >> port) found[name] = port;
        return found;
    }();
    return ports;
}

int proxyPort() {
    return std::atoi(readText(besideTestProgram(L"proxy.port")).c_str());
}

std::wstring httpsAddress(const std::string& server, const std::wstring& path, const wchar_t* host = L"127.0.0.1") {
    static int serial = 0;
    return std::wstring(L"https://") + host + L":" + std::to_wstring(tlsPorts().at(server)) + L"/" + path + L"?run=" +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
}

// The test authority, in the root store of this prefix's machine: what an administrator does
// for a company's own authority.
bool trustTestAuthority() {
    static const bool trusted = [] {
        const std::string der = readText(besideTestProgram(L"test_ca.der"));
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
        if (!store || der.empty()) return false;
        const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                            reinterpret_cast<const BYTE*>(der.data()),
                                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                            nullptr);
        CertCloseStore(store, 0);
        return added != FALSE;
    }();
    return trusted;
}

DownloadLimits patientLimits() {
    DownloadLimits limits;
    limits.total = 30s;
    limits.connect = 10s;
    limits.idle = 10s;
    return limits;
}

ProxySettings noProxy() {
    return {};
}

ProxySettings testProxy(std::string bypass = {}) {
    return {true, "127.0.0.1:" + std::to_string(proxyPort()), std::move(bypass)};
}

class HttpsDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tlsPorts().empty()) << "no https test servers: see library/internet/tests/http_test_server.sh";
        ASSERT_TRUE(trustTestAuthority());
        wchar_t base[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, base), 0u);
        static int serial = 0;
        folder_ = std::wstring(base) + L"plenar-https-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++serial);
        std::filesystem::remove_all(std::filesystem::path(folder_));
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        target_ = folder_ + L"\\lstplenar.download";
    }
    void TearDown() override { std::filesystem::remove_all(std::filesystem::path(folder_)); }

    DownloadResult download(const std::wstring& url, DownloadConditions conditions = {}) {
        if (!conditions.proxy) conditions.proxy = noProxy();
        DeleteFileW(target_.c_str());
        return downloadToFile(url, target_, patientLimits(), conditions);
    }
    bool targetExists() const { return GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::wstring folder_;
    std::wstring target_;
};

TEST_F(HttpsDownload, WholeListsArriveOverTlsAndEveryCutIsACut) {
    struct Case { std::wstring path; const wchar_t* host; DownloadOutcome outcome; };
    for (const Case& c : {Case{L"file/tls", L"127.0.0.1", DownloadOutcome::Complete},
                          Case{L"chunked/tls", L"localhost", DownloadOutcome::Complete},
                          Case{L"gzip/tls", L"127.0.0.1", DownloadOutcome::Complete},
                          Case{L"redirect/tls", L"127.0.0.1", DownloadOutcome::Complete},
                          Case{L"cut/tls", L"127.0.0.1", DownloadOutcome::Cut},
                          Case{L"chunked-cut/tls", L"127.0.0.1", DownloadOutcome::Cut},
                          Case{L"reset-length/tls", L"127.0.0.1", DownloadOutcome::Cut},
                          // Ended by the close but without TLS's own end mark: anyone on the
                          // way could have closed it.
                          Case{L"until-close/tls", L"127.0.0.1", DownloadOutcome::Cut},
                          Case{L"status/404/tls", L"127.0.0.1", DownloadOutcome::ErrorStatus},
                          Case{L"redirect-http/tls", L"127.0.0.1", DownloadOutcome::InsecureRedirect}}) {
        const DownloadResult result = download(httpsAddress("good", c.path, c.host));
        EXPECT_EQ(result.outcome, c.outcome) << ::testing::PrintToString(c.path) << " " << result.problem;
        if (c.outcome == DownloadOutcome::Complete)
            EXPECT_TRUE(readText(target_) == httpTestBody("tls")) << ::testing::PrintToString(c.path);
        else
            EXPECT_FALSE(targetExists()) << ::testing::PrintToString(c.path);
    }
}

TEST_F(HttpsDownload, CertificatesThePlatformWouldRefuseAreRefused) {
    struct Case { const char* server; const wchar_t* host; DownloadOutcome outcome; const char* problem; };
    for (const Case& c : {Case{"wrong-host", L"localhost", DownloadOutcome::CertificateRefused, "nom de localhost"},
                          Case{"wrong-host", L"127.0.0.1", DownloadOutcome::CertificateRefused, "nom de 127.0.0.1"},
                          Case{"expired", L"127.0.0.1", DownloadOutcome::CertificateRefused, "expiré"},
                          Case{"self-signed", L"127.0.0.1", DownloadOutcome::CertificateRefused, "autorité non reconnue"},
                          Case{"untrusted", L"127.0.0.1", DownloadOutcome::CertificateRefused, "autorité non reconnue"},
                          Case{"client-only", L"127.0.0.1", DownloadOutcome::CertificateRefused, "serveur web"},
                          Case{"old-tls", L"127.0.0.1", DownloadOutcome::TlsRefused, ""}}) {
        const DownloadResult result = download(httpsAddress(c.server, L"file/refused", c.host));
        EXPECT_EQ(result.outcome, c.outcome) << c.server << " " << result.problem;
        EXPECT_NE(result.problem.find(c.problem), std::string::npos) << c.server << ": " << result.problem;
        EXPECT_FALSE(targetExists()) << c.server;
    }
}

TEST_F(HttpsDownload, ConditionalRequestsGetA304OnlyForTheCopyTheyName) {
    for (const bool secure : {false, true}) {
        const auto address = [&](const std::wstring& path) {
            return secure ? httpsAddress("good", path) : httpTestAddress(path);
        };
        const DownloadResult first = download(address(L"conditional/v"));
        ASSERT_EQ(first.outcome, DownloadOutcome::Complete) << secure;
        EXPECT_EQ(first.etag, "\"v-1\"");
        EXPECT_EQ(first.lastModified, "Mon, 01 Jan 2024 00:00:00 GMT");

        struct Case { std::wstring path; std::string etag; std::string date; DownloadOutcome outcome; };
        for (const Case& c : {Case{L"conditional/v", first.etag, "", DownloadOutcome::NotModified},
                              Case{L"conditional/v", "\"v-0\"", "", DownloadOutcome::Complete},
                              Case{L"modified-since/v", "", first.lastModified, DownloadOutcome::NotModified},
                              Case{L"modified-since/v", "", "Sun, 31 Dec 2023 00:00:00 GMT", DownloadOutcome::Complete},
                              // Asked without validators, a 304 is an answer to nothing.
                              Case{L"status/304/v", "", "", DownloadOutcome::ErrorStatus}}) {
            DownloadConditions conditions;
            conditions.ifNoneMatch = c.etag;
            conditions.ifModifiedSince = c.date;
            EXPECT_EQ(download(address(c.path), conditions).outcome, c.outcome)
                << secure << ::testing::PrintToString(c.path) << c.etag << c.date;
            EXPECT_EQ(targetExists(), c.outcome == DownloadOutcome::Complete) << ::testing::PrintToString(c.path);
        }
    }
}

TEST_F(HttpsDownload, TheUsersProxyCarriesBothSchemesAndItsBypassListIsHeard) {
    ASSERT_NE(proxyPort(), 0) << "no proxy: tinyproxy is not installed";
    DownloadConditions through;
    through.proxy = testProxy();
    // The server answers /proxied/ only to requests that came through a proxy.
    EXPECT_EQ(download(httpTestAddress(L"proxied/p"), through).outcome, DownloadOutcome::Complete);
    EXPECT_TRUE(readText(target_) == httpTestBody("p"));
    EXPECT_EQ(download(httpTestAddress(L"proxied/p")).outcome, DownloadOutcome::ErrorStatus);

    const std::string tunnel = "CONNECT localhost:" + std::to_string(tlsPorts().at("good"));
    const auto tunnels = [&] {
        const std::string log = readText(besideTestProgram(L"proxy.log"));
        std::size_t count = 0;
        for (std::size_t at = log.find(tunnel); at != std::string::npos; at = log.find(tunnel, at + 1)) ++count;
        return count;
    };
    const std::size_t before = tunnels();
    EXPECT_EQ(download(httpsAddress("good", L"file/p", L"localhost"), through).outcome, DownloadOutcome::Complete);
    EXPECT_TRUE(readText(target_) == httpTestBody("p"));
    EXPECT_EQ(tunnels(), before + 1);
    // The certificate is still the server's, checked through the tunnel.
    EXPECT_EQ(download(httpsAddress("wrong-host", L"file/p", L"localhost"), through).outcome,
              DownloadOutcome::CertificateRefused);

    DownloadConditions bypassed;
    bypassed.proxy = testProxy("*.example.com;127.0.0.*");
    EXPECT_EQ(download(httpTestAddress(L"proxied/p"), bypassed).outcome, DownloadOutcome::ErrorStatus);
    DownloadConditions perScheme;
    perScheme.proxy = ProxySettings{true, "https=127.0.0.1:" + std::to_string(proxyPort()), ""};
    EXPECT_EQ(download(httpTestAddress(L"proxied/p"), perScheme).outcome, DownloadOutcome::ErrorStatus);
}

void CALLBACK quitOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    PostQuitMessage(9);
}

TEST_F(HttpsDownload, AQuitDuringAnHttpsDownloadCancelsIt) {
    UINT_PTR timer = SetTimer(nullptr, 0, 200, &quitOnTimer);
    ASSERT_NE(timer, 0u);
    DownloadConditions conditions;
    conditions.proxy = noProxy();
    DownloadLimits patient = patientLimits();
    patient.total = 120s;
    patient.idle = 120s;
    EXPECT_EQ(downloadToFile(httpsAddress("good", L"hang/q"), target_, patient, conditions).outcome,
              DownloadOutcome::Cancelled);
    KillTimer(nullptr, timer);
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 9u);
    EXPECT_FALSE(targetExists());
}

// The list downloader as PLENAR's window uses it: signatures, the validators file, the journal's notes.
class ListDownloaderTest : public HttpsDownload {
protected:
    std::wstring listPath() const { return folder_ + L"\\lstplenar.txt"; }
    void setKey(const std::string& key) {
        WritePrivateProfileStringW(L"PARAM", L"CLELISTE", std::wstring(key.begin(), key.end()).c_str(),
                                   (folder_ + L"\\param.ini").c_str());
    }
    tolvare::scheduler::ListDownload downloadFrom(const std::wstring& url) {
        tolvare::plenar::InternetListDownloader downloader(listPath(), [&] { return url; }, patientLimits());
        return downloader.downloadList();
    }
};

TEST_F(ListDownloaderTest, WithAKeyOnlyListsItSignedAreTaken) {
    const std::string rsa = readText(besideTestProgram(L"list_key_rsa"));
    const std::string ec = readText(besideTestProgram(L"list_key_ec"));
    ASSERT_FALSE(rsa.empty());
    struct Case { std::string key; std::wstring path; Result result; const char* note; };
    for (const Case& c : {Case{rsa, L"signed-rsa/s1", Result::Replaced, "liste remplacée"},
                          Case{ec, L"signed-ec/s2", Result::Replaced, "liste remplacée"},
                          Case{rsa, L"signed-ec/s3", Result::NotTaken, "signature"},
                          Case{rsa, L"tampered-rsa/s4", Result::NotTaken, "signature fausse"},
                          Case{rsa, L"file/s5", Result::NotTaken, "signature introuvable"},
                          Case{"not a key", L"signed-rsa/s6", Result::NotTaken, "CLELISTE"},
                          // No key: lists are taken as before.
                          Case{"", L"file/s7", Result::Replaced, "liste remplacée"}}) {
        plenar_test::writeFileBytes(listPath(), "07:45=ancienne\r\n");
        setKey(c.key);
        for (const bool secure : {false, true}) {
            plenar_test::writeFileBytes(listPath(), "07:45=ancienne\r\n");
            const tolvare::scheduler::ListDownload got =
                downloadFrom(secure ? httpsAddress("good", c.path) : httpTestAddress(c.path));
            EXPECT_EQ(got.result, c.result) << ::testing::PrintToString(c.path) << got.note;
            EXPECT_NE(got.note.find(c.note), std::string::npos) << got.note;
            const std::string token = std::filesystem::path(c.path).filename().string();
            EXPECT_EQ(readText(listPath()), c.result == Result::Replaced ? httpTestBody(token) : "07:45=ancienne\r\n")
                << ::testing::PrintToString(c.path);
        }
    }
}

TEST_F(ListDownloaderTest, AnUnchangedListCostsA304AndIsNotTouched) {
    const std::wstring url = httpsAddress("good", L"conditional/c");
    const std::wstring validators = folder_ + L"\\lstplenar.etag";
    EXPECT_EQ(downloadFrom(url).result, Result::Replaced);
    EXPECT_NE(readText(validators).find("\"c-1\""), std::string::npos);

    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(listPath().c_str(), GetFileExInfoStandard, &before));
    Sleep(50);
    const tolvare::scheduler::ListDownload second = downloadFrom(url);
    EXPECT_EQ(second.result, Result::Unchanged);
    EXPECT_NE(second.note.find("304"), std::string::npos) << second.note;
    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(GetFileAttributesExW(listPath().c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);

    // A list changed by hand, or saved from the window, is downloaded whole again.
    plenar_test::writeFileBytes(listPath(), "07:45=à la main\r\n");
    EXPECT_EQ(downloadFrom(url).result, Result::Replaced);
    tolvare::plenar::forgetListValidators(listPath());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(validators)));
    const tolvare::scheduler::ListDownload whole = downloadFrom(url);
    EXPECT_EQ(whole.result, Result::Unchanged);
    EXPECT_EQ(whole.note.find("304"), std::string::npos) << whole.note;
    // Another address asks without validators.
    EXPECT_EQ(downloadFrom(httpsAddress("good", L"conditional/c")).note.find("304"), std::string::npos);
}

TEST_F(ListDownloaderTest, ARefusedCertificateKeepsTheListAndSaysWhy) {
    plenar_test::writeFileBytes(listPath(), "07:45=ancienne\r\n");
    const tolvare::scheduler::ListDownload got = downloadFrom(httpsAddress("expired", L"file/e"));
    EXPECT_EQ(got.result, Result::NotTaken);
    EXPECT_NE(got.note.find("certificat du serveur refusé : certificat expiré"), std::string::npos) << got.note;
    EXPECT_EQ(readText(listPath()), "07:45=ancienne\r\n");
}

}  // namespace
