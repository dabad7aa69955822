// TLS for PLENAR's own download: the platform's Schannel through SSPI, over the connection the
// download already holds, so that https keeps everything the http path has (framing checks,
// limits, cancel, the window's messages) and only the bytes change.
//
// - TLS 1.2 and 1.3 where the platform offers them, never older: the credentials ask for
//   nothing else, and a connection the platform negotiated lower anyway is refused.
// - The server's certificate is checked as the platform checks it for a web server: a chain to
//   a trusted root for server authentication, dates, signatures, the host name (for an IP
//   address, the certificate's IP-address names), and the key's usage. There is no way to
//   turn a check off.
// - The end of the connection counts as an orderly end only after the server's close_notify:
//   a body framed by the close is otherwise a cut.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>
#include <subauth.h>
#define SECURITY_WIN32
#include <security.h>
// For the newer credentials structure, which platforms from Windows 10 on read.
#define SCHANNEL_USE_BLACKLISTS
#include <schannel.h>

namespace tolvare::plenar {

enum class StreamStatus { Ok, Closed, Reset, TimedOut, Cancelled };

// A connection's bytes, as the download writes and reads them.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual StreamStatus send(std::string_view bytes) = 0;
    // Appends at least one byte when Ok.
    virtual StreamStatus receive(std::string& arrived) = 0;
};

class TlsChannel final : public ByteStream {
public:
    enum class Failure { None, Stream, Negotiation, OldProtocol, Certificate };

    TlsChannel(ByteStream& raw, std::string host);
    ~TlsChannel() override;
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // The handshake and the certificate's checks; false with failure() and problem() set.
    bool open();
    StreamStatus send(std::string_view bytes) override;
    StreamStatus receive(std::string& arrived) override;

    Failure failure() const { return failure_; }
    // Of the raw stream, when failure() is Stream.
    StreamStatus streamStatus() const { return streamStatus_; }
    // In French, for the run journal.
    const std::string& problem() const { return problem_; }

private:
    bool fail(Failure failure, std::string problem);
    // Runs the handshake's exchanges until the context is complete, starting with what is
    // already in encrypted_ (after a renegotiation request, the record that asked for it).
    bool negotiate(bool first);
    bool checkConnection();

    ByteStream& raw_;
    std::string host_;
    CredHandle credentials_{};
    bool haveCredentials_ = false;
    CtxtHandle context_{};
    bool haveContext_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::string encrypted_;  // received, not yet decrypted
    Failure failure_ = Failure::None;
    StreamStatus streamStatus_ = StreamStatus::Ok;
    std::string problem_;
};

// Why the platform refuses a server's certificate for `host`, in French; empty when it accepts it.
std::string certificateProblem(PCCERT_CONTEXT certificate, const std::string& host);

}  // namespace tolvare::plenar
