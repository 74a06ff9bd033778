#pragma once
// How the world reaches one participant's connection. The world never touches sockets.
#include "protocol/codec.h"
#include "protocol/messages.h"

#include <memory>
#include <string>

namespace server {

class ParticipantLink {
public:
    virtual ~ParticipantLink() = default;
    virtual void Send(const protocol::Message& message) = 0;
    // Frames encoded once for many receivers; the bytes [skipOffset, skipOffset + skipLength)
    // are left out (the receiver's own frame in a batch).
    virtual void SendShared(std::shared_ptr<const protocol::Bytes> frames, size_t skipOffset, size_t skipLength) = 0;
    // The participant's turn in its region's pose round: what was shared with it goes out now.
    virtual void TurnAtTick() {}
    // Ends the connection: a Bye is sent if possible, then the socket closes. The world has
    // already forgotten the participant when this is called.
    virtual void Drop(protocol::ByeReason reason, const std::string& text) = 0;
    // The peer's address key: eight upper-case hexadecimal digits for IPv4 ("7F000001"),
    // thirty-two for IPv6 (see address_key.h).
    virtual std::string PeerHex() const = 0;
};

}  // namespace server
