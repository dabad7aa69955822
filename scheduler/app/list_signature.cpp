#include "scheduler/app/list_signature.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "common/win32/unique_handle.h"
#include "scheduler/core/signature_encoding.h"

namespace tolvare::plenar {

namespace {

void closeAlgorithm(BCRYPT_ALG_HANDLE algorithm) noexcept { ::BCryptCloseAlgorithmProvider(algorithm, 0); }
void destroyHash(BCRYPT_HASH_HANDLE hash) noexcept { ::BCryptDestroyHash(hash); }
void destroyKey(BCRYPT_KEY_HANDLE key) noexcept { ::BCryptDestroyKey(key); }
using unique_bcrypt_algorithm = unique_any<null_is_invalid<BCRYPT_ALG_HANDLE, closeAlgorithm>>;
using unique_bcrypt_hash = unique_any<null_is_invalid<BCRYPT_HASH_HANDLE, destroyHash>>;
using unique_bcrypt_key = unique_any<null_is_invalid<BCRYPT_KEY_HANDLE, destroyKey>>;

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
using unique_key_info = std::unique_ptr<CERT_PUBLIC_KEY_INFO, LocalFreeDeleter>;

// Not in <windows.h> without <ntstatus.h>, whose definitions clash with it.
constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);
constexpr unsigned kMinimumRsaBits = 2048;
constexpr std::size_t kP256CoordinateBytes = 32;
// The curve's OID, 1.2.840.10045.3.1.7, as DER: the key's algorithm parameters hold it so.
constexpr unsigned char kP256Parameters[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};

constexpr const char* kUnreadableKey = "clé CLELISTE illisible";
constexpr const char* kUnsupportedKey = "clé CLELISTE non prise en charge (RSA de 2048 bits au moins ou ECDSA P-256)";
constexpr const char* kUnreadableSignature = "signature illisible";
constexpr const char* kWrongSignature = "signature fausse";
constexpr const char* kSystemError = "erreur du système";

enum class KeyKind { Rsa, P256 };

bool isP256(const CRYPT_ALGORITHM_IDENTIFIER& algorithm) {
    return algorithm.Parameters.cbData == sizeof kP256Parameters &&
           std::memcmp(algorithm.Parameters.pbData, kP256Parameters, sizeof kP256Parameters) == 0;
}

std::optional<std::array<UCHAR, 32>> sha256(std::string_view bytes) {
    unique_bcrypt_algorithm algorithm;
    unique_bcrypt_hash hash;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)))
        return std::nullopt;
    // BCryptHashData takes a ULONG count, narrower than a list's size on 64-bit Windows.
    while (!bytes.empty()) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
        if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), data, piece, 0))) return std::nullopt;
        bytes.remove_prefix(piece);
    }
    std::array<UCHAR, 32> digest{};
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return std::nullopt;
    return digest;
}

}  // namespace

std::optional<std::string> listSignatureProblem(std::string_view publicKeyBase64, std::string_view listBytes,
                                                std::string_view signatureBase64) {
    const std::optional<std::string> keyDer = scheduler::decodeBase64(publicKeyBase64);
    if (!keyDer || keyDer->size() > MAXDWORD) return kUnreadableKey;
    unique_key_info info;
    {
        CERT_PUBLIC_KEY_INFO* decoded = nullptr;
        DWORD decodedSize = 0;
        if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                                   reinterpret_cast<const BYTE*>(keyDer->data()), static_cast<DWORD>(keyDer->size()),
                                   CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &decodedSize))
            return kUnreadableKey;
        info.reset(decoded);
    }
    const std::string_view algorithm = info->Algorithm.pszObjId ? info->Algorithm.pszObjId : "";
    KeyKind kind;
    DWORD rsaBits = 0;
    if (algorithm == szOID_RSA_RSA) {
        // 0 is how an unreadable modulus shows.
        rsaBits = ::CertGetPublicKeyLength(X509_ASN_ENCODING, info.get());
        if (rsaBits == 0) return kUnreadableKey;
        if (rsaBits < kMinimumRsaBits) return kUnsupportedKey;
        kind = KeyKind::Rsa;
    } else if (algorithm == szOID_ECC_PUBLIC_KEY && isP256(info->Algorithm)) {
        kind = KeyKind::P256;
    } else {
        return kUnsupportedKey;
    }
    unique_bcrypt_key key;
    if (!::CryptImportPublicKeyInfoEx2(X509_ASN_ENCODING, info.get(), 0, nullptr, key.put())) return kUnreadableKey;

    const bool rsa = kind == KeyKind::Rsa;
    std::optional<std::string> signature = scheduler::decodeBase64(signatureBase64);
    if (signature && !rsa) signature = scheduler::ecdsaDerToRaw(*signature, kP256CoordinateBytes);
    // An RSA signature is exactly as long as the modulus (RFC 8017, 8.2.2): any other length is
    // not one, and the platform would report it as an error rather than as a wrong signature.
    if (!signature || (rsa && signature->size() != (rsaBits + 7) / 8)) return kUnreadableSignature;

    const std::optional<std::array<UCHAR, 32>> digest = sha256(listBytes);
    if (!digest) return kSystemError;
    BCRYPT_PKCS1_PADDING_INFO pkcs1{BCRYPT_SHA256_ALGORITHM};
    const NTSTATUS status = ::BCryptVerifySignature(
        key.get(), rsa ? &pkcs1 : nullptr, const_cast<PUCHAR>(digest->data()), static_cast<ULONG>(digest->size()),
        reinterpret_cast<PUCHAR>(signature->data()), static_cast<ULONG>(signature->size()), rsa ? BCRYPT_PAD_PKCS1 : 0);
    if (BCRYPT_SUCCESS(status)) return std::nullopt;
    return status == kInvalidSignature ? kWrongSignature : kSystemError;
}

}  // namespace tolvare::plenar
