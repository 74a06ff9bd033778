#include "server/local_world.h"

#include <algorithm>

namespace server {

using namespace protocol;

LocalWorld::Participant* LocalWorld::Find(uint16_t clientId) {
    auto it = participants_.find(clientId);
    return it == participants_.end() ? nullptr : &it->second;
}

AvatarInfo LocalWorld::InfoOf(const Participant& p) const {
    return AvatarInfo{p.clientId, p.publicUserId, p.avatarName, p.avatarNumber, p.presence, p.pose};
}

void LocalWorld::Broadcast(const Region& region, const Message& message) {
    auto frames = std::make_shared<const Bytes>(Encode(message));
    for (uint16_t id : region.members) {
        if (auto* p = Find(id)) p->link->SendShared(frames, 0, 0);
    }
}

std::optional<std::string> LocalWorld::AddressOf(uint16_t clientId) const {
    auto it = participants_.find(clientId);
    if (it == participants_.end()) return std::nullopt;
    return it->second.link->PeerHex();
}

std::optional<uint16_t> LocalWorld::TalkIn(ParticipantLink* link, const std::string& userId,
                                           const std::string& avatarName) {
    // Ids go round rather than being reused at once, so a late message about a participant who
    // just left is not taken for a newcomer. 0 is never given out.
    if (participants_.size() >= 65535) return std::nullopt;
    uint16_t id = lastId_;
    do {
        id = static_cast<uint16_t>(id + 1);
    } while (id == 0 || participants_.count(id));
    lastId_ = id;
    Participant& p = participants_[id];
    p.link = link;
    p.clientId = id;
    p.userId = userId;
    p.publicUserId = link->PeerHex() + ":" + userId;
    p.avatarName = avatarName;
    return id;
}

void LocalWorld::EndEsp(Participant& p) {
    for (uint16_t partnerId : p.espPartners) {
        if (auto* partner = Find(partnerId)) {
            partner->espPartners.erase(p.clientId);
            partner->link->Send(EspClosed{p.clientId});
        }
    }
    p.espPartners.clear();
}

void LocalWorld::TalkOut(uint16_t clientId) {
    Participant* p = Find(clientId);
    if (!p) return;
    LeaveRegion(clientId);
    EndEsp(*p);
    participants_.erase(clientId);
}

bool LocalWorld::EnterRegion(uint16_t clientId, const std::string& regionName, const std::string& avatarNumber,
                             const protocol::Pose& pose, int16_t presence) {
    Participant* p = Find(clientId);
    if (!p || regionName.empty()) return false;
    if (!p->region.empty()) LeaveRegion(clientId);
    p->avatarNumber = avatarNumber;
    p->presence = presence;
    p->pose = pose;
    Region& region = RegionNamed(regionName);
    for (uint16_t id : region.members) {
        if (auto* other = Find(id)) p->link->Send(AvatarPresent{InfoOf(*other)});
    }
    Broadcast(region, AvatarEntered{InfoOf(*p)});
    region.members.push_back(clientId);
    region.poses.Add(clientId, pose, true);
    p->region = regionName;
    return true;
}

void LocalWorld::LeaveRegion(uint16_t clientId) {
    Participant* p = Find(clientId);
    if (!p || p->region.empty()) return;
    auto it = regions_.find(p->region);
    p->region.clear();
    if (it == regions_.end()) return;
    Region& region = it->second;
    std::erase(region.members, clientId);
    region.poses.Remove(clientId);
    if (region.members.empty()) {
        regions_.erase(it);
        return;
    }
    Broadcast(region, AvatarLeft{clientId});
}

void LocalWorld::Pose(uint16_t clientId, const protocol::Pose& pose) {
    Participant* p = Find(clientId);
    if (!p || p->region.empty()) return;
    p->pose = pose;
    RegionNamed(p->region).poses.Move(clientId, pose);
}

void LocalWorld::Tick() {
    for (auto& [name, region] : regions_) {
        region.poses.Tick(
            [this](uint16_t receiver, std::shared_ptr<const Bytes> frames) {
                if (Participant* p = Find(receiver)) p->link->SendShared(std::move(frames), 0, 0);
            },
            [this](uint16_t receiver) {
                if (Participant* p = Find(receiver)) p->link->TurnAtTick();
            });
    }
}

void LocalWorld::Action(uint16_t clientId, const std::string& code) {
    Participant* p = Find(clientId);
    if (!p || p->region.empty()) return;
    Broadcast(RegionNamed(p->region), AvatarActed{clientId, code});
}

void LocalWorld::Chat(uint16_t clientId, const std::string& text) {
    Participant* p = Find(clientId);
    if (!p || p->region.empty()) return;
    Broadcast(RegionNamed(p->region), ChatReceived{clientId, text});
}

ReplyStatus LocalWorld::OpenEsp(uint16_t clientId, uint16_t partnerId) {
    Participant* p = Find(clientId);
    if (!p) return ReplyStatus::Refused;
    if (partnerId == clientId) return ReplyStatus::Refused;
    Participant* partner = Find(partnerId);
    if (!partner) return ReplyStatus::NotConnected;
    p->espPartners.insert(partnerId);
    partner->espPartners.insert(clientId);
    // The requester hears first, so its window is open before the partner can answer.
    p->link->Send(EspRequested{partnerId, partner->publicUserId, partner->avatarName});
    partner->link->Send(EspRequested{clientId, p->publicUserId, p->avatarName});
    return ReplyStatus::Ok;
}

void LocalWorld::CloseEsp(uint16_t clientId, uint16_t partnerId) {
    Participant* p = Find(clientId);
    if (!p || !p->espPartners.erase(partnerId)) return;
    if (Participant* partner = Find(partnerId)) {
        partner->espPartners.erase(clientId);
        partner->link->Send(EspClosed{clientId});
    }
}

void LocalWorld::EspAnswer(uint16_t clientId, uint16_t partnerId, bool accepted) {
    // A host that did not open its window closes the pair, so the other side is not left with
    // a window nobody answers.
    if (!accepted) CloseEsp(clientId, partnerId);
}

void LocalWorld::Esp(uint16_t clientId, uint16_t partnerId, const std::string& text) {
    Participant* p = Find(clientId);
    if (!p || !p->espPartners.count(partnerId)) return;
    if (Participant* partner = Find(partnerId)) partner->link->Send(EspReceived{clientId, text});
}

size_t LocalWorld::Announce(const std::string& regionName, const std::string& text) {
    auto frames = std::make_shared<const Bytes>(Encode(AdminMessage{text}));
    size_t reached = 0;
    for (auto& [id, p] : participants_) {
        if (regionName.empty() ? true : p.region == regionName) {
            p.link->SendShared(frames, 0, 0);
            ++reached;
        }
    }
    return reached;
}

size_t LocalWorld::CloseRegion(const std::string& regionName) {
    auto it = regions_.find(regionName);
    if (it == regions_.end()) return 0;
    Region region = std::move(it->second);
    regions_.erase(it);
    for (uint16_t id : region.members) {
        if (Participant* p = Find(id)) {
            p->region.clear();
            p->link->Send(RegionClosed{0});
        }
    }
    return region.members.size();
}

size_t LocalWorld::Kick(uint16_t clientId) {
    Participant* p = Find(clientId);
    if (!p) return 0;
    ParticipantLink* link = p->link;
    TalkOut(clientId);
    link->Drop(ByeReason::Kicked, "kicked by the administrator");
    return 1;
}

}  // namespace server
