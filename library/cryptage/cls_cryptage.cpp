#include "library/cryptage/cls_cryptage.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "common/win32/crypt_handles.h"
#include "library/frame/ansi_text.h"

namespace korvel {

namespace {

using tolvare::unique_hcryptkey;
using tolvare::unique_hcrypthash;
using tolvare::unique_hcryptprov;

// The user's default key container of the base provider.
bool acquireProvider(unique_hcryptprov& provider, DWORD flags) {
    return CryptAcquireContextA(provider.put(), nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, flags) != FALSE;
}

// The platform's last error as the messages write it: a signed 32-bit number, so that the
// provider's codes (top bit set) read negative.
std::wstring lastErrorNumber() { return std::to_wstring(LONG(GetLastError())); }

void tell(std::wstring_view text) { showLibraryMessage(text); }

// "Error <n> during <operation>" with the last error, read before anything else can change it.
void tellFailure(const wchar_t* operation) { tell(L"Error " + lastErrorNumber() + L" during " + operation); }

// A text as the provider's bytes: all its ANSI bytes (under a double-byte code page a
// character may take two: cutting them to the number of characters would sign, encrypt or
// derive a key from a prefix only).
std::string bytesOf(std::wstring_view text) {
    return toAnsi(text);
}

// Bytes as a text of one character per byte through the ANSI code page.
std::wstring textOfBytes(std::string_view bytes) { return fromAnsi(bytes); }

// Cipher texts and signatures are bytes of any value. Under a single-byte code page they are
// given as ANSI text, which reads back byte for byte and is what files of earlier versions
// hold. Under a double-byte one that text would not come back (a lead byte takes the next byte
// with it, a lone one becomes another character), so a cipher could not be decrypted nor a
// signature confirmed: there each byte is the character of its value, U+0000 to U+00FF, and a
// text made only of such characters reads back the same way.
bool doubleByteCodePage() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

std::wstring textOfCipher(std::string_view bytes) {
    if (!doubleByteCodePage()) return textOfBytes(bytes);
    std::wstring text(bytes.size(), L'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(), [](char b) { return wchar_t(static_cast<unsigned char>(b)); });
    return text;
}

std::string bytesOfCipher(std::wstring_view text) {
    if (!doubleByteCodePage() || std::any_of(text.begin(), text.end(), [](wchar_t c) { return c > 0xFF; }))
        return bytesOf(text);
    std::string bytes(text.size(), '\0');
    std::transform(text.begin(), text.end(), bytes.begin(), [](wchar_t c) { return char(static_cast<unsigned char>(c)); });
    return bytes;
}

// The message of an unexpected failure inside an operation: its prefix and the description.
std::wstring describe(std::wstring_view prefix) {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return std::wstring(prefix) + error.description();
    } catch (const std::bad_alloc&) {
        return std::wstring(prefix) + std::wstring(runtimeErrorDescription(kOutOfMemory));
    } catch (...) {
        return std::wstring(prefix);
    }
}

// The RC4 key of a password: the provider, a hash of the password's bytes, the key derived
// from it (flags 0: the provider's default length), the hash destroyed. False after the failing
// step's message.
struct PasswordKey {
    unique_hcryptprov provider;
    unique_hcrypthash hash;
    unique_hcryptkey key;

    bool derive(const std::wstring& password) {
        if (!acquireProvider(provider, 0)) {
            tellFailure(L"CryptAcquireContext!");
            return false;
        }
        if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) {
            tellFailure(L"CryptCreateHash!");
            return false;
        }
        std::string bytes = bytesOf(password);
        if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), 0)) {
            tellFailure(L"CryptHashData!");
            return false;
        }
        if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 0, key.put())) {
            tellFailure(L"CryptDeriveKey!");
            return false;
        }
        hash.reset();
        return true;
    }
    // Key, hash, then provider.
    ~PasswordKey() {
        key.reset();
        hash.reset();
        provider.reset();
    }
};

}  // namespace

Cls_Cryptage::Cls_Cryptage() {
    bool prepared = PrepareKeyContainer();
    tell(prepared ? L"Initialisation de l'utilisateur reussit" : L"Echec de l'initialisation de l'utilisateur");
}

bool Cls_Cryptage::PrepareKeyContainer() {
    try {
        unique_hcryptprov provider;
        if (!acquireProvider(provider, 0)) {
            if (!acquireProvider(provider, CRYPT_NEWKEYSET)) {
                tell(L"Error creating key container! " + lastErrorNumber());
                return false;
            }
            BYTE name[1001] = {};
            DWORD length = sizeof name;
            std::wstring containerName;
            if (!CryptGetProvParam(provider.get(), PP_CONTAINER, name, &length, 0)) {
                tell(L"Error getting user name! " + lastErrorNumber());
            } else {
                containerName = textOfBytes(std::string_view(reinterpret_cast<const char*>(name),
                                                             strnlen(reinterpret_cast<const char*>(name), sizeof name)));
            }
            tell(L"Create key container " + containerName);
        }
        for (DWORD keySpec : {DWORD(AT_SIGNATURE), DWORD(AT_KEYEXCHANGE)}) {
            unique_hcryptkey key;
            if (CryptGetUserKey(provider.get(), keySpec, key.put())) continue;
            if (DWORD(GetLastError()) != DWORD(NTE_NO_KEY)) {
                tell(L"Error during CryptGetUserKey! " + lastErrorNumber());
                return false;
            }
            tell(L"Create key exchange key pair");
            if (!CryptGenKey(provider.get(), keySpec, 0, key.put())) {
                tell(L"Error during CryptGenKey! " + lastErrorNumber());
                return false;
            }
        }
        return true;
    } catch (...) {
        tell(describe(L"Erreur lors de l'initialisation de l'utilisateur :\r\n"));
        return false;
    }
}

HRESULT Cls_Cryptage::get_InBuffer(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(inBuffer_);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::put_InBuffer(BSTR *vData) {
    if (!vData) return E_POINTER;
    return guarded([&] {
        inBuffer_ = textOf(*vData);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::get_OutBuffer(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(outBuffer_);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::get_Signature(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(signature_);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::put_Signature(BSTR *vData) {
    if (!vData) return E_POINTER;
    return guarded([&] {
        signature_ = textOf(*vData);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::Sign() {
    status_ = kStarted;
    signature_.clear();
    bool done = false;
    try {
        unique_hcryptprov provider;
        unique_hcrypthash hash;
        if (!acquireProvider(provider, 0)) {
            tellFailure(L"CryptAcquireContext!");
        } else if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) {
            tellFailure(L"CryptCreateHash!");
        } else {
            std::string data = bytesOf(inBuffer_);
            if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()), 0)) {
                tellFailure(L"CryptHashData!");
            } else {
                // The first call only learns the size.
                DWORD size = 0;
                CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, nullptr, &size);
                signature_.assign(size, L'\0');
                std::string signature(size, '\0');
                if (!CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, reinterpret_cast<BYTE*>(signature.data()),
                                    &size)) {
                    tellFailure(L"CryptSignHash");
                } else {
                    signature_ = textOfCipher(std::string_view(signature).substr(0, size));
                    done = true;
                }
            }
        }
    } catch (...) {
        tell(describe(L"ErrSign "));
    }
    if (!done) signature_.clear();
    status_ = done ? kFinished : kFailed;
    return S_OK;
}

HRESULT Cls_Cryptage::Validate() {
    status_ = kStarted;
    bool confirmed = true;
    try {
        unique_hcryptprov provider;
        unique_hcrypthash hash;
        unique_hcryptkey key;
        std::string data = bytesOf(inBuffer_);
        if (!acquireProvider(provider, 0)) {
            tellFailure(L"CryptAcquireContext!");
            confirmed = false;
        } else if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) {
            tellFailure(L"CryptCreateHash!");
            confirmed = false;
        } else if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()), 0)) {
            tellFailure(L"CryptHashData!");
            confirmed = false;
        } else if (!CryptGetUserKey(provider.get(), AT_SIGNATURE, key.put())) {
            tellFailure(L"CryptGetUserKey!");
            confirmed = false;
        } else {
            std::string signature = bytesOfCipher(signature_);
            if (!CryptVerifySignatureA(hash.get(), reinterpret_cast<const BYTE*>(signature.data()),
                                       DWORD(signature.size()), key.get(), nullptr, 0)) {
                confirmed = false;
                // A signature that does not match is an answer, not a failure.
                if (DWORD(GetLastError()) != DWORD(NTE_BAD_SIGNATURE)) tellFailure(L"CryptVerifySignature!");
            }
        }
        key.reset();
        hash.reset();
    } catch (...) {
        confirmed = false;
        tell(describe(L"ErrValidate "));
    }
    status_ = confirmed ? kConfirmed : kFinished;
    return S_OK;
}

// Encrypt and Decrypt leave nothing of an earlier result, nor the text itself, in OutBuffer when
// they fail: a caller that does not look at Status must not take the plain text for a cipher.
HRESULT Cls_Cryptage::Encrypt() {
    status_ = kStarted;
    outBuffer_.clear();
    bool done = false;
    try {
        PasswordKey password;
        if (password.derive(password_)) {
            // The working text has room for twice the data, as a block cipher would need.
            std::string buffer = bytesOf(inBuffer_);
            const size_t length = buffer.size();
            buffer.resize(2 * length, ' ');
            DWORD dataLength = DWORD(length);
            if (!CryptEncrypt(password.key.get(), 0, TRUE, 0, reinterpret_cast<BYTE*>(buffer.data()), &dataLength,
                              DWORD(buffer.size()))) {
                std::wstring error = lastErrorNumber();
                tell(L"bytes required:" + std::to_wstring(dataLength));
                tell(L"Error " + error + L" during CryptEncrypt!");
            } else {
                outBuffer_ = textOfCipher(std::string_view(buffer).substr(0, dataLength));
                done = true;
            }
        }
    } catch (...) {
        tell(describe(L"ErrEncrypt "));
    }
    if (!done) outBuffer_.clear();
    status_ = done ? kFinished : kFailed;
    return S_OK;
}

HRESULT Cls_Cryptage::Decrypt() {
    status_ = kStarted;
    outBuffer_.clear();
    bool done = false;
    try {
        PasswordKey password;
        if (password.derive(password_)) {
            // The blanks after the data are decrypted too, and dropped.
            std::string buffer = bytesOfCipher(inBuffer_);
            const size_t length = buffer.size();
            buffer.resize(2 * length, ' ');
            DWORD dataLength = DWORD(buffer.size());
            if (!CryptDecrypt(password.key.get(), 0, TRUE, 0, reinterpret_cast<BYTE*>(buffer.data()), &dataLength)) {
                std::wstring error = lastErrorNumber();
                tell(L"bytes required:" + std::to_wstring(dataLength));
                tell(L"Error " + error + L" during CryptDecrypt!");
            } else {
                outBuffer_ = textOfBytes(std::string_view(buffer).substr(0, length));
                done = true;
            }
        }
    } catch (...) {
        tell(describe(L"ErrDecrypt "));
    }
    if (!done) outBuffer_.clear();
    status_ = done ? kFinished : kFailed;
    return S_OK;
}

HRESULT Cls_Cryptage::get_Status(LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    *pRetVal = status_;
    return S_OK;
}

HRESULT Cls_Cryptage::get_Password(BSTR *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = makeString(password_);
        return S_OK;
    });
}

HRESULT Cls_Cryptage::put_Password(BSTR *vData) {
    if (!vData) return E_POINTER;
    return guarded([&] {
        password_ = textOf(*vData);
        return S_OK;
    });
}

}  // namespace korvel
