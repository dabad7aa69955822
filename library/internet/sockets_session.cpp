#include "library/internet/sockets_session.h"

#include <string_view>

#include "library/frame/ansi_text.h"
#include "library/frame/errors.h"
#include "library/internet/core/host_text.h"

namespace korvel::internet {

namespace {

// The caption of the sockets members' messages.
constexpr wchar_t kErrorCaption[] = L"ERROR";

}  // namespace

void showError(const std::string& text) { showLibraryMessage(fromAnsi(text), 0, kErrorCaption); }

SocketsSession::SocketsSession() { started_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }

SocketsSession::~SocketsSession() {
    if (started_ && WSACleanup() != 0) showError("Socket error occurred in Cleanup.");
}

bool SocketsSession::usable() const {
    if (!started_) {
        showError("The 32-bit Windows Socket is not responding.");
        return false;
    }
    if (data_.iMaxSockets < 1) {
        showError("This application requires a minimum of 1 supported sockets.");
        return false;
    }
    const int major = LOBYTE(data_.wVersion), minor = HIBYTE(data_.wVersion);
    if (major < 1 || (major == 1 && minor < 1)) {
        showError(unsupportedVersionMessage(major, minor));
        return false;
    }
    return true;
}

std::optional<std::string> localHostName(bool spacedForm) {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer) == -1) {
        showError(hostNameErrorMessage(WSAGetLastError(), spacedForm));
        return std::nullopt;
    }
    return std::string(textBeforeNul(std::string_view(buffer, sizeof buffer)));
}

}  // namespace korvel::internet
