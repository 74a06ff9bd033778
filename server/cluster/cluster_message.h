#pragma once
// What one world server node tells the others through NATS. Every message names its sender node;
// texts are CP932 bytes carried unchanged. Decoding checks every length, so a stray publisher on
// the same subjects costs nothing but its message.
#include "protocol/messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace server::cluster {

class ClusterMessage {
public:
    enum class Kind : uint8_t {
        Heartbeat = 1,   // count: how many participants the sender has
        SyncRequest,     // target: the node asked for its roster (0: every node)
        Roster,          // members; first/last mark the chunks of one roster
        TalkIn,          // member (id, user id, avatar name)
        TalkOut,         // clientId
        Enter,           // member, region
        Leave,           // clientId, region
        Poses,           // region, poses
        Action,          // region, clientId, text (the action code)
        Chat,            // region, clientId, text
        EspOpen,         // clientId -> partner, member (requester's user id and avatar name)
        EspText,         // clientId -> partner, text
        EspClose,        // clientId -> partner
        Announce,        // region (empty: everyone), text
        CloseRegion,     // region
        Kick,            // clientId
        NodeBye,         // the sender is shutting down
        Moderation,      // text: a ban, unban, closed or opened region, for every node to keep
    };

    struct Member {
        uint16_t clientId = 0;
        std::string publicUserId, avatarName, region, avatarNumber;
        int16_t presence = 1;
        protocol::Pose pose{};
        friend bool operator==(const Member&, const Member&) = default;
    };

    Kind kind = Kind::Heartbeat;
    uint64_t node = 0;
    uint64_t target = 0;
    uint32_t count = 0;
    uint16_t clientId = 0, partner = 0;
    std::string region, text;
    Member member;
    std::vector<Member> members;
    bool first = true, last = true;
    std::vector<std::pair<uint16_t, protocol::Pose>> poses;

    std::string Encode() const;
    static std::optional<ClusterMessage> Decode(const std::string& bytes);
    // The sender node of an encoded message without decoding the rest (0 if it is not one of ours).
    static uint64_t PeekNode(const char* data, size_t size);
    static std::optional<Kind> PeekKind(const char* data, size_t size);
    // Rough encoded size of a roster member, for chunking rosters below the NATS payload limit.
    static size_t SizeOf(const Member& member);
};

}  // namespace server::cluster
