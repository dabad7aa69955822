// The list signature check against the platform's cryptography, with keys and signatures made by
// OpenSSL as a list's publisher makes them:
//   openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out key.pem   (and 1024)
//   openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out key.pem (and P-384)
//   openssl pkey -in key.pem -pubout -outform DER | base64 -w0
//   openssl dgst -sha256 -sign key.pem list.txt | base64
// over kList, the signatures kept as base64 wrote them, lines of 76 characters.
#include "scheduler/app/list_signature.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tolvare::plenar {
namespace {

const std::string kList = "07:45=C:\\Windows\\notepad.exe\r\n";

const std::string kRsa2048Key =
    "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAq2M/tJ3zJ3DRvXzj9lekK93Aa13e8HBS3TqCjc2DVNniJg2pVipq"
    "6Mcbji5yaD7yXyqMr3KNqT3ujom1zIWwX0l8l0JUy57oATmq3wWyXs0cuSRTqVTbJglI7pRMKTscRmDZk/Vq3V0rO5Gm1xmY"
    "6895/k8+HmZ5iv5xJF2YBsIs/XoiLIS7wPbvFu71djyrO1aADblucv8Rf6+vHsz5gk2+/Hh84AewXKKFfZ+1FvtwMKeHNgjz"
    "Sgn+kBC5Risb3KCrTb0GUBXJl/mvC2bB30arI5O2PPVHGTWKwcUPQpPtZGTGBHHM2ViwLLqCkCXxOZios+jdOnySp87ZU2FC"
    "NwIDAQAB";
const std::string kRsa2048Signature =
    "T/hJnTZ7fjRbwM0I/0vRRyoCc4JQhA7oJlQ6W9S5erCaiAlNSq+C6kq4EYz9HApahXCNWBPex1Y/\n"
    "trHP9CVE2QVcROsYzO4ni4aIwbtE2O8SpN83kNVY3LdfADlXihCMq+6TdCE7eCB/Gqsz8QtENjHF\n"
    "uPILA9r+wYHPLZMycKliQfTyZiRLIIJKYVOClvSltNCmJlZhFbPboCdHiUKYjUVY9pSYr4GhjZiD\n"
    "P479wgX7/Kgvfta93NyL2ThXl+sc1/IcRF8ecvCXDvwKvbi+2IjxuIQPEwcq+fs1p7RZTuwEc2zy\n"
    "3B0Avzx32iFJsKQMnkIrhTWX3pU+a084Ix9RxA==\n";

const std::string kRsa1024Key =
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCzi8AveleBZalSBFdCn1hD3eBj/WwYJ4S1TJQZWI7cQRQzdqMP0t2ElOvG"
    "32so7J19vbhj2RP1ttw5QkHPPdLwL+1JBtBMVK+SWhGAI6NPrRUgSrgNwdali1RmaQTwcfv4GfX9HkVwJpNP5vVUpmCSxDXN"
    "8frB3KE6K2nJmK27NQIDAQAB";
const std::string kRsa1024Signature =
    "OXvVWLJ/nXLi1obSH45hZExeNn35suY0uZbpqjDDmVlk/i/PFmB4yFWQBu4gNha5WzgXmcnPee/X\n"
    "EHbH4TCwDioMI+na+qJzId6VJDdwe7/yd30imwO08jAYBUrCm6oB2mH83VqBgbKlIMfe9/jlZ9VF\n"
    "YBaS46mfl54RPU58qHo=\n";

const std::string kP256Key =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE9EMcATPAD4xFp6YHgq/J25yKrb10v43DnNNQVZIkATIPF/42ZrtUf3c7ujcK"
    "UW2e1Exbei/xxb05kscOW9ZYxQ==";
// Its s has a top bit set, so DER writes it in 33 bytes.
const std::string kP256Signature =
    "MEUCID3//GTWOzxw+q5PBEs75PalZZeFiyS1laQvNScnS/8OAiEAranrrH57t8iEa5K01sCXpkpD\n"
    "rznGtipfYhMWVsoKQTg=\n";

const std::string kP384Key =
    "MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAEkAuC6ldMssz7pwjIFRfPhuMGSRwJlwGyylGYdasaAhQ0w45u5tG9xXlfDfZ2qJDw"
    "WpLG4Nm+eqwt7SRFVt4DCDN+E3htidYCZ6smSn2k6082dPluBMDDTppyVeuboUBC";
const std::string kP384Signature =
    "MGUCMQCwX6YqzFPyyLm9OBBeegj7mhC4ngywEfvjI6re+bKqSX5EpfnAEmYY5Slq5xHdqAwCMEqR\n"
    "y+YhgUdFUZ5DXQCgzw42knaOGgHJI2AmN1lb7IS6sJQ8ISrtO8opKzJRdwkm5Q==\n";

const std::string kEd25519Key = "MCowBQYDK2VwAyEAvyzbQG9ow87x+PTWKG0hrPoThYlXj2ZYp3i3cNdusjc=";

const std::string kUnreadableKey = "clé CLELISTE illisible";
const std::string kUnsupportedKey = "clé CLELISTE non prise en charge (RSA de 2048 bits au moins ou ECDSA P-256)";
const std::string kUnreadableSignature = "signature illisible";
const std::string kWrongSignature = "signature fausse";

// `text` with the character at `at` swapped for another of the alphabet, so that it stays base64
// and decodes to other bytes.
std::string altered(std::string text, std::size_t at) {
    text[at] = text[at] == 'A' ? 'B' : 'A';
    return text;
}

std::string withoutLineBreaks(std::string text) {
    std::erase(text, '\n');
    return text;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

struct SignatureCase {
    const char* name;
    std::string key;
    std::string list;
    std::string signature;
    std::optional<std::string> problem;
};

class ListSignatureTest : public testing::TestWithParam<SignatureCase> {};

TEST_P(ListSignatureTest, AcceptsOnlyAValidSignatureByASupportedKey) {
    const SignatureCase& c = GetParam();
    EXPECT_EQ(listSignatureProblem(c.key, c.list, c.signature), c.problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListSignatureTest,
    testing::Values(
        SignatureCase{"Rsa", kRsa2048Key, kList, kRsa2048Signature, std::nullopt},
        SignatureCase{"Ecdsa", kP256Key, kList, kP256Signature, std::nullopt},
        SignatureCase{"RsaOnOneLine", kRsa2048Key, kList, withoutLineBreaks(kRsa2048Signature), std::nullopt},
        SignatureCase{"EcdsaOnOneLine", kP256Key, kList, withoutLineBreaks(kP256Signature), std::nullopt},
        SignatureCase{"RsaWithCrLf", kRsa2048Key, kList, withCrLf(kRsa2048Signature), std::nullopt},
        SignatureCase{"KeyWithLineBreaks", "\r\n" + kP256Key.substr(0, 40) + "\r\n" + kP256Key.substr(40) + "\n",
                      kList, kP256Signature, std::nullopt},
        SignatureCase{"RsaTamperedList", kRsa2048Key, altered(kList, 1), kRsa2048Signature, kWrongSignature},
        SignatureCase{"EcdsaTamperedList", kP256Key, altered(kList, 1), kP256Signature, kWrongSignature},
        SignatureCase{"RsaListWithoutItsLastByte", kRsa2048Key, kList.substr(0, kList.size() - 1), kRsa2048Signature,
                      kWrongSignature},
        SignatureCase{"EmptyList", kP256Key, "", kP256Signature, kWrongSignature},
        SignatureCase{"RsaTamperedSignature", kRsa2048Key, kList, altered(kRsa2048Signature, 100), kWrongSignature},
        SignatureCase{"EcdsaTamperedR", kP256Key, kList, altered(kP256Signature, 10), kWrongSignature},
        SignatureCase{"EcdsaTamperedS", kP256Key, kList, altered(kP256Signature, 60), kWrongSignature},
        SignatureCase{"RsaSignatureCut", kRsa2048Key, kList, kRsa2048Signature.substr(0, 100), kUnreadableSignature},
        SignatureCase{"SignatureBadCharacter", kRsa2048Key, kList, "*" + kRsa2048Signature.substr(1),
                      kUnreadableSignature},
        SignatureCase{"SignatureBadPadding", kP256Key, kList, withoutLineBreaks(kP256Signature) + "=",
                      kUnreadableSignature},
        SignatureCase{"EmptySignature", kP256Key, kList, "", kUnreadableSignature},
        SignatureCase{"RsaSignatureWithTheEcdsaKey", kP256Key, kList, kRsa2048Signature, kUnreadableSignature},
        SignatureCase{"EcdsaSignatureWithTheRsaKey", kRsa2048Key, kList, kP256Signature, kUnreadableSignature},
        SignatureCase{"KeyBadCharacter", "!" + kRsa2048Key.substr(1), kList, kRsa2048Signature, kUnreadableKey},
        SignatureCase{"KeyBadPadding", kP256Key.substr(0, kP256Key.size() - 1), kList, kP256Signature,
                      kUnreadableKey},
        SignatureCase{"KeyNotDer", "AAAAAAAA", kList, kP256Signature, kUnreadableKey},
        SignatureCase{"KeyCut", kRsa2048Key.substr(0, 200), kList, kRsa2048Signature, kUnreadableKey},
        SignatureCase{"EmptyKey", "", kList, kP256Signature, kUnreadableKey},
        SignatureCase{"Rsa1024", kRsa1024Key, kList, kRsa1024Signature, kUnsupportedKey},
        SignatureCase{"P384", kP384Key, kList, kP384Signature, kUnsupportedKey},
        SignatureCase{"Ed25519", kEd25519Key, kList, kP256Signature, kUnsupportedKey}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tolvare::plenar
