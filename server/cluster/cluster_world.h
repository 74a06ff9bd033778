#pragma once
// The world shared by several server nodes through NATS. Each node keeps its own participants
// and a mirror of everyone else's: presence, region membership and poses come from the other
// nodes' messages, so rosters and ESP lookups are answered at once, from memory. Everything a
// node says goes out on one connection and every node reads one subscription, so the others see
// a sender's messages in the order it sent them. Client ids come from blocks leased in a
// JetStream key-value bucket, so they are unique across nodes.
#include "server/cluster/cluster_message.h"
#include "server/cluster/cluster_settings.h"
#include "server/cluster/id_pool.h"
#include "server/cluster/nats_link.h"
#include "server/world.h"

#include <asio.hpp>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace server::cluster {

class ClusterWorld : public World {
public:
    using Log = std::function<void(const std::string&)>;

    ClusterWorld(asio::io_context& io, ClusterSettings settings);
    ~ClusterWorld() override;

    void SetLog(Log log) { log_ = std::move(log); }
    // Connects, leases the first ids and takes in the other nodes' rosters; false with *error
    // when NATS or its key-value store cannot be used.
    bool Start(std::string* error);
    // Tells the others this node is going and hands its ids back.
    void Stop();
    const std::string& NodeName() const { return nodeName_; }

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
    void ShareModeration(const std::string& line) override;
    void OnModeration(std::function<void(const std::string&)> handler) override { moderation_ = std::move(handler); }

private:
    using Clock = std::chrono::steady_clock;
    using Member = ClusterMessage::Member;
    struct Participant {
        ParticipantLink* link = nullptr;  // null: the participant is on another node
        uint64_t node = 0;
        uint16_t clientId = 0;
        std::string userId;        // as its own client knows it (local participants)
        std::string publicUserId;  // as everyone else sees it
        std::string avatarName;
        std::string region;
        std::string avatarNumber;
        int16_t presence = 1;
        protocol::Pose pose{};
        std::set<uint16_t> espPartners;  // on a remote participant: its local partners
    };
    struct Region {
        explicit Region(PoseRelay::Settings interest) : poses(interest) {}
        std::vector<uint16_t> members;  // arrival order, every node's
        std::vector<uint16_t> moved;    // local members whose pose changed since the last tick
        PoseRelay poses;                // every node's members send, this node's receive
    };
    struct Node {
        Clock::time_point lastHeard;
        Clock::time_point syncRequested;
        std::set<uint16_t> rosterIds;  // collected while a roster arrives in chunks
    };

    Participant* Find(uint16_t clientId);
    Participant* FindLocal(uint16_t clientId);
    protocol::AvatarInfo InfoOf(const Participant& p) const;
    Member MemberOf(const Participant& p) const;
    // To the members of a region on this node.
    void Broadcast(const Region& region, const protocol::Message& message);
    Region& RegionNamed(const std::string& name) { return regions_.try_emplace(name, settings_.interest).first->second; }
    // Hands a relay's deliveries to this node's participants.
    PoseRelay::Deliver ToLinks();
    // Takes p out of its region; the others there (on this node) hear AvatarLeft.
    void RemoveFromRegion(Participant& p);
    void AddToRegion(Participant& p, const std::string& region);
    void EndEsp(Participant& p);

    // What the other nodes say.
    void Receive(const std::string& subject, const std::string& data);
    Node& Touch(uint64_t node, ClusterMessage::Kind kind);
    void ApplyRemote(uint64_t node, const Member& member, bool reenter);
    void RemoveRemote(uint16_t clientId);
    void NodeGone(uint64_t node, const std::string& why);
    void RequestSync(uint64_t node);

    void Publish(const std::string& subject, const ClusterMessage& message);
    ClusterMessage Make(ClusterMessage::Kind kind) const;
    void PublishRoster();
    std::string NodeSubject(uint64_t node, const char* what) const;
    std::string RegionSubject(const std::string& region, const char* what) const;

    void OnConnection(bool connected);
    void Heartbeat();
    void KeepIds();
    void LoseBlock(uint32_t block);
    void Say(const std::string& line) const;

    asio::io_context& io_;
    ClusterSettings settings_;
    Log log_;
    std::function<void(const std::string&)> moderation_;
    uint64_t nodeId_ = 0;
    uint64_t tick_ = 0;
    std::string nodeName_;
    NatsLink link_;
    std::unique_ptr<IdLeases> leases_;
    IdPool pool_;
    asio::steady_timer heartbeatTimer_;
    bool started_ = false, stopped_ = false;
    bool connected_ = true;
    Clock::time_point disconnectedAt_;
    size_t localCount_ = 0;

    std::map<uint16_t, Participant> participants_;
    std::map<std::string, Region> regions_;
    std::map<uint64_t, Node> nodes_;

    // Startup only: which nodes' rosters have come in (written on the NATS thread).
    std::mutex syncMutex_;
    std::condition_variable syncArrived_;
    std::set<uint64_t> rostersSeen_;
};

}  // namespace server::cluster
