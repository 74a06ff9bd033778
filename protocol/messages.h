#pragma once
// Every message of the world protocol, as plain data. Texts are CP932 bytes carried unchanged.
#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace protocol {

// Position (x, y, z) and facing (dx, dy, dz); carried bit for bit.
using Pose = std::array<float, 6>;

enum class MessageType : uint8_t {
    // client -> server
    TalkIn = 0x02,
    EnterRegion = 0x03,
    LeaveRegion = 0x04,
    TalkOut = 0x05,
    SendPose = 0x06,
    SendAction = 0x07,
    SendChat = 0x08,
    SendEsp = 0x09,
    OpenEsp = 0x0A,
    CloseEsp = 0x0B,
    EspAnswer = 0x0C,
    // either way
    Ping = 0x20,
    Pong = 0x21,
    // server -> client
    Welcome = 0x40,
    Reply = 0x41,
    AvatarEntered = 0x42,
    AvatarPresent = 0x43,
    AvatarLeft = 0x44,
    AvatarMoved = 0x45,
    AvatarActed = 0x46,
    RegionClosed = 0x47,
    ChatReceived = 0x48,
    AdminMessage = 0x49,
    EspReceived = 0x4A,
    EspRequested = 0x4B,
    EspClosed = 0x4C,
    Bye = 0x4D,
};

// Requests that the server answers with a Reply carry a sequence number the Reply echoes, so a
// late answer to a call that timed out is never taken for the answer to the next one.
struct TalkIn {
    uint16_t seq = 0;
    uint32_t version = 0;
    std::string userId, password, avatarName;
    uint32_t option1 = 0, option2 = 0;
    friend bool operator==(const TalkIn&, const TalkIn&) = default;
};
struct EnterRegion {
    uint16_t seq = 0;
    std::string region, avatarNumber;
    Pose pose{};
    int16_t presence = 1;
    friend bool operator==(const EnterRegion&, const EnterRegion&) = default;
};
struct LeaveRegion {
    uint16_t seq = 0;
    friend bool operator==(const LeaveRegion&, const LeaveRegion&) = default;
};
struct TalkOut {
    uint16_t seq = 0;
    friend bool operator==(const TalkOut&, const TalkOut&) = default;
};
struct SendPose {
    Pose pose{};
    friend bool operator==(const SendPose&, const SendPose&) = default;
};
struct SendAction {
    std::string code;
    friend bool operator==(const SendAction&, const SendAction&) = default;
};
struct SendChat {
    std::string text;
    friend bool operator==(const SendChat&, const SendChat&) = default;
};
struct SendEsp {
    uint16_t to = 0;
    std::string text;
    friend bool operator==(const SendEsp&, const SendEsp&) = default;
};
struct OpenEsp {
    uint16_t seq = 0;
    uint16_t to = 0;
    std::string userId, avatarName;
    friend bool operator==(const OpenEsp&, const OpenEsp&) = default;
};
struct CloseEsp {
    uint16_t seq = 0;
    uint16_t to = 0;
    std::string userId;
    friend bool operator==(const CloseEsp&, const CloseEsp&) = default;
};
// Whether the client's host opened its window for an ESP request.
struct EspAnswer {
    uint16_t partner = 0;
    bool accepted = false;
    friend bool operator==(const EspAnswer&, const EspAnswer&) = default;
};
struct Ping {
    uint32_t token = 0;
    friend bool operator==(const Ping&, const Ping&) = default;
};
struct Pong {
    uint32_t token = 0;
    friend bool operator==(const Pong&, const Pong&) = default;
};
// First frame from the server: its protocol version and the limits it enforces.
struct Welcome {
    uint16_t keepaliveSeconds = 0;  // the server drops a client silent for three of these
    uint32_t maxFrameLength = 0;
    uint16_t maxChatText = 0, maxEspText = 0;
    uint16_t messagesPerSecond = 0, messageBurst = 0;
    friend bool operator==(const Welcome&, const Welcome&) = default;
};
enum class ReplyStatus : uint8_t {
    Ok = 0,
    Refused = 1,        // not allowed in this state (e.g. talk-in twice, enter before talk-in)
    NotConnected = 2,   // the ESP partner is not connected
    BadRequest = 3,
};
struct Reply {
    uint16_t seq = 0;
    MessageType request = MessageType::Reply;
    ReplyStatus status = ReplyStatus::Ok;
    uint16_t clientId = 0;
    friend bool operator==(const Reply&, const Reply&) = default;
};
struct AvatarInfo {
    uint16_t clientId = 0;
    std::string userId, avatarName, avatarNumber;
    int16_t presence = 1;
    Pose pose{};
    friend bool operator==(const AvatarInfo&, const AvatarInfo&) = default;
};
struct AvatarEntered {
    AvatarInfo avatar;
    friend bool operator==(const AvatarEntered&, const AvatarEntered&) = default;
};
struct AvatarPresent {
    AvatarInfo avatar;
    friend bool operator==(const AvatarPresent&, const AvatarPresent&) = default;
};
struct AvatarLeft {
    uint16_t clientId = 0;
    friend bool operator==(const AvatarLeft&, const AvatarLeft&) = default;
};
struct AvatarMoved {
    uint16_t clientId = 0;
    Pose pose{};
    friend bool operator==(const AvatarMoved&, const AvatarMoved&) = default;
};
struct AvatarActed {
    uint16_t clientId = 0;
    std::string code;
    friend bool operator==(const AvatarActed&, const AvatarActed&) = default;
};
struct RegionClosed {
    uint16_t code = 0;
    friend bool operator==(const RegionClosed&, const RegionClosed&) = default;
};
struct ChatReceived {
    uint16_t clientId = 0;
    std::string text;
    friend bool operator==(const ChatReceived&, const ChatReceived&) = default;
};
struct AdminMessage {
    std::string text;
    friend bool operator==(const AdminMessage&, const AdminMessage&) = default;
};
struct EspReceived {
    uint16_t clientId = 0;
    std::string text;
    friend bool operator==(const EspReceived&, const EspReceived&) = default;
};
struct EspRequested {
    uint16_t clientId = 0;
    std::string userId, avatarName;
    friend bool operator==(const EspRequested&, const EspRequested&) = default;
};
struct EspClosed {
    uint16_t clientId = 0;
    friend bool operator==(const EspClosed&, const EspClosed&) = default;
};
enum class ByeReason : uint8_t {
    ServerShutdown = 0,
    Kicked = 1,
    ProtocolError = 2,
    Flooding = 3,
    TooSlow = 4,
    Timeout = 5,
    TooManyConnections = 6,
};
struct Bye {
    ByeReason reason = ByeReason::ServerShutdown;
    std::string text;
    friend bool operator==(const Bye&, const Bye&) = default;
};

using Message = std::variant<TalkIn, EnterRegion, LeaveRegion, TalkOut, SendPose, SendAction, SendChat, SendEsp,
                             OpenEsp, CloseEsp, EspAnswer, Ping, Pong, Welcome, Reply, AvatarEntered, AvatarPresent,
                             AvatarLeft, AvatarMoved, AvatarActed, RegionClosed, ChatReceived, AdminMessage,
                             EspReceived, EspRequested, EspClosed, Bye>;

// Which side may send a message: each side's decoder accepts only the other side's messages.
enum class Direction { ToServer, ToClient };

MessageType TypeOf(const Message& message);
const char* NameOf(MessageType type);

}  // namespace protocol
