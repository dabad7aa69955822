// The information members of Cls_Internet through the real library and Wine's real sockets,
// NetBIOS and IP configuration services: the local host's name and address, name lookups on
// the loopback interface, the adapter address, the DNS servers and the user, each compared with
// what the platform itself reports. Message boxes are answered by a watcher that reads them.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <iphlpapi.h>

#include <regex>
#include <string>

#include "common/win32/testing/message_box_watcher.h"
#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;
using tolvare::testing::MessageBoxAnswerer;
using tolvare::testing::MessageBoxWatcher;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

std::wstring widen(const std::string& text) {
    std::wstring wide;
    for (char c : text) wide += wchar_t(static_cast<unsigned char>(c));
    return wide;
}

// What the platform itself says, asked the plain way.
struct HostFacts {
    std::string name;
    std::string firstAddress;
    HostFacts() {
        tolvare::WinsockSession sockets;
        char buffer[256] = {};
        if (gethostname(buffer, sizeof buffer) == 0) name = buffer;
        if (const hostent* host = gethostbyname(name.c_str()); host && host->h_addr_list[0]) {
            in_addr address;
            memcpy(&address, host->h_addr_list[0], 4);
            firstAddress = inet_ntoa(address);
        }
    }
};

class HostInfoTest : public ::testing::Test {
protected:
    com_ptr<_Cls_Internet> internet_ = createByClassId<_Cls_Internet>(CLSID_Cls_Internet);
    com_ptr<IDispatch> late_ = createByName(L"BRASKEDLL.Cls_Internet");

    std::wstring lateText(const wchar_t* member, std::vector<VARIANT> arguments = {}) {
        CallResult r;
        invoke(r, late_.get(), member, std::move(arguments));
        EXPECT_EQ(r.status, S_OK) << member;
        EXPECT_EQ(V_VT(r.value.get()), VT_BSTR) << member;
        return textOf(*r.value.get());
    }
};

TEST_F(HostInfoTest, LocalHostNameAndAddressAreThePlatformsWithNoMessage) {
    ASSERT_TRUE(internet_ && late_);
    HostFacts facts;
    ASSERT_FALSE(facts.name.empty());
    MessageBoxAnswerer nobody;
    tolvare::unique_bstr name, address;
    ASSERT_EQ(internet_->GetIPHostName(name.put()), S_OK);
    EXPECT_EQ(str(name.get()), widen(facts.name));
    ASSERT_EQ(internet_->GetIPAddress(address.put()), S_OK);
    EXPECT_EQ(str(address.get()), widen(facts.firstAddress));
    EXPECT_TRUE(std::regex_match(str(address.get()), std::wregex(LR"(\d{1,3}(\.\d{1,3}){3})"))) << str(address.get());
    EXPECT_EQ(lateText(L"GetIPHostName"), widen(facts.name));
    EXPECT_EQ(lateText(L"GetIPAddress"), widen(facts.firstAddress));
    EXPECT_EQ(nobody.answered(), 0);
}

TEST_F(HostInfoTest, EveryCallCleansUpTheSocketsItStarted) {
    // The sockets layer counts start-ups: one left behind by a member would keep it started.
    // The start-ups that this process holds already are ended for the test and made again.
    int held = 0;
    while (WSACleanup() == 0) ++held;
    for (int i = 0; i < 3; ++i) {
        tolvare::unique_bstr text;
        internet_->GetIPAddress(text.put());
        internet_->GetIPHostName(text.put());
        internet_->GetIPFromHostName(tolvare::unique_bstr(SysAllocString(L"localhost")).get(), text.put());
        MessageBoxWatcher watcher(L"ERROR");
        internet_->GetHostNameFromIP(tolvare::unique_bstr(SysAllocString(L"not an address")).get(), text.put());
        EXPECT_TRUE(watcher.wait());
    }
    tolvare::unique_socket probe(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    EXPECT_FALSE(probe) << "a start-up was left without its clean-up";
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    while (WSACleanup() == 0) {
    }
    WSADATA data;
    for (int i = 0; i < held; ++i) WSAStartup(MAKEWORD(2, 2), &data);
}

TEST_F(HostInfoTest, ForwardAndReverseLookupsOnTheLoopback) {
    MessageBoxAnswerer nobody;
    tolvare::unique_bstr result;
    ASSERT_EQ(internet_->GetIPFromHostName(tolvare::unique_bstr(SysAllocString(L"localhost")).get(), result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"127.0.0.1");
    // A dotted address resolves to itself; a zero byte is written as 0.
    ASSERT_EQ(internet_->GetIPFromHostName(tolvare::unique_bstr(SysAllocString(L"127.0.0.1")).get(), result.put()), S_OK);
    EXPECT_EQ(str(result.get()), L"127.0.0.1");
    EXPECT_EQ(lateText(L"GetIPFromHostName", {text(L"127.0.0.1")}), L"127.0.0.1");
    // Names that cannot resolve, refused before any query leaves the machine: nothing shown.
    for (const std::wstring& name : {std::wstring(300, L'a'), std::wstring(64, L'b') + L".example", std::wstring(1000, L'c')}) {
        ASSERT_EQ(internet_->GetIPFromHostName(tolvare::unique_bstr(SysAllocString(name.c_str())).get(), result.put()), S_OK);
        EXPECT_EQ(str(result.get()), L"") << name.size();
    }
    EXPECT_EQ(nobody.answered(), 0) << "an unresolved name shows nothing";

    tolvare::unique_bstr reverse;
    ASSERT_EQ(internet_->GetHostNameFromIP(tolvare::unique_bstr(SysAllocString(L"127.0.0.1")).get(), reverse.put()), S_OK);
    tolvare::WinsockSession sockets;
    unsigned long loopback = inet_addr("127.0.0.1");
    const hostent* expected = gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, AF_INET);
    ASSERT_TRUE(expected);
    EXPECT_EQ(str(reverse.get()), widen(expected->h_name));
    EXPECT_EQ(lateText(L"GetHostNameFromIP", {text(L"127.0.0.1")}), widen(expected->h_name));
}

TEST_F(HostInfoTest, TextsThatAreNoAddressAreToldAndGiveEmptyText) {
    const std::wstring withNul(L"127.0.0.1\0junk", 14);
    struct Case {
        std::wstring address;
        const wchar_t* message;
    } cases[] = {
        {L"999.1.1.1", L"String passed is an invalid IP."},
        // The parser's answer for a text that is no address is this address too.
        {L"255.255.255.255", L"String passed is an invalid IP."},
        {L"", L"String passed is an invalid IP."},
        {std::wstring(300, L'9'), L"String passed is an invalid IP."},
    };
    for (const Case& c : cases) {
        MessageBoxWatcher watcher(L"ERROR");
        tolvare::unique_bstr result;
        ASSERT_EQ(internet_->GetHostNameFromIP(tolvare::unique_bstr(SysAllocStringLen(c.address.data(), UINT(c.address.size()))).get(),
                                               result.put()),
                  S_OK);
        ASSERT_TRUE(watcher.wait()) << c.address;
        EXPECT_EQ(watcher.seen().text, c.message) << c.address;
        EXPECT_EQ(str(result.get()), L"");
    }
    // The platform reads a text up to its first NUL: what stands before it is the address.
    {
        MessageBoxAnswerer nobody;
        tolvare::unique_bstr result;
        ASSERT_EQ(internet_->GetHostNameFromIP(
                      tolvare::unique_bstr(SysAllocStringLen(withNul.data(), UINT(withNul.size()))).get(), result.put()),
                  S_OK);
        EXPECT_NE(str(result.get()), L"");
        EXPECT_EQ(nobody.answered(), 0);
    }
    // Late-bound, the message comes the same way.
    MessageBoxWatcher watcher(L"ERROR");
    EXPECT_EQ(lateText(L"GetHostNameFromIP", {text(L"256.1.1.1")}), L"");
    ASSERT_TRUE(watcher.wait());
    EXPECT_EQ(watcher.seen().text, L"String passed is an invalid IP.");
}

TEST_F(HostInfoTest, HardwareAddressIsSixPairsEvenWhenTheAdapterDoesNotAnswer) {
    MessageBoxAnswerer nobody;
    tolvare::unique_bstr mac;
    ASSERT_EQ(internet_->GetMACAddress(mac.put()), S_OK);
    EXPECT_TRUE(std::regex_match(str(mac.get()), std::wregex(L"[0-9A-F]{2}( [0-9A-F]{2}){5}"))) << str(mac.get());
    EXPECT_EQ(lateText(L"GetMACAddress"), str(mac.get()));
    EXPECT_EQ(nobody.answered(), 0);
}

TEST_F(HostInfoTest, UserNameIsThePlatformsUser) {
    char user[256] = {};
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    tolvare::unique_bstr name;
    ASSERT_EQ(internet_->GetUserName(name.put()), S_OK);
    EXPECT_EQ(str(name.get()), widen(user));
    EXPECT_EQ(lateText(L"GetUserName"), widen(user));
}

// The servers as the IP configuration service lists them.
std::vector<std::wstring> platformDnsServers() {
    ULONG size = 0;
    GetNetworkParams(nullptr, &size);
    std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);
    auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
    std::vector<std::wstring> servers;
    if (size == 0 || GetNetworkParams(info, &size) != ERROR_SUCCESS) return servers;
    for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next)
        servers.push_back(widen(entry->IpAddress.String));
    return servers;
}

TEST_F(HostInfoTest, DnsServersEarlyBoundReplaceTheCallersArray) {
    const std::vector<std::wstring> expected = platformDnsServers();
    BSTR currentText = SysAllocString(L"kept?");
    SAFEARRAYBOUND bound{5, 3};
    SAFEARRAY* servers = SafeArrayCreate(VT_BSTR, 1, &bound);
    LONG count = -1;
    ASSERT_EQ(internet_->GetDNSServers(&currentText, &servers, &count), S_OK);
    tolvare::unique_bstr current(currentText);
    tolvare::unique_safearray owned(servers);
    ASSERT_TRUE(servers);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(servers, 1, &lower);
    SafeArrayGetUBound(servers, 1, &upper);
    EXPECT_EQ(lower, 0);
    if (expected.empty()) {
        EXPECT_EQ(count, 0);
        EXPECT_EQ(upper, 0);
        return;
    }
    EXPECT_EQ(count, LONG(expected.size()));
    EXPECT_EQ(upper, count - 1);
    EXPECT_EQ(str(current.get()), expected[0]);
    for (LONG i = 0; i < count; ++i) {
        BSTR element = nullptr;
        SafeArrayGetElement(servers, &i, &element);
        EXPECT_EQ(element ? std::wstring(element) : L"", expected[size_t(i)]);
        SysFreeString(element);
    }
}

TEST_F(HostInfoTest, DnsServersLateBoundWithAScriptsArrayOfVariants) {
    const std::vector<std::wstring> expected = platformDnsServers();
    VARIANT current = text(L"");
    VARIANT list;
    VariantInit(&list);
    SAFEARRAYBOUND bound{2, 0};
    V_VT(&list) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&list) = SafeArrayCreate(VT_VARIANT, 1, &bound);
    CallResult r;
    invoke(r, late_.get(), L"GetDNSServers", {reference(&current), reference(&list)});
    ASSERT_EQ(r.status, S_OK);
    ASSERT_EQ(V_VT(&list), VT_ARRAY | VT_VARIANT);
    LONG upper = -1;
    SafeArrayGetUBound(V_ARRAY(&list), 1, &upper);
    const LONG count = V_I4(r.value.get());
    EXPECT_EQ(count, LONG(expected.size()));
    EXPECT_EQ(upper, count > 0 ? count - 1 : 0);
    if (count > 0) {
        LONG zero = 0;
        VARIANT first;
        VariantInit(&first);
        SafeArrayGetElement(V_ARRAY(&list), &zero, &first);
        EXPECT_EQ(V_VT(&first), VT_BSTR);
        EXPECT_EQ(textOf(first), expected[0]);
        EXPECT_EQ(textOf(current), expected[0]);
        VariantClear(&first);
    }
    VariantClear(&current);
    VariantClear(&list);
}

TEST_F(HostInfoTest, OddTextsNeverCrashTheLookups) {
    MessageBoxAnswerer answerer;
    const std::wstring texts[] = {L"", std::wstring(L"\0\0", 2), std::wstring(300, L'x'), L"999.1.1.1",
                                  std::wstring(L"loc\0alhost", 10), std::wstring(100000, L'7')};
    for (const std::wstring& t : texts) {
        tolvare::unique_bstr input(SysAllocStringLen(t.data(), UINT(t.size()))), result;
        EXPECT_EQ(internet_->GetIPFromHostName(input.get(), result.put()), S_OK);
        EXPECT_EQ(internet_->GetHostNameFromIP(input.get(), result.put()), S_OK);
    }
    tolvare::unique_bstr result;
    EXPECT_EQ(internet_->GetIPFromHostName(nullptr, result.put()), S_OK);
    EXPECT_EQ(internet_->GetHostNameFromIP(nullptr, result.put()), S_OK);
    EXPECT_EQ(internet_->GetIPAddress(nullptr), E_POINTER);
    EXPECT_EQ(internet_->GetDNSServers(nullptr, nullptr, nullptr), E_POINTER);
}

}  // namespace
