#include "server/cluster/cluster_world.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <random>

namespace server::cluster {

using namespace protocol;
using Kind = ClusterMessage::Kind;

namespace {

constexpr size_t kRosterChunkBytes = 256 * 1024;  // well below NATS's default 1 MB payload limit
// Fewer free ids than a block: lease another, so a crowd arriving at once does not wait.
constexpr size_t kLowWater = IdPool::kBlockSize;

std::string Hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

uint64_t FromHex(const std::string& text) {
    uint64_t v = 0;
    for (char c : text) {
        v <<= 4;
        if (c >= '0' && c <= '9') v |= uint64_t(c - '0');
        else if (c >= 'a' && c <= 'f') v |= uint64_t(c - 'a' + 10);
        else return 0;
    }
    return v;
}

// Region names are CP932 text of any length; subjects carry a hash of them (the name itself is
// in the message, so a collision costs only a little filtering).
uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

ClusterWorld::ClusterWorld(asio::io_context& io, ClusterSettings settings)
    : io_(io),
      settings_(std::move(settings)),
      link_(io),
      pool_(settings_.leases.ttl / 2),
      heartbeatTimer_(io) {
    std::random_device random;
    while (nodeId_ == 0) nodeId_ = (uint64_t(random()) << 32) | random();
    nodeName_ = Hex(nodeId_);
}

ClusterWorld::~ClusterWorld() { Stop(); }

void ClusterWorld::Say(const std::string& line) const {
    if (log_) log_("cluster: " + line);
}

std::string ClusterWorld::NodeSubject(uint64_t node, const char* what) const {
    return settings_.prefix + ".node." + Hex(node) + "." + what;
}

std::string ClusterWorld::RegionSubject(const std::string& region, const char* what) const {
    return settings_.prefix + ".region." + Hex(Fnv1a(region)) + "." + what;
}

ClusterMessage ClusterWorld::Make(Kind kind) const {
    ClusterMessage m;
    m.kind = kind;
    m.node = nodeId_;
    return m;
}

void ClusterWorld::Publish(const std::string& subject, const ClusterMessage& message) {
    if (!started_ || stopped_) return;
    link_.Publish(subject, message.Encode());
}

bool ClusterWorld::Start(std::string* error) {
    link_.OnMessage([this](const std::string& subject, const std::string& data) { Receive(subject, data); },
                    [this](const char* data, size_t size) {
                        if (ClusterMessage::PeekKind(data, size) != Kind::Roster) return;
                        // The last chunk of a roster: its flag is the fifth byte after the header.
                        if (size < 13 || data[12] == 0) return;
                        std::lock_guard lock(syncMutex_);
                        rostersSeen_.insert(ClusterMessage::PeekNode(data, size));
                        syncArrived_.notify_all();
                    });
    link_.OnState([this](bool connected) { OnConnection(connected); });
    link_.OnError([this](const std::string& what) {
        // Messages were dropped: ask everyone for their rosters to mend the mirror.
        Say("NATS reports: " + what + "; resynchronising");
        RequestSync(0);
    });
    if (!link_.Connect(settings_.url, "moneko-server " + nodeName_, error, settings_.tls)) return false;

    leases_ = std::make_unique<IdLeases>(io_, link_.Connection(), settings_.leases, nodeName_);
    leases_->OnConfirmed([this](uint32_t block, Clock::time_point at) {
        pool_.Confirm(block, at);
        KeepIds();
    });
    leases_->OnLost([this](uint32_t block) { LoseBlock(block); });
    leases_->OnLog([this](const std::string& line) { Say(line); });
    if (!leases_->Start(error)) return false;
    std::set<uint64_t> expected;
    for (const auto& name : leases_->OtherNodes())
        if (uint64_t node = FromHex(name)) expected.insert(node);

    if (!link_.Subscribe(settings_.prefix + ".>", error)) return false;
    started_ = true;
    RequestSync(0);
    link_.Flush(1000);
    // Participants who come in right after the start should see everyone already there.
    {
        std::unique_lock lock(syncMutex_);
        syncArrived_.wait_for(lock, settings_.startupSync, [&] {
            return std::includes(rostersSeen_.begin(), rostersSeen_.end(), expected.begin(), expected.end());
        });
        for (uint64_t node : expected)
            if (!rostersSeen_.count(node)) Say("no roster from node " + Hex(node) + " yet; it may be gone");
    }
    Say("node " + nodeName_ + " joined through " + settings_.url + " (" + std::to_string(expected.size()) +
        " other nodes registered)");
    Heartbeat();
    return true;
}

void ClusterWorld::Stop() {
    if (stopped_) return;
    if (started_) {
        Publish(NodeSubject(nodeId_, "bye"), Make(Kind::NodeBye));
        link_.Flush(500);
    }
    stopped_ = true;
    heartbeatTimer_.cancel();
    if (leases_) leases_->Stop();
    link_.Close();
}

// ---- this node's participants ------------------------------------------------------------

ClusterWorld::Participant* ClusterWorld::Find(uint16_t clientId) {
    auto it = participants_.find(clientId);
    return it == participants_.end() ? nullptr : &it->second;
}

ClusterWorld::Participant* ClusterWorld::FindLocal(uint16_t clientId) {
    Participant* p = Find(clientId);
    return p && p->link ? p : nullptr;
}

AvatarInfo ClusterWorld::InfoOf(const Participant& p) const {
    return AvatarInfo{p.clientId, p.publicUserId, p.avatarName, p.avatarNumber, p.presence, p.pose};
}

ClusterWorld::Member ClusterWorld::MemberOf(const Participant& p) const {
    return Member{p.clientId, p.publicUserId, p.avatarName, p.region, p.avatarNumber, p.presence, p.pose};
}

void ClusterWorld::Broadcast(const Region& region, const Message& message) {
    std::shared_ptr<const Bytes> frames;
    for (uint16_t id : region.members) {
        Participant* p = Find(id);
        if (!p || !p->link) continue;
        if (!frames) frames = std::make_shared<const Bytes>(Encode(message));
        p->link->SendShared(frames, 0, 0);
    }
}

std::optional<uint16_t> ClusterWorld::TalkIn(ParticipantLink* link, const std::string& userId,
                                             const std::string& avatarName) {
    auto id = pool_.Take(Clock::now());
    KeepIds();
    if (!id) {
        Say("no client id available (leases not confirmed: is NATS reachable?)");
        return std::nullopt;
    }
    Participant& p = participants_[*id];
    p.link = link;
    p.node = nodeId_;
    p.clientId = *id;
    p.userId = userId;
    p.publicUserId = link->PeerHex() + ":" + userId;
    p.avatarName = avatarName;
    ++localCount_;
    ClusterMessage m = Make(Kind::TalkIn);
    m.member = MemberOf(p);
    Publish(NodeSubject(nodeId_, "presence"), m);
    return id;
}

void ClusterWorld::EndEsp(Participant& p) {
    for (uint16_t partnerId : p.espPartners) {
        Participant* partner = Find(partnerId);
        if (!partner) continue;
        partner->espPartners.erase(p.clientId);
        // A remote partner's node closes its side when it hears that p talked out.
        if (partner->link) partner->link->Send(EspClosed{p.clientId});
    }
    p.espPartners.clear();
}

void ClusterWorld::TalkOut(uint16_t clientId) {
    Participant* p = FindLocal(clientId);
    if (!p) return;
    LeaveRegion(clientId);
    EndEsp(*p);
    participants_.erase(clientId);
    pool_.Give(clientId);
    --localCount_;
    ClusterMessage m = Make(Kind::TalkOut);
    m.clientId = clientId;
    Publish(NodeSubject(nodeId_, "presence"), m);
}

PoseRelay::Deliver ClusterWorld::ToLinks() {
    return [this](uint16_t receiver, std::shared_ptr<const Bytes> frames) {
        if (Participant* p = Find(receiver); p && p->link) p->link->SendShared(std::move(frames), 0, 0);
    };
}

void ClusterWorld::AddToRegion(Participant& p, const std::string& regionName) {
    Region& region = RegionNamed(regionName);
    // Everyone on this node hears of the newcomer; a local newcomer also hears who is there.
    if (p.link) {
        for (uint16_t id : region.members)
            if (Participant* other = Find(id)) p.link->Send(AvatarPresent{InfoOf(*other)});
    }
    p.region = regionName;
    Broadcast(region, AvatarEntered{InfoOf(p)});
    region.members.push_back(p.clientId);
    region.poses.Add(p.clientId, p.pose, p.link != nullptr);
}

void ClusterWorld::RemoveFromRegion(Participant& p) {
    if (p.region.empty()) return;
    auto it = regions_.find(p.region);
    p.region.clear();
    if (it == regions_.end()) return;
    Region& region = it->second;
    std::erase(region.members, p.clientId);
    std::erase(region.moved, p.clientId);
    region.poses.Remove(p.clientId);
    if (region.members.empty()) {
        regions_.erase(it);
        return;
    }
    Broadcast(region, AvatarLeft{p.clientId});
}

bool ClusterWorld::EnterRegion(uint16_t clientId, const std::string& regionName, const std::string& avatarNumber,
                               const protocol::Pose& pose, int16_t presence) {
    Participant* p = FindLocal(clientId);
    if (!p || regionName.empty()) return false;
    if (!p->region.empty()) LeaveRegion(clientId);
    p->avatarNumber = avatarNumber;
    p->presence = presence;
    p->pose = pose;
    AddToRegion(*p, regionName);
    ClusterMessage m = Make(Kind::Enter);
    m.member = MemberOf(*p);
    Publish(RegionSubject(regionName, "presence"), m);
    return true;
}

void ClusterWorld::LeaveRegion(uint16_t clientId) {
    Participant* p = FindLocal(clientId);
    if (!p || p->region.empty()) return;
    ClusterMessage m = Make(Kind::Leave);
    m.clientId = clientId;
    m.region = p->region;
    RemoveFromRegion(*p);
    Publish(RegionSubject(m.region, "presence"), m);
}

void ClusterWorld::Pose(uint16_t clientId, const protocol::Pose& pose) {
    Participant* p = FindLocal(clientId);
    if (!p || p->region.empty()) return;
    p->pose = pose;
    Region& region = RegionNamed(p->region);
    region.poses.Move(clientId, pose);
    if (std::find(region.moved.begin(), region.moved.end(), clientId) == region.moved.end())
        region.moved.push_back(clientId);
}

void ClusterWorld::Tick() {
    const auto deliver = ToLinks();
    const PoseRelay::Turn turn = [this](uint16_t receiver) {
        if (Participant* p = Find(receiver); p && p->link) p->link->TurnAtTick();
    };
    // Moves go to the other nodes once a small region's round, however the rounds are cut.
    const bool publish = ++tick_ % uint64_t(std::max(1, settings_.interest.roundTicks)) == 0;
    for (auto& [name, region] : regions_) {
        if (publish && !region.moved.empty()) {
            // The other nodes filter for their own members, so they get every move.
            ClusterMessage batch = Make(Kind::Poses);
            batch.region = name;
            for (uint16_t id : region.moved)
                if (Participant* p = Find(id)) batch.poses.emplace_back(id, p->pose);
            region.moved.clear();
            if (!batch.poses.empty()) Publish(RegionSubject(name, "pose"), batch);
        }
        region.poses.Tick(deliver, turn);
    }
}

void ClusterWorld::Action(uint16_t clientId, const std::string& code) {
    Participant* p = FindLocal(clientId);
    if (!p || p->region.empty()) return;
    Broadcast(RegionNamed(p->region), AvatarActed{clientId, code});
    ClusterMessage m = Make(Kind::Action);
    m.region = p->region;
    m.clientId = clientId;
    m.text = code;
    Publish(RegionSubject(m.region, "action"), m);
}

void ClusterWorld::Chat(uint16_t clientId, const std::string& text) {
    Participant* p = FindLocal(clientId);
    if (!p || p->region.empty()) return;
    Broadcast(RegionNamed(p->region), ChatReceived{clientId, text});
    ClusterMessage m = Make(Kind::Chat);
    m.region = p->region;
    m.clientId = clientId;
    m.text = text;
    Publish(RegionSubject(m.region, "chat"), m);
}

ReplyStatus ClusterWorld::OpenEsp(uint16_t clientId, uint16_t partnerId) {
    Participant* p = FindLocal(clientId);
    if (!p || partnerId == clientId) return ReplyStatus::Refused;
    Participant* partner = Find(partnerId);
    if (!partner) return ReplyStatus::NotConnected;
    p->espPartners.insert(partnerId);
    partner->espPartners.insert(clientId);
    // The requester hears first, so its window is open before the partner can answer.
    p->link->Send(EspRequested{partnerId, partner->publicUserId, partner->avatarName});
    if (partner->link) {
        partner->link->Send(EspRequested{clientId, p->publicUserId, p->avatarName});
    } else {
        ClusterMessage m = Make(Kind::EspOpen);
        m.clientId = clientId;
        m.partner = partnerId;
        m.member = MemberOf(*p);
        Publish(NodeSubject(partner->node, "esp"), m);
    }
    return ReplyStatus::Ok;
}

void ClusterWorld::CloseEsp(uint16_t clientId, uint16_t partnerId) {
    Participant* p = FindLocal(clientId);
    if (!p || !p->espPartners.erase(partnerId)) return;
    Participant* partner = Find(partnerId);
    if (!partner) return;
    partner->espPartners.erase(clientId);
    if (partner->link) {
        partner->link->Send(EspClosed{clientId});
    } else {
        ClusterMessage m = Make(Kind::EspClose);
        m.clientId = clientId;
        m.partner = partnerId;
        Publish(NodeSubject(partner->node, "esp"), m);
    }
}

void ClusterWorld::EspAnswer(uint16_t clientId, uint16_t partnerId, bool accepted) {
    // A host that did not open its window closes the pair, so the other side is not left with
    // a window nobody answers.
    if (!accepted) CloseEsp(clientId, partnerId);
}

void ClusterWorld::Esp(uint16_t clientId, uint16_t partnerId, const std::string& text) {
    Participant* p = FindLocal(clientId);
    if (!p || !p->espPartners.count(partnerId)) return;
    Participant* partner = Find(partnerId);
    if (!partner) return;
    if (partner->link) {
        partner->link->Send(EspReceived{clientId, text});
    } else {
        ClusterMessage m = Make(Kind::EspText);
        m.clientId = clientId;
        m.partner = partnerId;
        m.text = text;
        Publish(NodeSubject(partner->node, "esp"), m);
    }
}

size_t ClusterWorld::Announce(const std::string& regionName, const std::string& text) {
    std::shared_ptr<const Bytes> frames = std::make_shared<const Bytes>(Encode(AdminMessage{text}));
    size_t reached = 0;
    for (auto& [id, p] : participants_) {
        if (!regionName.empty() && p.region != regionName) continue;
        if (p.link) p.link->SendShared(frames, 0, 0);
        ++reached;
    }
    ClusterMessage m = Make(Kind::Announce);
    m.region = regionName;
    m.text = text;
    Publish(settings_.prefix + ".admin", m);
    return reached;
}

size_t ClusterWorld::CloseRegion(const std::string& regionName) {
    auto it = regions_.find(regionName);
    if (it == regions_.end()) return 0;
    Region region = std::move(it->second);
    regions_.erase(it);
    for (uint16_t id : region.members) {
        Participant* p = Find(id);
        if (!p) continue;
        p->region.clear();
        if (p->link) p->link->Send(RegionClosed{0});
    }
    ClusterMessage m = Make(Kind::CloseRegion);
    m.region = regionName;
    Publish(settings_.prefix + ".admin", m);
    return region.members.size();
}

size_t ClusterWorld::Kick(uint16_t clientId) {
    Participant* p = Find(clientId);
    if (!p) return 0;
    if (!p->link) {
        ClusterMessage m = Make(Kind::Kick);
        m.clientId = clientId;
        Publish(settings_.prefix + ".admin", m);
        return 1;
    }
    ParticipantLink* link = p->link;
    TalkOut(clientId);
    link->Drop(ByeReason::Kicked, "kicked by the administrator");
    return 1;
}

std::optional<std::string> ClusterWorld::AddressOf(uint16_t clientId) const {
    auto it = participants_.find(clientId);
    if (it == participants_.end()) return std::nullopt;
    if (it->second.link) return it->second.link->PeerHex();
    // Another node's participant: its public id begins with its address key.
    const auto colon = it->second.publicUserId.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    return it->second.publicUserId.substr(0, colon);
}

void ClusterWorld::ShareModeration(const std::string& line) {
    ClusterMessage m = Make(Kind::Moderation);
    m.text = line;
    Publish(settings_.prefix + ".admin", m);
}

// ---- the other nodes ---------------------------------------------------------------------

ClusterWorld::Node& ClusterWorld::Touch(uint64_t node, Kind kind) {
    auto [it, added] = nodes_.try_emplace(node);
    it->second.lastHeard = Clock::now();
    if (added) {
        Say("node " + Hex(node) + " is up");
        // A node we did not know (new, or back after an outage): ask for its roster, unless
        // it is sending one already.
        if (kind != Kind::Roster) RequestSync(node);
    }
    return it->second;
}

void ClusterWorld::RequestSync(uint64_t node) {
    if (node != 0) {
        auto it = nodes_.find(node);
        if (it != nodes_.end()) {
            const auto now = Clock::now();
            if (now - it->second.syncRequested < std::chrono::seconds(1)) return;
            it->second.syncRequested = now;
        }
    }
    ClusterMessage m = Make(Kind::SyncRequest);
    m.target = node;
    Publish(NodeSubject(node ? node : nodeId_, "sync"), m);
}

void ClusterWorld::PublishRoster() {
    ClusterMessage m = Make(Kind::Roster);
    m.first = true;
    size_t bytes = 0;
    for (const auto& [id, p] : participants_) {
        if (!p.link) continue;
        m.members.push_back(MemberOf(p));
        bytes += ClusterMessage::SizeOf(m.members.back());
        if (bytes >= kRosterChunkBytes) {
            m.last = false;
            Publish(NodeSubject(nodeId_, "roster"), m);
            m.members.clear();
            m.first = false;
            bytes = 0;
        }
    }
    m.last = true;
    Publish(NodeSubject(nodeId_, "roster"), m);
}

void ClusterWorld::ApplyRemote(uint64_t node, const Member& member, bool reenter) {
    if (member.clientId == 0) return;
    Participant* p = Find(member.clientId);
    if (p && p->link) {
        // Ids are leased, so this means a lease went wrong somewhere; keep our own participant.
        Say("node " + Hex(node) + " claims client id " + std::to_string(member.clientId) + " held here; ignored");
        return;
    }
    if (!p) {
        p = &participants_[member.clientId];
        p->clientId = member.clientId;
    }
    if (p->node != node && p->node != 0) {
        // The id changed hands between nodes; whoever had it before is gone.
        RemoveFromRegion(*p);
    }
    p->node = node;
    p->publicUserId = member.publicUserId;
    p->avatarName = member.avatarName;
    if (member.region != p->region || (reenter && !member.region.empty())) {
        RemoveFromRegion(*p);
        p->avatarNumber = member.avatarNumber;
        p->presence = member.presence;
        p->pose = member.pose;
        if (!member.region.empty()) AddToRegion(*p, member.region);
    } else {
        p->avatarNumber = member.avatarNumber;
        p->presence = member.presence;
        p->pose = member.pose;
    }
}

void ClusterWorld::RemoveRemote(uint16_t clientId) {
    Participant* p = Find(clientId);
    if (!p || p->link) return;
    RemoveFromRegion(*p);
    for (uint16_t localId : p->espPartners) {
        if (Participant* local = FindLocal(localId); local && local->espPartners.erase(clientId))
            local->link->Send(EspClosed{clientId});
    }
    participants_.erase(clientId);
}

void ClusterWorld::NodeGone(uint64_t node, const std::string& why) {
    std::vector<uint16_t> ids;
    for (const auto& [id, p] : participants_)
        if (!p.link && p.node == node) ids.push_back(id);
    for (uint16_t id : ids) RemoveRemote(id);
    nodes_.erase(node);
    Say("node " + Hex(node) + " " + why + "; its " + std::to_string(ids.size()) + " participants removed");
}

void ClusterWorld::Receive(const std::string&, const std::string& data) {
    auto decoded = ClusterMessage::Decode(data);
    if (!decoded || decoded->node == nodeId_ || stopped_) return;
    const ClusterMessage& m = *decoded;
    if (m.kind == Kind::NodeBye) {
        if (nodes_.count(m.node)) NodeGone(m.node, "left the cluster");
        return;
    }
    Node& node = Touch(m.node, m.kind);
    switch (m.kind) {
    case Kind::Heartbeat: {
        // Everything the node said before this heartbeat has been applied, so the counts must
        // agree; if they do not, messages were lost on the way.
        size_t mirrored = 0;
        for (const auto& [id, p] : participants_)
            if (!p.link && p.node == m.node) ++mirrored;
        if (mirrored != m.count) RequestSync(m.node);
        break;
    }
    case Kind::SyncRequest:
        if (m.target == 0 || m.target == nodeId_) PublishRoster();
        break;
    case Kind::Roster: {
        if (m.first) node.rosterIds.clear();
        for (const auto& member : m.members) {
            ApplyRemote(m.node, member, false);
            node.rosterIds.insert(member.clientId);
        }
        if (m.last) {
            std::vector<uint16_t> stale;
            for (const auto& [id, p] : participants_)
                if (!p.link && p.node == m.node && !node.rosterIds.count(id)) stale.push_back(id);
            for (uint16_t id : stale) RemoveRemote(id);
            node.rosterIds.clear();
        }
        break;
    }
    case Kind::TalkIn: {
        Member member = m.member;
        member.region.clear();
        ApplyRemote(m.node, member, false);
        break;
    }
    case Kind::TalkOut: RemoveRemote(m.clientId); break;
    case Kind::Enter: ApplyRemote(m.node, m.member, true); break;
    case Kind::Leave:
        if (Participant* p = Find(m.clientId); p && !p->link && p->region == m.region) RemoveFromRegion(*p);
        break;
    case Kind::Poses: {
        auto it = regions_.find(m.region);
        if (it == regions_.end()) break;
        bool any = false;
        for (const auto& [id, pose] : m.poses) {
            Participant* p = Find(id);
            if (!p || p->link || p->region != m.region) continue;
            p->pose = pose;
            it->second.poses.Move(id, pose);
            any = true;
        }
        // Near receivers here hear them now rather than at this node's next tick.
        if (any) it->second.poses.DeliverNear(ToLinks());
        break;
    }
    case Kind::Action:
    case Kind::Chat: {
        auto it = regions_.find(m.region);
        if (it == regions_.end()) break;
        if (m.kind == Kind::Chat)
            Broadcast(it->second, ChatReceived{m.clientId, m.text});
        else
            Broadcast(it->second, AvatarActed{m.clientId, m.text});
        break;
    }
    case Kind::EspOpen: {
        Participant* local = FindLocal(m.partner);
        if (!local) {
            // Gone before the request arrived: the requester's window must not wait for it.
            ClusterMessage reply = Make(Kind::EspClose);
            reply.clientId = m.partner;
            reply.partner = m.clientId;
            Publish(NodeSubject(m.node, "esp"), reply);
            break;
        }
        Participant* requester = Find(m.clientId);
        if (!requester) {
            Member member = m.member;
            member.region.clear();
            ApplyRemote(m.node, member, false);
            requester = Find(m.clientId);
        }
        if (!requester || requester->link) break;
        local->espPartners.insert(m.clientId);
        requester->espPartners.insert(m.partner);
        local->link->Send(EspRequested{m.clientId, m.member.publicUserId, m.member.avatarName});
        break;
    }
    case Kind::EspText:
        if (Participant* local = FindLocal(m.partner); local && local->espPartners.count(m.clientId))
            local->link->Send(EspReceived{m.clientId, m.text});
        break;
    case Kind::EspClose:
        if (Participant* local = FindLocal(m.partner); local && local->espPartners.erase(m.clientId)) {
            if (Participant* remote = Find(m.clientId)) remote->espPartners.erase(m.partner);
            local->link->Send(EspClosed{m.clientId});
        }
        break;
    case Kind::Announce: {
        std::shared_ptr<const Bytes> frames;
        for (auto& [id, p] : participants_) {
            if (!p.link || (!m.region.empty() && p.region != m.region)) continue;
            if (!frames) frames = std::make_shared<const Bytes>(Encode(AdminMessage{m.text}));
            p.link->SendShared(frames, 0, 0);
        }
        break;
    }
    case Kind::CloseRegion: {
        auto it = regions_.find(m.region);
        if (it == regions_.end()) break;
        Region region = std::move(it->second);
        regions_.erase(it);
        for (uint16_t id : region.members) {
            Participant* p = Find(id);
            if (!p) continue;
            p->region.clear();
            if (!p->link) continue;
            p->link->Send(RegionClosed{0});
            // Any node that saw this participant enter after the close undoes it.
            ClusterMessage leave = Make(Kind::Leave);
            leave.clientId = id;
            leave.region = m.region;
            Publish(RegionSubject(m.region, "presence"), leave);
        }
        break;
    }
    case Kind::Kick:
        if (FindLocal(m.clientId)) Kick(m.clientId);
        break;
    case Kind::Moderation:
        if (moderation_) moderation_(m.text);
        break;
    case Kind::NodeBye: break;
    }
}

// ---- liveness, ids, NATS outages -----------------------------------------------------------

void ClusterWorld::Heartbeat() {
    if (stopped_) return;
    ClusterMessage m = Make(Kind::Heartbeat);
    m.count = uint32_t(localCount_);
    Publish(NodeSubject(nodeId_, "hb"), m);
    const auto now = Clock::now();
    std::vector<uint64_t> silent;
    for (const auto& [id, node] : nodes_)
        if (now - node.lastHeard > settings_.nodeTimeout) silent.push_back(id);
    for (uint64_t id : silent)
        NodeGone(id, "silent for " + std::to_string(settings_.nodeTimeout.count()) + " ms");
    KeepIds();
    heartbeatTimer_.expires_after(settings_.heartbeat);
    heartbeatTimer_.async_wait([this](std::error_code ec) {
        if (!ec) Heartbeat();
    });
}

void ClusterWorld::KeepIds() {
    if (!leases_) return;
    const auto now = Clock::now();
    if (pool_.FreeCount(now) < kLowWater) {
        leases_->Want(pool_.BlockCount() + 1);
        return;
    }
    // Hand back blocks nobody here uses, keeping one spare so the next arrivals need no wait.
    auto idle = pool_.IdleBlocks();
    if (idle.size() > 1 && pool_.FreeCount(now) > kLowWater + IdPool::kBlockSize) {
        pool_.Forget(idle.back());
        leases_->Release(idle.back());
    }
}

void ClusterWorld::LoseBlock(uint32_t block) {
    // Another node holds these ids now; two participants must never share one, so ours go.
    const auto holders = pool_.Lose(block);
    Say("lease of id block " + std::to_string(block) + " lost; " + std::to_string(holders.size()) +
        " participants must talk in again");
    for (uint16_t id : holders) {
        Participant* p = FindLocal(id);
        if (!p) continue;
        ParticipantLink* link = p->link;
        TalkOut(id);
        link->Drop(ByeReason::ServerShutdown, "lost contact with the other servers; please talk in again");
    }
}

void ClusterWorld::OnConnection(bool connected) {
    if (connected == connected_) return;
    connected_ = connected;
    if (!connected) {
        disconnectedAt_ = Clock::now();
        Say("lost the connection to NATS at " + settings_.url + "; serving this node's participants alone");
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - disconnectedAt_);
    Say("reconnected to NATS after " + std::to_string(seconds.count()) + " ms; resynchronising");
    if (leases_) leases_->Nudge();
    // The others may have given this node up meanwhile; they learn its roster again and it
    // learns theirs.
    PublishRoster();
    RequestSync(0);
}

}  // namespace server::cluster
