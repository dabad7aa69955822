// Whether a downloaded action list carries a valid detached signature, checked through the
// platform's cryptography (CryptoAPI to read the key, CNG to hash and verify) so that PLENAR
// holds no cryptographic code of its own.
//
// What is taken is what OpenSSL makes, so that a list can be signed with nothing else:
// - the key: base64 of a DER SubjectPublicKeyInfo (`openssl pkey -pubout -outform DER | base64`),
//   RSA of 2048 bits or more, or ECDSA on P-256; shorter RSA keys and other curves are refused
//   rather than trusted, as they no longer protect a list that can start programs;
// - the signature: base64, line breaks allowed (`openssl dgst -sha256 -sign key.pem list |
//   base64`), RSA PKCS #1 v1.5 or ECDSA in its DER form, both over SHA-256 of the list's bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvare::plenar {

// nullopt when `signatureBase64` is a valid signature of `listBytes` by the key; otherwise a
// short reason in French (UTF-8) for the run journal.
std::optional<std::string> listSignatureProblem(std::string_view publicKeyBase64, std::string_view listBytes,
                                                std::string_view signatureBase64);

}  // namespace tolvare::plenar
