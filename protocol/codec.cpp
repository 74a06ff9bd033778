#include "protocol/codec.h"

#include "protocol/limits.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace protocol {
namespace {

// The field lists below are written once and run both ways: the writer appends, the reader
// checks and fills.
class Writer {
public:
    explicit Writer(Bytes& out) : out_(out) {}
    void U8(const uint8_t& v) { out_.push_back(v); }
    void U16(const uint16_t& v) {
        out_.push_back(uint8_t(v >> 8));
        out_.push_back(uint8_t(v));
    }
    void I16(const int16_t& v) { U16(static_cast<uint16_t>(v)); }
    void U32(const uint32_t& v) {
        for (int shift = 24; shift >= 0; shift -= 8) out_.push_back(uint8_t(v >> shift));
    }
    void F32(const float& v) { U32(std::bit_cast<uint32_t>(v)); }
    void Flag(const bool& v) { U8(v ? 1 : 0); }
    void Text(const std::string& v, size_t limit) {
        // Callers keep texts within limits; a longer one is cut so the frame stays decodable.
        const size_t size = std::min(v.size(), limit);
        U16(static_cast<uint16_t>(size));
        out_.insert(out_.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(size));
    }
    void PoseField(const Pose& pose) {
        for (float f : pose) F32(f);
    }
    template <typename E>
    void Enum(const E& v) { U8(static_cast<uint8_t>(v)); }

private:
    Bytes& out_;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> in) : in_(in) {}
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    bool AtEnd() const { return pos_ == in_.size(); }

    void U8(uint8_t& v) {
        if (Need(1)) v = in_[pos_++];
    }
    void U16(uint16_t& v) {
        if (!Need(2)) return;
        v = uint16_t((in_[pos_] << 8) | in_[pos_ + 1]);
        pos_ += 2;
    }
    void I16(int16_t& v) {
        uint16_t u = 0;
        U16(u);
        v = static_cast<int16_t>(u);
    }
    void U32(uint32_t& v) {
        if (!Need(4)) return;
        v = (uint32_t(in_[pos_]) << 24) | (uint32_t(in_[pos_ + 1]) << 16) | (uint32_t(in_[pos_ + 2]) << 8) |
            in_[pos_ + 3];
        pos_ += 4;
    }
    void F32(float& v) {
        uint32_t u = 0;
        U32(u);
        v = std::bit_cast<float>(u);
    }
    void Flag(bool& v) {
        uint8_t u = 0;
        U8(u);
        if (ok() && u > 1) Fail("flag out of range");
        v = u == 1;
    }
    void Text(std::string& v, size_t limit) {
        uint16_t size = 0;
        U16(size);
        if (!ok()) return;
        if (size > limit) return Fail("text of " + std::to_string(size) + " bytes over its limit");
        if (!Need(size)) return;
        v.assign(reinterpret_cast<const char*>(in_.data() + pos_), size);
        pos_ += size;
    }
    void PoseField(Pose& pose) {
        for (float& f : pose) F32(f);
    }
    template <typename E>
    void Enum(E& v) {
        uint8_t u = 0;
        U8(u);
        v = static_cast<E>(u);
    }
    void Fail(std::string what) {
        if (error_.empty()) error_ = std::move(what);
    }

private:
    bool Need(size_t n) {
        if (!ok()) return false;
        if (in_.size() - pos_ < n) {
            Fail("truncated payload");
            return false;
        }
        return true;
    }
    std::span<const uint8_t> in_;
    size_t pos_ = 0;
    std::string error_;
};

template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, TalkIn>
void Fields(IO& io, M& m) {
    io.U16(m.seq);
    io.U32(m.version);
    io.Text(m.userId, kMaxUserId);
    io.Text(m.password, kMaxPassword);
    io.Text(m.avatarName, kMaxAvatarName);
    io.U32(m.option1);
    io.U32(m.option2);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, EnterRegion>
void Fields(IO& io, M& m) {
    io.U16(m.seq);
    io.Text(m.region, kMaxRegionAddress);
    io.Text(m.avatarNumber, kMaxAvatarNumber);
    io.PoseField(m.pose);
    io.I16(m.presence);
}
template <typename IO, typename M>
    requires(std::is_same_v<std::remove_const_t<M>, LeaveRegion> || std::is_same_v<std::remove_const_t<M>, TalkOut>)
void Fields(IO& io, M& m) {
    io.U16(m.seq);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, SendPose>
void Fields(IO& io, M& m) {
    io.PoseField(m.pose);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, SendAction>
void Fields(IO& io, M& m) {
    io.Text(m.code, kMaxActionCode);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, SendChat>
void Fields(IO& io, M& m) {
    io.Text(m.text, kMaxChatText);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, SendEsp>
void Fields(IO& io, M& m) {
    io.U16(m.to);
    io.Text(m.text, kMaxEspText);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, OpenEsp>
void Fields(IO& io, M& m) {
    io.U16(m.seq);
    io.U16(m.to);
    io.Text(m.userId, kMaxUserId);
    io.Text(m.avatarName, kMaxAvatarName);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, CloseEsp>
void Fields(IO& io, M& m) {
    io.U16(m.seq);
    io.U16(m.to);
    io.Text(m.userId, kMaxUserId);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, EspAnswer>
void Fields(IO& io, M& m) {
    io.U16(m.partner);
    io.Flag(m.accepted);
}
template <typename IO, typename M>
    requires(std::is_same_v<std::remove_const_t<M>, Ping> || std::is_same_v<std::remove_const_t<M>, Pong>)
void Fields(IO& io, M& m) {
    io.U32(m.token);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, Welcome>
void Fields(IO& io, M& m) {
    io.U16(m.keepaliveSeconds);
    io.U32(m.maxFrameLength);
    io.U16(m.maxChatText);
    io.U16(m.maxEspText);
    io.U16(m.messagesPerSecond);
    io.U16(m.messageBurst);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, Reply>
void Fields(IO& io, M& m) {
    io.U16(m.seq);
    io.Enum(m.request);
    io.Enum(m.status);
    io.U16(m.clientId);
}
template <typename IO, typename A>
void AvatarFields(IO& io, A& a) {
    io.U16(a.clientId);
    io.Text(a.userId, kMaxUserId);
    io.Text(a.avatarName, kMaxAvatarName);
    io.Text(a.avatarNumber, kMaxAvatarNumber);
    io.I16(a.presence);
    io.PoseField(a.pose);
}
template <typename IO, typename M>
    requires(std::is_same_v<std::remove_const_t<M>, AvatarEntered> ||
             std::is_same_v<std::remove_const_t<M>, AvatarPresent>)
void Fields(IO& io, M& m) {
    AvatarFields(io, m.avatar);
}
template <typename IO, typename M>
    requires(std::is_same_v<std::remove_const_t<M>, AvatarLeft> || std::is_same_v<std::remove_const_t<M>, EspClosed>)
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, AvatarMoved>
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
    io.PoseField(m.pose);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, AvatarActed>
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
    io.Text(m.code, kMaxActionCode);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, RegionClosed>
void Fields(IO& io, M& m) {
    io.U16(m.code);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, ChatReceived>
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
    io.Text(m.text, kMaxChatText);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, AdminMessage>
void Fields(IO& io, M& m) {
    io.Text(m.text, kMaxAdminText);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, EspReceived>
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
    io.Text(m.text, kMaxEspText);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, EspRequested>
void Fields(IO& io, M& m) {
    io.U16(m.clientId);
    io.Text(m.userId, kMaxUserId);
    io.Text(m.avatarName, kMaxAvatarName);
}
template <typename IO, typename M>
    requires std::is_same_v<std::remove_const_t<M>, Bye>
void Fields(IO& io, M& m) {
    io.Enum(m.reason);
    io.Text(m.text, kMaxByeText);
}

// Every alternative's type code, in variant order.
constexpr MessageType kTypes[] = {
    MessageType::TalkIn,        MessageType::EnterRegion,  MessageType::LeaveRegion,  MessageType::TalkOut,
    MessageType::SendPose,      MessageType::SendAction,   MessageType::SendChat,     MessageType::SendEsp,
    MessageType::OpenEsp,       MessageType::CloseEsp,     MessageType::EspAnswer,    MessageType::Ping,
    MessageType::Pong,          MessageType::Welcome,      MessageType::Reply,        MessageType::AvatarEntered,
    MessageType::AvatarPresent, MessageType::AvatarLeft,   MessageType::AvatarMoved,  MessageType::AvatarActed,
    MessageType::RegionClosed,  MessageType::ChatReceived, MessageType::AdminMessage, MessageType::EspReceived,
    MessageType::EspRequested,  MessageType::EspClosed,    MessageType::Bye,
};
static_assert(std::size(kTypes) == std::variant_size_v<Message>);

bool Carries(Direction direction, MessageType type) {
    const auto code = static_cast<uint8_t>(type);
    if (type == MessageType::Ping || type == MessageType::Pong) return true;
    return direction == Direction::ToServer ? code < 0x20 : code >= 0x40;
}

template <size_t I = 0>
std::optional<Message> DecodeAlternative(MessageType type, Reader& reader) {
    if constexpr (I == std::variant_size_v<Message>) {
        return std::nullopt;
    } else {
        if (kTypes[I] != type) return DecodeAlternative<I + 1>(type, reader);
        std::variant_alternative_t<I, Message> message;
        Fields(reader, message);
        if (!reader.ok()) return std::nullopt;
        return Message(std::in_place_index<I>, std::move(message));
    }
}

bool ValidEnums(const Message& message) {
    if (auto* reply = std::get_if<Reply>(&message)) {
        return static_cast<uint8_t>(reply->status) <= static_cast<uint8_t>(ReplyStatus::BadRequest);
    }
    if (auto* bye = std::get_if<Bye>(&message)) {
        return static_cast<uint8_t>(bye->reason) <= static_cast<uint8_t>(ByeReason::TooManyConnections);
    }
    return true;
}

}  // namespace

MessageType TypeOf(const Message& message) { return kTypes[message.index()]; }

const char* NameOf(MessageType type) {
    switch (type) {
    case MessageType::TalkIn: return "TalkIn";
    case MessageType::EnterRegion: return "EnterRegion";
    case MessageType::LeaveRegion: return "LeaveRegion";
    case MessageType::TalkOut: return "TalkOut";
    case MessageType::SendPose: return "SendPose";
    case MessageType::SendAction: return "SendAction";
    case MessageType::SendChat: return "SendChat";
    case MessageType::SendEsp: return "SendEsp";
    case MessageType::OpenEsp: return "OpenEsp";
    case MessageType::CloseEsp: return "CloseEsp";
    case MessageType::EspAnswer: return "EspAnswer";
    case MessageType::Ping: return "Ping";
    case MessageType::Pong: return "Pong";
    case MessageType::Welcome: return "Welcome";
    case MessageType::Reply: return "Reply";
    case MessageType::AvatarEntered: return "AvatarEntered";
    case MessageType::AvatarPresent: return "AvatarPresent";
    case MessageType::AvatarLeft: return "AvatarLeft";
    case MessageType::AvatarMoved: return "AvatarMoved";
    case MessageType::AvatarActed: return "AvatarActed";
    case MessageType::RegionClosed: return "RegionClosed";
    case MessageType::ChatReceived: return "ChatReceived";
    case MessageType::AdminMessage: return "AdminMessage";
    case MessageType::EspReceived: return "EspReceived";
    case MessageType::EspRequested: return "EspRequested";
    case MessageType::EspClosed: return "EspClosed";
    case MessageType::Bye: return "Bye";
    }
    return "?";
}

void EncodeTo(const Message& message, Bytes& out) {
    const size_t start = out.size();
    out.resize(start + kLengthFieldSize);
    Writer writer(out);
    writer.U8(kProtocolVersion);
    writer.U8(static_cast<uint8_t>(TypeOf(message)));
    std::visit([&](const auto& m) { Fields(writer, m); }, message);
    const auto length = static_cast<uint32_t>(out.size() - start - kLengthFieldSize);
    for (int i = 0; i < 4; ++i) out[start + i] = uint8_t(length >> (24 - 8 * i));
}

Bytes Encode(const Message& message) {
    Bytes out;
    EncodeTo(message, out);
    return out;
}

std::optional<Message> DecodeBody(Direction direction, std::span<const uint8_t> body, DecodeError* error) {
    auto fail = [&](std::string what) -> std::optional<Message> {
        if (error) error->what = std::move(what);
        return std::nullopt;
    };
    if (body.size() < 2) return fail("frame without header");
    if (body[0] != kProtocolVersion) return fail("protocol version " + std::to_string(body[0]) + " not spoken");
    const auto type = static_cast<MessageType>(body[1]);
    const bool known = std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
    if (!known || !Carries(direction, type)) return fail("unexpected message type " + std::to_string(body[1]));
    Reader reader(body.subspan(2));
    auto message = DecodeAlternative(type, reader);
    if (!message) return fail(reader.error());
    if (!reader.AtEnd()) return fail(std::string("trailing bytes after ") + NameOf(type));
    if (!ValidEnums(*message)) return fail(std::string("value out of range in ") + NameOf(type));
    return message;
}

}  // namespace protocol
