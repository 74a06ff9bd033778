#pragma once
// The world kept in this process's memory.
#include "server/pose_relay.h"
#include "server/world.h"

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace server {

class LocalWorld : public World {
public:
    explicit LocalWorld(PoseRelay::Settings interest = {}) : interest_(interest) {}

    std::optional<uint16_t> TalkIn(ParticipantLink* link, const std::string& userId,
                                   const std::string& avatarName) override;
    void TalkOut(uint16_t clientId) override;
    bool EnterRegion(uint16_t clientId, const std::string& region, const std::string& avatarNumber,
                     const protocol::Pose& pose, int16_t presence) override;
    void LeaveRegion(uint16_t clientId) override;
    void Pose(uint16_t clientId, const protocol::Pose& pose) override;
    void Action(uint16_t clientId, const std::string& code) override;
    void Chat(uint16_t clientId, const std::string& text) override;
    protocol::ReplyStatus OpenEsp(uint16_t clientId, uint16_t partner) override;
    void CloseEsp(uint16_t clientId, uint16_t partner) override;
    void EspAnswer(uint16_t clientId, uint16_t partner, bool accepted) override;
    void Esp(uint16_t clientId, uint16_t partner, const std::string& text) override;
    void Tick() override;
    size_t Announce(const std::string& region, const std::string& text) override;
    size_t CloseRegion(const std::string& region) override;
    size_t Kick(uint16_t clientId) override;
    size_t ParticipantCount() const override { return participants_.size(); }
    std::optional<std::string> AddressOf(uint16_t clientId) const override;

private:
    struct Participant {
        ParticipantLink* link = nullptr;
        uint16_t clientId = 0;
        std::string userId;        // as its own client knows it
        std::string publicUserId;  // as everyone else sees it: address in hex, ":", user id
        std::string avatarName;
        std::string region;        // empty: in no region
        std::string avatarNumber;
        int16_t presence = 1;
        protocol::Pose pose{};
        std::set<uint16_t> espPartners;
    };
    struct Region {
        explicit Region(PoseRelay::Settings interest) : poses(interest) {}
        std::vector<uint16_t> members;  // arrival order
        PoseRelay poses;
    };

    Participant* Find(uint16_t clientId);
    protocol::AvatarInfo InfoOf(const Participant& p) const;
    // One encoding for every member of a region.
    void Broadcast(const Region& region, const protocol::Message& message);
    void EndEsp(Participant& p);

    std::map<uint16_t, Participant> participants_;
    Region& RegionNamed(const std::string& name) { return regions_.try_emplace(name, interest_).first->second; }

    PoseRelay::Settings interest_;
    std::map<std::string, Region> regions_;
    uint16_t lastId_ = 0;
};

}  // namespace server
