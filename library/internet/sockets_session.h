// The sockets layer as the network members use it: one start-up per call, always cleaned up,
// and its failures told in the members' own words.
#pragma once

#include <winsock2.h>

#include <optional>
#include <string>

namespace korvel::internet {

// A message of the sockets members, captioned "ERROR".
void showError(const std::string& text);

// One start-up of the sockets layer at version 1.1. Every start-up that succeeded is cleaned up
// when the member returns, whatever path it took, so that the layer's start-up count does not
// grow with each call; a failed clean-up is told to the user.
class SocketsSession {
public:
    SocketsSession();
    ~SocketsSession();
    SocketsSession(const SocketsSession&) = delete;
    SocketsSession& operator=(const SocketsSession&) = delete;

    bool started() const { return started_; }
    // The start-up checks of GetIPAddress, each failure told in its own words.
    bool usable() const;

private:
    WSADATA data_{};
    bool started_ = false;
};

// The local host name, or nothing when the platform refuses it (its sockets error told in the
// member's wording).
std::optional<std::string> localHostName(bool spacedForm);

}  // namespace korvel::internet
