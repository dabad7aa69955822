#include "scheduler/app/tls_channel.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <wincrypt.h>

#include <cstring>
#include <memory>
#include <vector>

#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

constexpr DWORD kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                  ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                  ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
// The SSL policy's "do not compare the name" check flag: for an IP-address host, compared here.
constexpr DWORD kPolicyIgnoresName = 0x00001000;

std::string hexStatus(long status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

struct ContextBufferFree {
    void operator()(void* buffer) const { FreeContextBuffer(buffer); }
};
using ContextBuffer = std::unique_ptr<void, ContextBufferFree>;

struct ChainFree {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
struct CertificateFree {
    void operator()(PCCERT_CONTEXT certificate) const { CertFreeCertificateContext(certificate); }
};
struct LocalFree_ {
    void operator()(void* memory) const { LocalFree(memory); }
};

// Credentials that offer TLS 1.2 and 1.3 only. Platforms differ in which form they take: the
// older structure (which some refuse with 1.3 in it), the newer one with every older protocol
// disabled, and at last 1.2 alone.
SECURITY_STATUS acquireCredentials(CredHandle& credentials) {
    constexpr DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry;
    const auto acquire = [&](void* data) {
        return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, data,
                                         nullptr, nullptr, &credentials, &expiry);
    };
    SCHANNEL_CRED both{};
    both.dwVersion = SCHANNEL_CRED_VERSION;
    both.grbitEnabledProtocols = kAcceptedProtocols;
    both.dwFlags = flags;
    SECURITY_STATUS status = acquire(&both);
    if (status == SEC_E_OK) return status;

    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = static_cast<DWORD>(~kAcceptedProtocols) & SP_PROT_CLIENTS;
    SCH_CREDENTIALS newer{};
    newer.dwVersion = SCH_CREDENTIALS_VERSION;
    newer.dwFlags = flags;
    newer.cTlsParameters = 1;
    newer.pTlsParameters = &parameters;
    status = acquire(&newer);
    if (status == SEC_E_OK) return status;

    SCHANNEL_CRED only12 = both;
    only12.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    return acquire(&only12);
}

// The certificate's IP-address names, compared with the address the download connected to:
// not every platform's policy reads them.
bool namesIpAddress(PCCERT_CONTEXT certificate, const std::string& host) {
    unsigned char wanted[16];
    std::size_t wantedSize = 0;
    if (InetPtonA(AF_INET, host.c_str(), wanted) == 1) wantedSize = 4;
    else if (InetPtonA(AF_INET6, host.c_str(), wanted) == 1) wantedSize = 16;
    const PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                                                        certificate->pCertInfo->rgExtension);
    if (wantedSize == 0 || !extension) return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData, extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    const std::unique_ptr<void, LocalFree_> owned(names);
    for (DWORD i = 0; i < names->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == wantedSize &&
            std::memcmp(entry.IPAddress.pbData, wanted, wantedSize) == 0)
            return true;
    }
    return false;
}

bool isIpAddress(const std::string& host) {
    unsigned char bytes[16];
    return InetPtonA(AF_INET, host.c_str(), bytes) == 1 || InetPtonA(AF_INET6, host.c_str(), bytes) == 1;
}

std::string chainProblem(DWORD errors) {
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return "certificat expiré ou pas encore valable";
    if (errors & CERT_TRUST_IS_REVOKED) return "certificat révoqué";
    if (errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "signature du certificat non valable";
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "certificat non prévu pour un serveur web";
    if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return "certificat d'une autorité non reconnue";
    return "chaîne de certificats refusée (" + hexStatus(static_cast<long>(errors)) + ")";
}

std::string policyProblem(DWORD error, const std::string& host) {
    switch (error) {
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return "le certificat n'est pas au nom de " + host;
    case static_cast<DWORD>(CERT_E_EXPIRED): return "certificat expiré ou pas encore valable";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING): return "certificat d'une autorité non reconnue";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "certificat non prévu pour un serveur web";
    case static_cast<DWORD>(CERT_E_REVOKED): return "certificat révoqué";
    default: return "certificat refusé (" + hexStatus(static_cast<long>(error)) + ")";
    }
}

}  // namespace

std::string certificateProblem(PCCERT_CONTEXT certificate, const std::string& host) {
    LPSTR serverUsage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA chainParameters{};
    chainParameters.cbSize = sizeof chainParameters;
    chainParameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainParameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainParameters.RequestedUsage.Usage.rgpszUsageIdentifier = serverUsage;
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainParameters, 0, nullptr,
                                 &rawChain))
        return "chaîne de certificats impossible à établir (" + hexStatus(static_cast<long>(GetLastError())) + ")";
    const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(rawChain);

    // Revocation is not asked for: a list server's authority seldom publishes its lists where
    // every workstation can reach them. What the chain itself says is checked apart from the
    // policy, which on some platforms accepts a chain that stops short of any root.
    const DWORD chainErrors = chain->TrustStatus.dwErrorStatus &
                              ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    if (chainErrors != CERT_TRUST_NO_ERROR) return chainProblem(chainErrors);

    const bool ipHost = isIpAddress(host);
    std::wstring serverName = fromUtf8(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = ipHost ? kPolicyIgnoresName : 0;
    ssl.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof verdict;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &verdict))
        return "certificat impossible à vérifier (" + hexStatus(static_cast<long>(GetLastError())) + ")";
    if (verdict.dwError != 0) return policyProblem(verdict.dwError, host);
    if (ipHost && !namesIpAddress(certificate, host)) return "le certificat n'est pas au nom de " + host;

    // A key usage extension that leaves out what a TLS server does with its key.
    BYTE usage = 0;
    if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, certificate->pCertInfo, &usage, 1) &&
        !(usage & (CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_KEY_ENCIPHERMENT_KEY_USAGE | CERT_KEY_AGREEMENT_KEY_USAGE)))
        return "usage de la clé non prévu pour un serveur web";
    return {};
}

TlsChannel::TlsChannel(ByteStream& raw, std::string host) : raw_(raw), host_(std::move(host)) {}

TlsChannel::~TlsChannel() {
    if (haveContext_) DeleteSecurityContext(&context_);
    if (haveCredentials_) FreeCredentialsHandle(&credentials_);
}

bool TlsChannel::fail(Failure failure, std::string problem) {
    failure_ = failure;
    problem_ = std::move(problem);
    return false;
}

bool TlsChannel::open() {
    const SECURITY_STATUS acquired = acquireCredentials(credentials_);
    if (acquired != SEC_E_OK)
        return fail(Failure::Negotiation, "TLS 1.2 indisponible sur ce système (" + hexStatus(acquired) + ")");
    haveCredentials_ = true;
    return negotiate(true) && checkConnection();
}

bool TlsChannel::negotiate(bool first) {
    // The name the server is asked for (SNI) and checked against is the host of the address.
    std::wstring target = fromUtf8(host_);
    bool receiveFirst = false;
    for (;;) {
        if (receiveFirst) {
            const StreamStatus status = raw_.receive(encrypted_);
            if (status != StreamStatus::Ok) {
                streamStatus_ = status == StreamStatus::Closed ? StreamStatus::Reset : status;
                return fail(Failure::Stream, "connexion interrompue pendant la négociation TLS");
            }
        }
        SecBuffer inBuffers[2]{};
        inBuffers[0] = {static_cast<unsigned long>(encrypted_.size()), SECBUFFER_TOKEN, encrypted_.data()};
        inBuffers[1].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc in{SECBUFFER_VERSION, 2, inBuffers};
        SecBuffer outBuffers[1]{};
        outBuffers[0].BufferType = SECBUFFER_TOKEN;
        SecBufferDesc out{SECBUFFER_VERSION, 1, outBuffers};
        unsigned long attributes = 0;
        const SECURITY_STATUS status =
            InitializeSecurityContextW(&credentials_, first ? nullptr : &context_, target.data(), kContextRequest, 0, 0,
                                       first ? nullptr : &in, 0, &context_, &out, &attributes, nullptr);
        if (first && !FAILED(status)) haveContext_ = true;
        const ContextBuffer token(outBuffers[0].pvBuffer);
        // A token goes to the server even with a failure: it is then the alert that says why.
        if (outBuffers[0].cbBuffer != 0 && outBuffers[0].pvBuffer) {
            const StreamStatus sent =
                raw_.send(std::string_view(static_cast<const char*>(outBuffers[0].pvBuffer), outBuffers[0].cbBuffer));
            if (sent != StreamStatus::Ok && !FAILED(status)) {
                streamStatus_ = sent == StreamStatus::Closed ? StreamStatus::Reset : sent;
                return fail(Failure::Stream, "connexion interrompue pendant la négociation TLS");
            }
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            receiveFirst = true;
            continue;
        }
        if (!first) {
            if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer <= encrypted_.size())
                encrypted_.erase(0, encrypted_.size() - inBuffers[1].cbBuffer);
            else
                encrypted_.clear();
        }
        first = false;
        if (status == SEC_E_OK) return true;
        if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
            receiveFirst = encrypted_.empty();
            continue;
        }
        return fail(Failure::Negotiation, "négociation TLS refusée (" + hexStatus(status) + ")");
    }
}

bool TlsChannel::checkConnection() {
    SecPkgContext_ConnectionInfo connection{};
    if (QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK)
        return fail(Failure::Negotiation, "négociation TLS inachevée");
    if (!(connection.dwProtocol & (SP_PROT_TLS1_2 | SP_PROT_TLS1_3)))
        return fail(Failure::OldProtocol, "protocole plus ancien que TLS 1.2");

    PCCERT_CONTEXT rawCertificate = nullptr;
    if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &rawCertificate) != SEC_E_OK || !rawCertificate)
        return fail(Failure::Certificate, "certificat du serveur refusé : le serveur n'en présente aucun");
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(rawCertificate);
    if (const std::string problem = certificateProblem(certificate.get(), host_); !problem.empty())
        return fail(Failure::Certificate, "certificat du serveur refusé : " + problem);

    if (QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK || sizes_.cbMaximumMessage == 0)
        return fail(Failure::Negotiation, "négociation TLS inachevée");
    return true;
}

StreamStatus TlsChannel::send(std::string_view bytes) {
    std::vector<char> record;
    while (!bytes.empty()) {
        const std::size_t length = std::min<std::size_t>(bytes.size(), sizes_.cbMaximumMessage);
        record.assign(sizes_.cbHeader + length + sizes_.cbTrailer, 0);
        std::memcpy(record.data() + sizes_.cbHeader, bytes.data(), length);
        SecBuffer buffers[4]{};
        buffers[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
        buffers[1] = {static_cast<unsigned long>(length), SECBUFFER_DATA, record.data() + sizes_.cbHeader};
        buffers[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + length};
        buffers[3].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&context_, 0, &message, 0) != SEC_E_OK) return StreamStatus::Reset;
        const StreamStatus sent =
            raw_.send(std::string_view(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer));
        if (sent != StreamStatus::Ok) return sent;
        bytes.remove_prefix(length);
    }
    return StreamStatus::Ok;
}

StreamStatus TlsChannel::receive(std::string& arrived) {
    for (;;) {
        if (!encrypted_.empty()) {
            SecBuffer buffers[4]{};
            buffers[0] = {static_cast<unsigned long>(encrypted_.size()), SECBUFFER_DATA, encrypted_.data()};
            for (int i = 1; i < 4; ++i) buffers[i].BufferType = SECBUFFER_EMPTY;
            SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
            if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE || status == SEC_I_CONTEXT_EXPIRED) {
                const std::size_t before = arrived.size();
                std::string extra;
                for (const SecBuffer& buffer : buffers) {
                    if (buffer.BufferType == SECBUFFER_DATA && buffer.pvBuffer)
                        arrived.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                    if (buffer.BufferType == SECBUFFER_EXTRA && buffer.pvBuffer)
                        extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                }
                encrypted_ = std::move(extra);
                if (status == SEC_I_CONTEXT_EXPIRED) return arrived.size() > before ? StreamStatus::Ok : StreamStatus::Closed;
                // TLS 1.3 sends handshake messages after the handshake (tickets, key updates):
                // they go back through the context.
                if (status == SEC_I_RENEGOTIATE && !negotiate(false)) return StreamStatus::Reset;
                if (arrived.size() > before) return StreamStatus::Ok;
                continue;
            }
            // A record that does not decrypt: not a connection to trust with the rest.
            if (status != SEC_E_INCOMPLETE_MESSAGE) return StreamStatus::Reset;
        }
        const StreamStatus status = raw_.receive(encrypted_);
        // An end without close_notify may be an attacker's: treated as a reset, i.e. a cut.
        if (status == StreamStatus::Closed) return StreamStatus::Reset;
        if (status != StreamStatus::Ok) return status;
    }
}

}  // namespace tolvare::plenar
