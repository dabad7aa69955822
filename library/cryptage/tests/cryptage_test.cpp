// Cls_Cryptage through the real library against Wine's base cryptographic provider: the key
// container prepared at creation and its messages, cipher texts that any RC4 implementation
// keyed as the platform's provider keys it can read (an independent MD5 and RC4 here compute
// them), signatures made and checked, and a script client.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "library/cryptage/tests/box_recorder.h"
#include "library/frame/tests/class_test_support.h"

#include <wincrypt.h>

using namespace korvel_test;

namespace {

// MD5 as its definition gives it, small and slow.
std::array<uint8_t, 16> md5(const std::string& message) {
    static const uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int r[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                              5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                              4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                              6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    std::string padded = message;
    padded.push_back(char(0x80));
    while (padded.size() % 64 != 56) padded.push_back('\0');
    uint64_t bits = uint64_t(message.size()) * 8;
    for (int i = 0; i < 8; ++i) padded.push_back(char(bits >> (8 * i)));
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (size_t block = 0; block < padded.size(); block += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int j = 0; j < 4; ++j) w[i] |= uint32_t(uint8_t(padded[block + 4 * i + j])) << (8 * j);
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16) f = (b & c) | (~b & d), g = i;
            else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
            else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) % 16;
            else f = c ^ (b | ~d), g = (7 * i) % 16;
            uint32_t rotated = a + f + k[i] + w[g];
            a = d, d = c, c = b;
            b += (rotated << r[i]) | (rotated >> (32 - r[i]));
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    std::array<uint8_t, 16> digest;
    for (int i = 0; i < 16; ++i) digest[i] = uint8_t(h[i / 4] >> (8 * (i % 4)));
    return digest;
}

std::string rc4(const std::vector<uint8_t>& key, const std::string& data) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 255;
        std::swap(s[i], s[j]);
    }
    std::string out = data;
    for (size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 255;
        j = (j + s[i]) & 255;
        std::swap(s[i], s[j]);
        out[n] = char(uint8_t(out[n]) ^ s[(s[i] + s[j]) & 255]);
    }
    return out;
}

std::string ansi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring fromBytes(const std::string& bytes) {
    int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(), size);
    return text;
}

// What the platform's base provider makes of a password: RC4 with the first five bytes of the
// password's MD5 and eleven zero bytes.
std::wstring expectedCipher(const std::wstring& password, const std::wstring& text) {
    std::array<uint8_t, 16> digest = md5(ansi(password));
    std::vector<uint8_t> key(digest.begin(), digest.begin() + 5);
    key.resize(16, 0);
    return fromBytes(rc4(key, ansi(text)));
}

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

com_ptr<_Cls_Cryptage> createCryptage(std::vector<std::wstring>* messages = nullptr) {
    BoxRecorder recorder;
    com_ptr<_Cls_Cryptage> object = createByClassId<_Cls_Cryptage>(CLSID_Cls_Cryptage);
    if (messages) *messages = recorder.texts();
    return object;
}

void deleteDefaultContainer() {
    HCRYPTPROV none = 0;
    CryptAcquireContextW(&none, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
}

class Cryptage : public ::testing::Test {
protected:
    void SetUp() override {
        crypt = createCryptage();
        ASSERT_TRUE(crypt);
    }
    void set(HRESULT (STDMETHODCALLTYPE _Cls_Cryptage::*put)(BSTR*), const std::wstring& value) {
        BSTR variable = SysAllocStringLen(value.data(), UINT(value.size()));
        EXPECT_EQ((crypt.get()->*put)(&variable), S_OK);
        SysFreeString(variable);
    }
    std::wstring get(HRESULT (STDMETHODCALLTYPE _Cls_Cryptage::*read)(BSTR*)) {
        unique_bstr value;
        EXPECT_EQ((crypt.get()->*read)(value.put()), S_OK);
        return str(value.get());
    }
    LONG status() {
        LONG value = -1;
        EXPECT_EQ(crypt->get_Status(&value), S_OK);
        return value;
    }
    // Runs an operation with its messages recorded.
    std::vector<std::wstring> run(HRESULT (STDMETHODCALLTYPE _Cls_Cryptage::*operation)()) {
        BoxRecorder recorder;
        EXPECT_EQ((crypt.get()->*operation)(), S_OK);
        return recorder.texts();
    }

    com_ptr<_Cls_Cryptage> crypt;
};

TEST(KeyContainer, CreationPreparesTheUsersContainerAndSaysSo) {
    deleteDefaultContainer();
    char user[256] = {};
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    std::vector<std::wstring> messages;
    com_ptr<_Cls_Cryptage> first = createCryptage(&messages);
    ASSERT_TRUE(first);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"Create key container " + fromBytes(user),
                                                   L"Create key exchange key pair", L"Create key exchange key pair",
                                                   L"Initialisation de l'utilisateur reussit"}));
    LONG status = -1;
    EXPECT_EQ(first->get_Status(&status), S_OK);
    EXPECT_EQ(status, 0);

    com_ptr<_Cls_Cryptage> second = createCryptage(&messages);
    ASSERT_TRUE(second);
    EXPECT_EQ(messages, std::vector<std::wstring>{L"Initialisation de l'utilisateur reussit"});

    // Both key pairs are there for the platform too.
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextW(&provider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, 0));
    for (DWORD pair : {DWORD(AT_SIGNATURE), DWORD(AT_KEYEXCHANGE)}) {
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGetUserKey(provider, pair, &key)) << pair;
        if (key) CryptDestroyKey(key);
    }
    CryptReleaseContext(provider, 0);
}

TEST_F(Cryptage, CipherTextsAreThePlatformProvidersRc4) {
    struct Case {
        std::wstring password, text;
    } cases[] = {
        {L"secret", L"Bonjour"},
        {L"", L"un mot de passe vide"},
        {L"\u00e9t\u00e9", L"des accents \u00e0 chiffrer \u00e9"},
        {L"p", std::wstring(5000, L'x')},
        {L"pw", std::wstring(L"avec\0nul", 8)},
    };
    for (const Case& c : cases) {
        set(&_Cls_Cryptage::put_Password, c.password);
        set(&_Cls_Cryptage::put_InBuffer, c.text);
        EXPECT_TRUE(run(&_Cls_Cryptage::Encrypt).empty());
        EXPECT_EQ(status(), 1);
        std::wstring cipher = get(&_Cls_Cryptage::get_OutBuffer);
        EXPECT_EQ(cipher.size(), c.text.size());
        EXPECT_EQ(cipher, expectedCipher(c.password, c.text)) << c.password.c_str();

        set(&_Cls_Cryptage::put_InBuffer, cipher);
        EXPECT_TRUE(run(&_Cls_Cryptage::Decrypt).empty());
        EXPECT_EQ(status(), 1);
        EXPECT_EQ(get(&_Cls_Cryptage::get_OutBuffer), c.text);
    }
    // The properties keep their values.
    EXPECT_EQ(get(&_Cls_Cryptage::get_Password), L"pw");

    // Characters outside the code page enter the provider as the code page writes them, in
    // the password as in the text; the decrypted text is the one the code page gave.
    const std::wstring foreign = L"\u4e00 \u0416!";
    set(&_Cls_Cryptage::put_Password, foreign);
    set(&_Cls_Cryptage::put_InBuffer, foreign);
    EXPECT_TRUE(run(&_Cls_Cryptage::Encrypt).empty());
    EXPECT_EQ(get(&_Cls_Cryptage::get_OutBuffer), expectedCipher(foreign, foreign));
    set(&_Cls_Cryptage::put_InBuffer, get(&_Cls_Cryptage::get_OutBuffer));
    EXPECT_TRUE(run(&_Cls_Cryptage::Decrypt).empty());
    EXPECT_EQ(get(&_Cls_Cryptage::get_OutBuffer), fromBytes(ansi(foreign)));
    set(&_Cls_Cryptage::put_Password, L"pw");

    set(&_Cls_Cryptage::put_InBuffer, L"");
    EXPECT_TRUE(run(&_Cls_Cryptage::Encrypt).empty());
    EXPECT_EQ(get(&_Cls_Cryptage::get_OutBuffer), L"");
    EXPECT_EQ(status(), 1);
}

TEST_F(Cryptage, SignaturesAreConfirmedOnlyForTheSignedText) {
    const std::wstring text = L"Ordre de virement n\u00b0 42";
    set(&_Cls_Cryptage::put_InBuffer, text);
    EXPECT_TRUE(run(&_Cls_Cryptage::Sign).empty());
    EXPECT_EQ(status(), 1);
    const std::wstring signature = get(&_Cls_Cryptage::get_Signature);
    EXPECT_EQ(signature.size(), 64u);  // the provider's default 512-bit signature key

    EXPECT_TRUE(run(&_Cls_Cryptage::Validate).empty());
    EXPECT_EQ(status(), 2);

    // A signature kept elsewhere and given back, by another object.
    com_ptr<_Cls_Cryptage> other = createCryptage();
    BSTR variable = SysAllocStringLen(signature.data(), UINT(signature.size()));
    EXPECT_EQ(other->put_Signature(&variable), S_OK);
    SysFreeString(variable);
    variable = SysAllocStringLen(text.data(), UINT(text.size()));
    EXPECT_EQ(other->put_InBuffer(&variable), S_OK);
    SysFreeString(variable);
    {
        BoxRecorder recorder;
        EXPECT_EQ(other->Validate(), S_OK);
        EXPECT_TRUE(recorder.texts().empty());
    }
    LONG otherStatus = -1;
    other->get_Status(&otherStatus);
    EXPECT_EQ(otherStatus, 2);

    std::wstring changed = text;
    changed[3] = L'E';
    set(&_Cls_Cryptage::put_InBuffer, changed);
    EXPECT_TRUE(run(&_Cls_Cryptage::Validate).empty());
    EXPECT_EQ(status(), 1);

    set(&_Cls_Cryptage::put_InBuffer, text);
    std::wstring badSignature = signature;
    badSignature[10] = wchar_t(badSignature[10] == L'A' ? L'B' : L'A');
    set(&_Cls_Cryptage::put_Signature, badSignature);
    EXPECT_TRUE(run(&_Cls_Cryptage::Validate).empty());
    EXPECT_EQ(status(), 1);

    set(&_Cls_Cryptage::put_Signature, L"");
    run(&_Cls_Cryptage::Validate);
    EXPECT_EQ(status(), 1);
}

// A failed operation leaves neither an earlier result nor the plain text in OutBuffer or
// Signature, and Status says it failed (3).
TEST_F(Cryptage, AFailedOperationLeavesNothingBehindAndSaysSo) {
    set(&_Cls_Cryptage::put_Password, L"pw");
    set(&_Cls_Cryptage::put_InBuffer, L"texte en clair");
    run(&_Cls_Cryptage::Encrypt);
    ASSERT_EQ(status(), 1);
    ASSERT_FALSE(get(&_Cls_Cryptage::get_OutBuffer).empty());
    run(&_Cls_Cryptage::Sign);
    ASSERT_FALSE(get(&_Cls_Cryptage::get_Signature).empty());

    // Without the user's key container, no key can be had.
    deleteDefaultContainer();
    using Operation = HRESULT (STDMETHODCALLTYPE _Cls_Cryptage::*)();
    for (const Operation operation : {Operation(&_Cls_Cryptage::Encrypt), Operation(&_Cls_Cryptage::Decrypt),
                                      Operation(&_Cls_Cryptage::Sign)}) {
        EXPECT_FALSE(run(operation).empty()) << "the failure is told, as before";
        EXPECT_EQ(status(), 3);
        EXPECT_EQ(get(&_Cls_Cryptage::get_OutBuffer), L"");
    }
    EXPECT_EQ(get(&_Cls_Cryptage::get_Signature), L"");
    EXPECT_TRUE(createCryptage()) << "a new object makes the container again";
}

// Under a double-byte code page (932, 936, 949, 950) a character may take two bytes: the whole
// text is signed and encrypted, and the whole password makes the key. The case has nothing to
// check under a single-byte code page: it is disabled in the suite's own run and run alone under
// code page 932 (korvel_cryptage_code_page, library/CMakeLists.txt).
TEST(CryptageCodePage, DISABLED_DoubleByteTextsAreTakenWhole) {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) GTEST_SKIP() << "code page " << GetACP();
    com_ptr<_Cls_Cryptage> crypt = createCryptage();
    ASSERT_TRUE(crypt);
    const auto put = [&](HRESULT (STDMETHODCALLTYPE _Cls_Cryptage::*setter)(BSTR*), const std::wstring& value) {
        BSTR variable = SysAllocStringLen(value.data(), UINT(value.size()));
        EXPECT_EQ((crypt.get()->*setter)(&variable), S_OK);
        SysFreeString(variable);
    };
    const auto cipherOf = [&](const std::wstring& password, const std::wstring& text) {
        put(&_Cls_Cryptage::put_Password, password);
        put(&_Cls_Cryptage::put_InBuffer, text);
        BoxRecorder quiet;
        EXPECT_EQ(crypt->Encrypt(), S_OK);
        unique_bstr out;
        EXPECT_EQ(crypt->get_OutBuffer(out.put()), S_OK);
        return str(out.get());
    };
    // Ideographs of the code pages' common ground, two bytes each in all four.
    const std::wstring text = L"\u4e00\u4e8c\u4e09 ordre AB";
    const std::wstring password = L"\u4e00\u4e8c-mot";
    const std::wstring cipher = cipherOf(password, text);
    EXPECT_EQ(cipher.size() > 0, true);
    EXPECT_NE(cipherOf(password, text.substr(0, text.size() - 1) + L"C"), cipher) << "the tail is encrypted";
    EXPECT_NE(cipherOf(password.substr(0, password.size() - 1) + L"x", text), cipher) << "the whole password counts";
    // The cipher's bytes come back whole: decrypted, it is the text again.
    put(&_Cls_Cryptage::put_Password, password);
    put(&_Cls_Cryptage::put_InBuffer, cipherOf(password, text));
    {
        BoxRecorder quiet;
        EXPECT_EQ(crypt->Decrypt(), S_OK);
    }
    unique_bstr plain;
    EXPECT_EQ(crypt->get_OutBuffer(plain.put()), S_OK);
    EXPECT_EQ(str(plain.get()), text);

    put(&_Cls_Cryptage::put_InBuffer, text);
    {
        BoxRecorder quiet;
        EXPECT_EQ(crypt->Sign(), S_OK);
    }
    // The signature is confirmed for the text, and not for one with another tail.
    for (const auto& [signed_, expected] : {std::pair{text, 2L}, std::pair{text.substr(0, text.size() - 1) + L"C", 1L}}) {
        put(&_Cls_Cryptage::put_InBuffer, signed_);
        LONG status = -1;
        {
            BoxRecorder quiet;
            EXPECT_EQ(crypt->Validate(), S_OK);
        }
        EXPECT_EQ(crypt->get_Status(&status), S_OK);
        EXPECT_EQ(status, expected);
    }
}

// The script client, run by the Wine cscript of this program's bitness, its message boxes
// answered from here as its user would.
TEST(CryptageScript, EveryMemberLateBound) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring script = L"Z:" + std::wstring(KORVEL_CRYPTAGE_SCRIPT, KORVEL_CRYPTAGE_SCRIPT + strlen(KORVEL_CRYPTAGE_SCRIPT));
    for (wchar_t& c : script)
        if (c == L'/') c = L'\\';
    const std::wstring output = temporaryFolder() + L"\\output.txt";
    std::wstring command = L"\"" + std::wstring(system) + L"\\cscript.exe\" //nologo \"" + script + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
    CloseHandle(file);
    std::vector<std::wstring> messages;
    {
        BoxRecorder recorder(process.dwProcessId);
        // Generous: where 32-bit programs are emulated, starting one takes about a minute.
        DWORD waited = WaitForSingleObject(process.hProcess, 480000);
        EXPECT_EQ(waited, WAIT_OBJECT_0);
        if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        messages = recorder.texts();
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string text;
    HANDLE written = CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(written, INVALID_HANDLE_VALUE);
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(written, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
    CloseHandle(written);
    std::cout << text;
    // Two objects, each greeting its user; nothing else is said.
    EXPECT_EQ(messages, std::vector<std::wstring>(2, L"Initialisation de l'utilisateur reussit"));
    EXPECT_EQ(text.find("FAILED"), std::string::npos) << text;
    EXPECT_NE(text.find(" passed, 0 failed"), std::string::npos) << text;
}

}  // namespace
