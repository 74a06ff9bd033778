#pragma once
// The shared state of the server: who is talked in, which regions exist and who is in them, the
// open ESP pairs. Sessions speak to it only through this interface, so the state can later live
// elsewhere (several servers sharing regions) without touching the network code.
#include "protocol/messages.h"
#include "server/participant_link.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace server {

class World {
public:
    virtual ~World() = default;

    // A new participant; its client id, or nullopt when all ids are in use.
    virtual std::optional<uint16_t> TalkIn(ParticipantLink* link, const std::string& userId,
                                           const std::string& avatarName) = 0;
    // Leaves the region (if any), ends every ESP pair and forgets the participant.
    virtual void TalkOut(uint16_t clientId) = 0;

    virtual bool EnterRegion(uint16_t clientId, const std::string& region, const std::string& avatarNumber,
                             const protocol::Pose& pose, int16_t presence) = 0;
    virtual void LeaveRegion(uint16_t clientId) = 0;

    virtual void Pose(uint16_t clientId, const protocol::Pose& pose) = 0;
    virtual void Action(uint16_t clientId, const std::string& code) = 0;
    virtual void Chat(uint16_t clientId, const std::string& text) = 0;

    virtual protocol::ReplyStatus OpenEsp(uint16_t clientId, uint16_t partner) = 0;
    virtual void CloseEsp(uint16_t clientId, uint16_t partner) = 0;
    virtual void EspAnswer(uint16_t clientId, uint16_t partner, bool accepted) = 0;
    virtual void Esp(uint16_t clientId, uint16_t partner, const std::string& text) = 0;

    // Relays the latest pose of everyone who moved since the last tick.
    virtual void Tick() = 0;

    // Administration; each returns how many participants it reached (kick: 1 or 0).
    // An empty region announces to every talked-in participant.
    virtual size_t Announce(const std::string& region, const std::string& text) = 0;
    virtual size_t CloseRegion(const std::string& region) = 0;
    virtual size_t Kick(uint16_t clientId) = 0;

    virtual size_t ParticipantCount() const = 0;

    // The address key (see address_key.h) of a participant on any node; nullopt if unknown.
    virtual std::optional<std::string> AddressOf(uint16_t clientId) const = 0;
    // Moderation decisions (bans, closed regions) as lines for the other nodes of a cluster, and
    // where the other nodes' decisions arrive. A world of its own has nobody to tell.
    virtual void ShareModeration(const std::string& line) { (void)line; }
    virtual void OnModeration(std::function<void(const std::string&)> handler) { (void)handler; }
};

}  // namespace server
