#pragma once
// Where the session stands, as the status line tells the user: offline, preparing the entry
// (with the seconds left), loading the scene, connecting, in a region, or waiting to reconnect.
#include <QString>

#include <cstdint>
#include <string>

namespace plexa {

struct SessionStatus {
    enum class Phase { Offline, Preparing, LoadingScene, Connecting, InRegion, Reconnecting, Retrying };
    Phase phase = Phase::Offline;
    int secondsLeft = 0;     // Preparing, Reconnecting
    int attempt = 0;         // Reconnecting, Retrying
    std::string regionName;  // InRegion (CP932)
    // LoadingScene: bytes of a web world received so far and in all, -1 when not known.
    int32_t receivedBytes = -1;
    int32_t totalBytes = -1;

    friend bool operator==(const SessionStatus&, const SessionStatus&) = default;
};

// The status line's text, in words (never colour alone).
QString SessionStatusText(const SessionStatus& status);

// The second line of the "disconnected" message: why the server ended the session, with its
// own words when it gave some. Empty when the connection just ended or the server fell silent.
std::string DisconnectReasonLine(int reason, const std::string& serverWords);

// The server ended the session on purpose for this user: coming back by itself would be wrong.
inline bool IsRemoval(int reason) { return reason == 1; }

}  // namespace plexa
