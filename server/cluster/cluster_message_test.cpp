// Messages between nodes: every kind survives the trip, and damaged or foreign bytes are refused.
#include "server/cluster/cluster_message.h"

#include <gtest/gtest.h>

namespace server::cluster {
namespace {

using Kind = ClusterMessage::Kind;

ClusterMessage::Member Sample(uint16_t id) {
    return {id, "7F000001:\x82\xA0\x5C", "name", "http://h/r\x95\x5C.wrl", "3", -1, {1.5f, -2, 3, 0, 0, -1}};
}

ClusterMessage Full(Kind kind) {
    ClusterMessage m;
    m.kind = kind;
    m.node = 0x0123456789ABCDEFull;
    m.target = 0xFEDCBA9876543210ull;
    m.count = 70000;
    m.clientId = 65535;
    m.partner = 1;
    m.region = "room\x82\xA0";
    m.text = std::string("\x00\x5C\x82\xA0", 4);
    m.member = Sample(9);
    m.members = {Sample(1), Sample(2)};
    m.first = false;
    m.last = true;
    m.poses = {{4, {1, 2, 3, 4, 5, 6}}, {5, {-0.0f, 0, 0, 0, 0, 1}}};
    return m;
}

TEST(ClusterMessageTest, EveryKindRoundTripsItsFields) {
    for (uint8_t k = uint8_t(Kind::Heartbeat); k <= uint8_t(Kind::Moderation); ++k) {
        const Kind kind = Kind(k);
        const ClusterMessage sent = Full(kind);
        auto got = ClusterMessage::Decode(sent.Encode());
        ASSERT_TRUE(got) << int(k);
        EXPECT_EQ(got->kind, kind);
        EXPECT_EQ(got->node, sent.node);
        switch (kind) {
        case Kind::Heartbeat: EXPECT_EQ(got->count, 70000u); break;
        case Kind::SyncRequest: EXPECT_EQ(got->target, sent.target); break;
        case Kind::Roster:
            EXPECT_EQ(got->members, sent.members);
            EXPECT_FALSE(got->first);
            EXPECT_TRUE(got->last);
            break;
        case Kind::TalkIn:
        case Kind::Enter: EXPECT_EQ(got->member, sent.member); break;
        case Kind::Poses:
            EXPECT_EQ(got->region, sent.region);
            EXPECT_EQ(got->poses, sent.poses);
            break;
        case Kind::Chat:
        case Kind::Action:
            EXPECT_EQ(got->region, sent.region);
            EXPECT_EQ(got->clientId, 65535);
            EXPECT_EQ(got->text, sent.text);  // NUL and 0x5C bytes pass unchanged
            break;
        case Kind::EspOpen:
            EXPECT_EQ(got->partner, 1);
            EXPECT_EQ(got->member, sent.member);
            break;
        case Kind::EspText: EXPECT_EQ(got->text, sent.text); break;
        case Kind::Announce: EXPECT_EQ(got->text, sent.text); break;
        case Kind::Moderation: EXPECT_EQ(got->text, sent.text); break;
        default: break;
        }
    }
}

TEST(ClusterMessageTest, RefusesTruncatedTrailingAndForeignBytes) {
    const std::string good = Full(Kind::Roster).Encode();
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(ClusterMessage::Decode(good.substr(0, n))) << "cut at " << n;
    EXPECT_FALSE(ClusterMessage::Decode(good + "x"));
    std::string badMagic = good;
    badMagic[0] = 'M';
    EXPECT_FALSE(ClusterMessage::Decode(badMagic));
    std::string badKind = good;
    badKind[2] = char(0x7F);
    EXPECT_FALSE(ClusterMessage::Decode(badKind));
    EXPECT_FALSE(ClusterMessage::Decode("hello from someone else on the same subjects"));
    ClusterMessage anonymous = Full(Kind::Chat);
    anonymous.node = 0;
    EXPECT_FALSE(ClusterMessage::Decode(anonymous.Encode()));
}

TEST(ClusterMessageTest, RosterCountBeyondTheBytesIsRefusedWithoutAllocatingIt) {
    ClusterMessage m = Full(Kind::Roster);
    m.members.clear();
    std::string bytes = m.Encode();
    // Claim four billion members with none present.
    bytes[13] = bytes[14] = bytes[15] = bytes[16] = char(0xFF);
    EXPECT_FALSE(ClusterMessage::Decode(bytes));
}

TEST(ClusterMessageTest, PeekReadsTheSenderAndKindOnly) {
    const std::string bytes = Full(Kind::Roster).Encode();
    EXPECT_EQ(ClusterMessage::PeekNode(bytes.data(), bytes.size()), 0x0123456789ABCDEFull);
    EXPECT_EQ(ClusterMessage::PeekKind(bytes.data(), bytes.size()), Kind::Roster);
    EXPECT_EQ(ClusterMessage::PeekNode(bytes.data(), 5), 0u);
    EXPECT_FALSE(ClusterMessage::PeekKind("xyz", 3));
}

}  // namespace
}  // namespace server::cluster
