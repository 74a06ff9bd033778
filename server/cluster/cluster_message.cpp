#include "server/cluster/cluster_message.h"

#include <bit>
#include <cstring>

namespace server::cluster {
namespace {

constexpr uint8_t kMagic = 0xC7;
constexpr uint8_t kVersion = 1;
constexpr size_t kHeader = 3 + 8;
constexpr size_t kMaxText = 4096;        // every protocol text fits well inside
constexpr size_t kMaxMembers = 65535;

class Writer {
public:
    void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(uint16_t v) { U8(uint8_t(v >> 8)); U8(uint8_t(v)); }
    void U32(uint32_t v) { U16(uint16_t(v >> 16)); U16(uint16_t(v)); }
    void U64(uint64_t v) { U32(uint32_t(v >> 32)); U32(uint32_t(v)); }
    void Text(const std::string& s) {
        const size_t n = std::min(s.size(), kMaxText);
        U16(uint16_t(n));
        out_.append(s, 0, n);
    }
    void PoseOf(const protocol::Pose& p) {
        for (float f : p) U32(std::bit_cast<uint32_t>(f));
    }
    void MemberOf(const ClusterMessage::Member& m) {
        U16(m.clientId);
        Text(m.publicUserId);
        Text(m.avatarName);
        Text(m.region);
        Text(m.avatarNumber);
        U16(uint16_t(m.presence));
        PoseOf(m.pose);
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

class Reader {
public:
    Reader(const std::string& in) : in_(in) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ == in_.size(); }
    uint8_t U8() {
        if (!Need(1)) return 0;
        return static_cast<uint8_t>(in_[pos_++]);
    }
    uint16_t U16() { uint16_t h = U8(); return uint16_t(h << 8 | U8()); }
    uint32_t U32() { uint32_t h = U16(); return h << 16 | U16(); }
    uint64_t U64() { uint64_t h = U32(); return h << 32 | U32(); }
    std::string Text() {
        const size_t n = U16();
        if (n > kMaxText || !Need(n)) {
            ok_ = false;
            return {};
        }
        std::string s = in_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    protocol::Pose PoseOf() {
        protocol::Pose p{};
        for (float& f : p) f = std::bit_cast<float>(U32());
        return p;
    }
    ClusterMessage::Member MemberOf() {
        ClusterMessage::Member m;
        m.clientId = U16();
        m.publicUserId = Text();
        m.avatarName = Text();
        m.region = Text();
        m.avatarNumber = Text();
        m.presence = int16_t(U16());
        m.pose = PoseOf();
        return m;
    }

private:
    bool Need(size_t n) {
        if (!ok_ || in_.size() - pos_ < n) ok_ = false;
        return ok_;
    }
    const std::string& in_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

size_t ClusterMessage::SizeOf(const Member& m) {
    return 2 + 8 + m.publicUserId.size() + m.avatarName.size() + m.region.size() + m.avatarNumber.size() + 2 + 24;
}

std::string ClusterMessage::Encode() const {
    Writer w;
    w.U8(kMagic);
    w.U8(kVersion);
    w.U8(uint8_t(kind));
    w.U64(node);
    switch (kind) {
    case Kind::Heartbeat: w.U32(count); break;
    case Kind::SyncRequest: w.U64(target); break;
    case Kind::Roster:
        w.U8(first);
        w.U8(last);
        w.U32(uint32_t(members.size()));
        for (const auto& m : members) w.MemberOf(m);
        break;
    case Kind::TalkIn:
    case Kind::Enter: w.MemberOf(member); break;
    case Kind::TalkOut:
    case Kind::Kick: w.U16(clientId); break;
    case Kind::Leave: w.U16(clientId); w.Text(region); break;
    case Kind::Poses:
        w.Text(region);
        w.U16(uint16_t(poses.size()));
        for (const auto& [id, pose] : poses) {
            w.U16(id);
            w.PoseOf(pose);
        }
        break;
    case Kind::Action:
    case Kind::Chat: w.Text(region); w.U16(clientId); w.Text(text); break;
    case Kind::EspOpen: w.U16(clientId); w.U16(partner); w.MemberOf(member); break;
    case Kind::EspText: w.U16(clientId); w.U16(partner); w.Text(text); break;
    case Kind::EspClose: w.U16(clientId); w.U16(partner); break;
    case Kind::Announce: w.Text(region); w.Text(text); break;
    case Kind::CloseRegion: w.Text(region); break;
    case Kind::NodeBye: break;
    case Kind::Moderation: w.Text(text); break;
    }
    return w.Take();
}

std::optional<ClusterMessage> ClusterMessage::Decode(const std::string& bytes) {
    Reader r(bytes);
    if (r.U8() != kMagic || r.U8() != kVersion) return std::nullopt;
    ClusterMessage m;
    const uint8_t kind = r.U8();
    if (kind < uint8_t(Kind::Heartbeat) || kind > uint8_t(Kind::Moderation)) return std::nullopt;
    m.kind = Kind(kind);
    m.node = r.U64();
    switch (m.kind) {
    case Kind::Heartbeat: m.count = r.U32(); break;
    case Kind::SyncRequest: m.target = r.U64(); break;
    case Kind::Roster: {
        m.first = r.U8() != 0;
        m.last = r.U8() != 0;
        const uint32_t n = r.U32();
        if (n > kMaxMembers) return std::nullopt;
        for (uint32_t i = 0; i < n && r.Ok(); ++i) m.members.push_back(r.MemberOf());
        break;
    }
    case Kind::TalkIn:
    case Kind::Enter: m.member = r.MemberOf(); break;
    case Kind::TalkOut:
    case Kind::Kick: m.clientId = r.U16(); break;
    case Kind::Leave: m.clientId = r.U16(); m.region = r.Text(); break;
    case Kind::Poses: {
        m.region = r.Text();
        const uint16_t n = r.U16();
        for (uint16_t i = 0; i < n && r.Ok(); ++i) {
            const uint16_t id = r.U16();
            m.poses.emplace_back(id, r.PoseOf());
        }
        break;
    }
    case Kind::Action:
    case Kind::Chat: m.region = r.Text(); m.clientId = r.U16(); m.text = r.Text(); break;
    case Kind::EspOpen: m.clientId = r.U16(); m.partner = r.U16(); m.member = r.MemberOf(); break;
    case Kind::EspText: m.clientId = r.U16(); m.partner = r.U16(); m.text = r.Text(); break;
    case Kind::EspClose: m.clientId = r.U16(); m.partner = r.U16(); break;
    case Kind::Announce: m.region = r.Text(); m.text = r.Text(); break;
    case Kind::CloseRegion: m.region = r.Text(); break;
    case Kind::NodeBye: break;
    case Kind::Moderation: m.text = r.Text(); break;
    }
    if (!r.Ok() || !r.AtEnd() || m.node == 0) return std::nullopt;
    return m;
}

uint64_t ClusterMessage::PeekNode(const char* data, size_t size) {
    if (size < kHeader || uint8_t(data[0]) != kMagic || uint8_t(data[1]) != kVersion) return 0;
    uint64_t node = 0;
    for (size_t i = 3; i < kHeader; ++i) node = node << 8 | uint8_t(data[i]);
    return node;
}

std::optional<ClusterMessage::Kind> ClusterMessage::PeekKind(const char* data, size_t size) {
    if (PeekNode(data, size) == 0) return std::nullopt;
    return Kind(uint8_t(data[2]));
}

}  // namespace server::cluster
