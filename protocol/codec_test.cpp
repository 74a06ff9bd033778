#include "protocol/codec.h"
#include "protocol/frame_decoder.h"
#include "protocol/limits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace protocol {
namespace {

Bytes Hex(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
    return out;
}

std::vector<Message> DecodeAll(Direction direction, const Bytes& stream, std::string* error = nullptr) {
    FrameDecoder decoder(direction);
    decoder.Append(stream.data(), stream.size());
    std::vector<Message> out;
    Message message;
    for (;;) {
        auto status = decoder.Next(&message);
        if (status == FrameDecoder::Status::Ready) {
            out.push_back(message);
            continue;
        }
        if (status == FrameDecoder::Status::Failed && error) *error = decoder.Error();
        return out;
    }
}

// Exact wire bytes of a few frames: the layout documented for other implementations.
struct WireCase {
    const char* name;
    Message message;
    Bytes wire;
};

TEST(Codec, FramesHaveTheDocumentedBytes) {
    const WireCase cases[] = {
        {"chat", SendChat{"hi"}, Hex({0, 0, 0, 6, 1, 0x08, 0, 2, 'h', 'i'})},
        {"leave", LeaveRegion{0x0102}, Hex({0, 0, 0, 4, 1, 0x04, 1, 2})},
        {"left", AvatarLeft{0xFFFE}, Hex({0, 0, 0, 4, 1, 0x44, 0xFF, 0xFE})},
        {"reply", Reply{7, MessageType::EnterRegion, ReplyStatus::Ok, 42},
         Hex({0, 0, 0, 8, 1, 0x41, 0, 7, 0x03, 0, 0, 42})},
        {"ping", Ping{0x01020304}, Hex({0, 0, 0, 6, 1, 0x20, 1, 2, 3, 4})},
        {"pose", SendPose{Pose{1.0f, 0, 0, 0, 0, -1.0f}},
         Hex({0, 0, 0, 26, 1, 0x06, 0x3F, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xBF, 0x80, 0, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Encode(c.message), c.wire);
    }
}

TEST(Codec, EveryMessageRoundTripsInItsDirection) {
    const std::string sjis = "\x83\x5C\x95\x5C\x81\xF4";  // ソ表♪: trail bytes 0x5C must pass untouched
    AvatarInfo avatar{513, "7F000001:1234", sjis, "3", 2, Pose{10000, 0, 10000, 0, 0, -1}};
    const std::vector<Message> toServer = {
        TalkIn{1, 0x00020001, "1234", "", sjis, 0, 0},
        EnterRegion{2, "http://h/r/a.wrl", "12", Pose{1, 2, 3, 4, 5, 6}, 2},
        LeaveRegion{3},
        TalkOut{4},
        SendPose{Pose{-1.5f, 0, 0, 0, 0, -1}},
        SendAction{"a15"},
        SendChat{sjis},
        SendChat{""},
        SendEsp{65535, sjis},
        OpenEsp{5, 9, "7F000001:99", sjis},
        CloseEsp{6, 9, "7F000001:99"},
        EspAnswer{9, true},
        Ping{77},
        Pong{78},
    };
    const std::vector<Message> toClient = {
        Welcome{5, kMaxFrameLength, 1024, 1024, 20, 60},
        Reply{9, MessageType::OpenEsp, ReplyStatus::NotConnected, 0},
        AvatarEntered{avatar},
        AvatarPresent{avatar},
        AvatarLeft{513},
        AvatarMoved{513, Pose{1, 2, 3, 4, 5, 6}},
        AvatarActed{513, "a00"},
        RegionClosed{0},
        ChatReceived{513, sjis},
        AdminMessage{sjis},
        EspReceived{513, sjis},
        EspRequested{513, "7F000001:1234", sjis},
        EspClosed{513},
        Bye{ByeReason::Kicked, "kicked"},
        Ping{1},
    };
    for (auto [direction, list] : {std::pair{Direction::ToServer, &toServer}, std::pair{Direction::ToClient, &toClient}}) {
        Bytes stream;
        for (const auto& m : *list) EncodeTo(m, stream);
        std::string error;
        auto decoded = DecodeAll(direction, stream, &error);
        EXPECT_EQ(error, "");
        EXPECT_EQ(decoded, *list);
    }
}

TEST(Codec, PoseBitsSurviveIncludingNaN) {
    float nan = std::nanf("");
    auto decoded = DecodeAll(Direction::ToServer, Encode(SendPose{Pose{nan, -0.0f, 1e30f, 0, 0, 0}}));
    ASSERT_EQ(decoded.size(), 1u);
    auto pose = std::get<SendPose>(decoded[0]).pose;
    EXPECT_TRUE(std::isnan(pose[0]));
    EXPECT_TRUE(std::signbit(pose[1]));
    EXPECT_EQ(pose[2], 1e30f);
}

TEST(Codec, DecoderTakesBytesOneAtATime) {
    Bytes stream;
    EncodeTo(SendChat{"one"}, stream);
    EncodeTo(SendAction{"a01"}, stream);
    FrameDecoder decoder(Direction::ToServer);
    std::vector<Message> out;
    Message m;
    for (uint8_t b : stream) {
        decoder.Append(&b, 1);
        while (decoder.Next(&m) == FrameDecoder::Status::Ready) out.push_back(m);
    }
    EXPECT_EQ(out, (std::vector<Message>{SendChat{"one"}, SendAction{"a01"}}));
    EXPECT_EQ(decoder.Buffered(), 0u);
}

struct BadCase {
    const char* name;
    Direction direction;
    Bytes wire;
    const char* errorPart;
};

TEST(Codec, MalformedFramesAreRefused) {
    Bytes longChat = Hex({0, 0, 0x04, 0x05, 1, 0x08, 0x04, 0x01});  // claims a 1025-byte chat text
    longChat.resize(4 + 0x405, 'x');
    const BadCase cases[] = {
        {"oversized length", Direction::ToServer, Hex({0, 0, 0x10, 0x01, 1, 0x08}), "over the limit"},
        {"huge length", Direction::ToServer, Hex({0xFF, 0xFF, 0xFF, 0xFF}), "over the limit"},
        {"zero length", Direction::ToServer, Hex({0, 0, 0, 0}), "too short"},
        {"one byte body", Direction::ToServer, Hex({0, 0, 0, 1, 1}), "too short"},
        {"wrong version", Direction::ToServer, Hex({0, 0, 0, 4, 2, 0x04, 0, 0}), "version"},
        {"unknown type", Direction::ToServer, Hex({0, 0, 0, 2, 1, 0x3F}), "unexpected"},
        {"server message sent to server", Direction::ToServer, Hex({0, 0, 0, 4, 1, 0x44, 0, 1}), "unexpected"},
        {"client message sent to client", Direction::ToClient, Hex({0, 0, 0, 4, 1, 0x04, 0, 1}), "unexpected"},
        {"text longer than payload", Direction::ToServer, Hex({0, 0, 0, 6, 1, 0x08, 0, 9, 'a', 'b'}), "truncated"},
        {"missing field", Direction::ToServer, Hex({0, 0, 0, 3, 1, 0x04, 0}), "truncated"},
        {"trailing bytes", Direction::ToServer, Hex({0, 0, 0, 5, 1, 0x04, 0, 0, 9}), "trailing"},
        {"chat text over limit", Direction::ToServer, longChat, "over its limit"},
        {"flag not 0 or 1", Direction::ToServer, Hex({0, 0, 0, 5, 1, 0x0C, 0, 1, 2}), "flag"},
        {"bad reply status", Direction::ToClient, Hex({0, 0, 0, 8, 1, 0x41, 0, 1, 3, 9, 0, 0}), "out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto decoded = DecodeAll(c.direction, c.wire, &error);
        EXPECT_TRUE(decoded.empty());
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

TEST(Codec, FailureIsFinalAndGoodFramesBeforeItSurvive) {
    Bytes stream = Encode(SendChat{"ok"});
    Bytes bad = Hex({0, 0, 0, 2, 1, 0x7F});
    stream.insert(stream.end(), bad.begin(), bad.end());
    EncodeTo(SendChat{"after"}, stream);
    std::string error;
    auto decoded = DecodeAll(Direction::ToServer, stream, &error);
    EXPECT_EQ(decoded, std::vector<Message>{SendChat{"ok"}});
    EXPECT_FALSE(error.empty());
}

TEST(Codec, TruncatedFrameWaitsWithoutFailing) {
    Bytes frame = Encode(SendChat{"hello"});
    FrameDecoder decoder(Direction::ToServer);
    decoder.Append(frame.data(), frame.size() - 1);
    Message m;
    EXPECT_EQ(decoder.Next(&m), FrameDecoder::Status::NeedMore);
    decoder.Append(&frame.back(), 1);
    EXPECT_EQ(decoder.Next(&m), FrameDecoder::Status::Ready);
}

}  // namespace
}  // namespace protocol
