#include "server/session.h"

#include "protocol/limits.h"
#include "server/address_key.h"
#include "server/world_server.h"

#include <algorithm>
#include <cstdio>

namespace server {

using namespace protocol;

Session::Session(asio::ip::tcp::socket socket, WorldServer& server, uint64_t serial, asio::ssl::context* tls)
    : socket_(std::move(socket)),
      server_(server),
      serial_(serial),
      messages_(server.Options().messagesPerSecond, server.Options().messageBurst),
      poses_(server.Options().posesPerSecond, server.Options().poseBurst),
      lastReceived_(std::chrono::steady_clock::now()),
      talkInTimer_(server.Io()),
      keepaliveTimer_(server.Io()),
      closeTimer_(server.Io()) {
    std::error_code ec;
    auto endpoint = socket_.remote_endpoint(ec);
    if (!ec) {
        const auto address = endpoint.address();
        peerAddress_ = address.is_v6() ? "[" + address.to_string() + "]:" + std::to_string(endpoint.port())
                                       : address.to_string() + ":" + std::to_string(endpoint.port());
        peerHex_ = AddressKey(endpoint.address());
    } else {
        peerAddress_ = "?";
        peerHex_ = "00000000";
    }
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    if (tls) tls_ = std::make_unique<asio::ssl::stream<asio::ip::tcp::socket&>>(socket_, *tls);
}

void Session::Handshake(std::function<void()> then) {
    if (!tls_) return then();
    handshaking_ = true;
    tls_->async_handshake(asio::ssl::stream_base::server, [self = shared_from_this(), then](std::error_code ec) {
        self->handshaking_ = false;
        if (self->finished_) return;
        if (ec) {
            self->Finish("TLS handshake failed: " + ec.message());
            return;
        }
        then();
        self->Write();  // anything queued while the handshake ran
    });
}

std::string Session::Tag() const {
    std::string tag = "session " + std::to_string(serial_) + " " + peerAddress_;
    if (clientId_) tag += " client " + std::to_string(clientId_);
    return tag;
}

void Session::Start() {
    server_.Log(Tag() + " connected");
    const auto& o = server_.Options();
    // The time to talk in includes the handshake: a peer that never finishes it goes as well.
    talkInTimer_.expires_after(std::chrono::milliseconds(o.talkInTimeoutMs));
    talkInTimer_.async_wait([self = shared_from_this()](std::error_code ec) {
        if (ec || self->clientId_ != 0) return;
        if (self->handshaking_) return self->Finish("no TLS handshake in time");
        self->Drop(ByeReason::Timeout, "no talk-in in time");
    });
    Handshake([this] {
        const auto& o = server_.Options();
        Send(Welcome{static_cast<uint16_t>((o.keepaliveMs + 999) / 1000), kMaxFrameLength,
                     static_cast<uint16_t>(kMaxChatText), static_cast<uint16_t>(kMaxEspText),
                     static_cast<uint16_t>(o.messagesPerSecond), static_cast<uint16_t>(o.messageBurst)});
        ArmKeepalive();
        Read();
    });
}

void Session::Reject(ByeReason reason, const std::string& text) {
    server_.Log(Tag() + " refused: " + text);
    if (!tls_) return Drop(reason, text);
    // The Bye can only be said inside TLS; a peer that does not finish the handshake soon is cut off.
    closeTimer_.expires_after(std::chrono::seconds(2));
    closeTimer_.async_wait([self = shared_from_this()](std::error_code ec) {
        if (!ec && self->handshaking_) self->Finish("");
    });
    Handshake([this, reason, text] { Drop(reason, text); });
}

void Session::ArmKeepalive() {
    const auto interval = std::chrono::milliseconds(server_.Options().keepaliveMs);
    keepaliveTimer_.expires_after(interval);
    keepaliveTimer_.async_wait([self = shared_from_this(), interval](std::error_code ec) {
        if (ec || self->closing_) return;
        if (std::chrono::steady_clock::now() - self->lastReceived_ > 3 * interval) {
            self->Drop(ByeReason::Timeout, "silent past the keepalive");
            return;
        }
        self->Send(Ping{++self->pingToken_});
        self->ArmKeepalive();
    });
}

void Session::Read() {
    auto handler = [self = shared_from_this()](std::error_code ec, size_t n) {
        if (self->closing_) return;
        if (ec) {
            // A TLS peer that closes without saying so in TLS has simply gone.
            const bool gone = ec == asio::error::eof || ec == asio::ssl::error::stream_truncated;
            self->Finish(gone ? "disconnected" : "read error: " + ec.message());
            return;
        }
        self->decoder_.Append(self->readBuffer_.data(), n);
        Message message;
        for (;;) {
            auto status = self->decoder_.Next(&message);
            if (status == FrameDecoder::Status::NeedMore) break;
            if (status == FrameDecoder::Status::Failed) {
                self->Drop(ByeReason::ProtocolError, self->decoder_.Error());
                return;
            }
            // Only whole frames show the peer is alive: a byte now and then is not talking.
            self->lastReceived_ = std::chrono::steady_clock::now();
            self->Handle(message);
            if (self->closing_) return;
        }
        self->Read();
    };
    if (tls_)
        tls_->async_read_some(asio::buffer(readBuffer_), std::move(handler));
    else
        socket_.async_read_some(asio::buffer(readBuffer_), std::move(handler));
}

void Session::Reply(uint16_t seq, MessageType request, ReplyStatus status) {
    Send(protocol::Reply{seq, request, status, clientId_});
}

void Session::Handle(Message& message) {
    const bool isPose = std::holds_alternative<SendPose>(message);
    if (!(isPose ? poses_ : messages_).Take()) {
        Drop(ByeReason::Flooding, "message rate over the limit");
        return;
    }
    World& world = server_.GetWorld();
    std::visit(
        [&](auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, TalkIn>) {
                if (clientId_) return Reply(m.seq, MessageType::TalkIn, ReplyStatus::Refused);
                auto id = world.TalkIn(this, m.userId, m.avatarName);
                if (!id) return Reply(m.seq, MessageType::TalkIn, ReplyStatus::Refused);
                clientId_ = *id;
                talkInTimer_.cancel();
                server_.Log(Tag() + " talked in as " + LogText(m.userId) + " (" + LogText(m.avatarName) + ")");
                Reply(m.seq, MessageType::TalkIn, ReplyStatus::Ok);
            } else if constexpr (std::is_same_v<T, EnterRegion>) {
                if (!clientId_) return Reply(m.seq, MessageType::EnterRegion, ReplyStatus::Refused);
                if (m.region.empty()) return Reply(m.seq, MessageType::EnterRegion, ReplyStatus::BadRequest);
                if (server_.GetModeration().IsClosed(m.region)) {
                    server_.Log(Tag() + " refused entry to closed region " + LogText(m.region));
                    return Reply(m.seq, MessageType::EnterRegion, ReplyStatus::Refused);
                }
                // The answer goes first: the roster that follows belongs to the new region.
                Reply(m.seq, MessageType::EnterRegion, ReplyStatus::Ok);
                world.EnterRegion(clientId_, m.region, m.avatarNumber, m.pose, m.presence);
                server_.Log(Tag() + " entered " + LogText(m.region));
            } else if constexpr (std::is_same_v<T, LeaveRegion>) {
                if (!clientId_) return Reply(m.seq, MessageType::LeaveRegion, ReplyStatus::Refused);
                world.LeaveRegion(clientId_);
                server_.Log(Tag() + " left its region");
                Reply(m.seq, MessageType::LeaveRegion, ReplyStatus::Ok);
            } else if constexpr (std::is_same_v<T, TalkOut>) {
                if (!clientId_) return Reply(m.seq, MessageType::TalkOut, ReplyStatus::Refused);
                server_.Log(Tag() + " talked out");
                world.TalkOut(clientId_);
                Reply(m.seq, MessageType::TalkOut, ReplyStatus::Ok);
                clientId_ = 0;
            } else if constexpr (std::is_same_v<T, SendPose>) {
                if (clientId_) world.Pose(clientId_, m.pose);
            } else if constexpr (std::is_same_v<T, SendAction>) {
                if (clientId_) world.Action(clientId_, m.code);
            } else if constexpr (std::is_same_v<T, SendChat>) {
                if (clientId_) world.Chat(clientId_, m.text);
            } else if constexpr (std::is_same_v<T, SendEsp>) {
                if (clientId_) world.Esp(clientId_, m.to, m.text);
            } else if constexpr (std::is_same_v<T, OpenEsp>) {
                if (!clientId_) return Reply(m.seq, MessageType::OpenEsp, ReplyStatus::Refused);
                auto status = world.OpenEsp(clientId_, m.to);
                server_.Log(Tag() + " ESP to client " + std::to_string(m.to) +
                            (status == ReplyStatus::Ok ? " opened" : " refused"));
                Reply(m.seq, MessageType::OpenEsp, status);
            } else if constexpr (std::is_same_v<T, CloseEsp>) {
                if (!clientId_) return Reply(m.seq, MessageType::CloseEsp, ReplyStatus::Refused);
                world.CloseEsp(clientId_, m.to);
                Reply(m.seq, MessageType::CloseEsp, ReplyStatus::Ok);
            } else if constexpr (std::is_same_v<T, protocol::EspAnswer>) {
                if (clientId_) world.EspAnswer(clientId_, m.partner, m.accepted);
            } else if constexpr (std::is_same_v<T, Ping>) {
                Send(Pong{m.token});
            }
            // Pong: receiving it was the point.
        },
        message);
}

void Session::Send(const Message& message) {
    if (closing_) return;
    auto bytes = std::make_shared<const Bytes>(Encode(message));
    const size_t size = bytes->size();
    Queue(Chunk{std::move(bytes), 0, size});
}

void Session::SendShared(std::shared_ptr<const Bytes> frames, size_t skipOffset, size_t skipLength) {
    if (closing_) return;
    if (skipLength == 0) {
        const size_t size = frames->size();
        Queue(Chunk{std::move(frames), 0, size}, false, true);
        return;
    }
    if (skipOffset > 0) Queue(Chunk{frames, 0, skipOffset}, false, true);
    const size_t rest = skipOffset + skipLength;
    if (rest < frames->size()) Queue(Chunk{frames, rest, frames->size() - rest}, false, true);
}

void Session::FlushAtTick() {
    atTick_ = false;
    // A write still in progress takes the rest along at once when it completes.
    if (writing_ || writeSoon_) urgent_ = true;
    else Write();
}

size_t Session::TickWaitLimit() const { return std::min<size_t>(16384, server_.Options().sendQueueBytes / 4); }

void Session::WaitForTick() {
    if (atTick_) return;
    atTick_ = true;
    server_.WriteAtTick(shared_from_this());
}

void Session::Queue(Chunk chunk, bool evenWhenClosing, bool atTick) {
    if (finished_ || (closing_ && !evenWhenClosing)) return;
    if (!evenWhenClosing && queuedBytes_ + chunk.length > server_.Options().sendQueueBytes) {
        // A reader this slow would hold memory for everyone; it goes, nobody waits for it.
        GiveUpOnSlowReader();
        return;
    }
    queuedBytes_ += chunk.length;
    queue_.push_back(std::move(chunk));
    // A write in progress takes the rest along when it completes. Otherwise what the world
    // sends a whole region (chat, presence, poses) waits for the pose tick, at most one tick,
    // so a member of a crowd gets one write a tick however many others talk; anything else goes
    // once the current handler is done, together with whatever the handlers ready now queue.
    // Either way the order of the queue is the order of the stream. A queue that grows big
    // within a tick goes at once: waiting must never bring a fast reader near the limit.
    const bool waits = atTick && queuedBytes_ < TickWaitLimit();
    if (!waits) urgent_ = true;
    if (writing_ || writeSoon_) return;
    if (waits) return WaitForTick();
    writeSoon_ = true;
    asio::post(server_.Io(), [self = shared_from_this()] {
        self->writeSoon_ = false;
        self->Write();
    });
}

void Session::GiveUpOnSlowReader() {
    // Chunks are whole frames, so cutting the queue after those being written keeps the stream
    // decodable up to the Bye.
    const size_t keep = writing_ ? inFlight_ : 0;
    while (queue_.size() > keep) {
        queuedBytes_ -= queue_.back().length;
        queue_.pop_back();
    }
    Drop(ByeReason::TooSlow, "too slow: send queue over " + std::to_string(server_.Options().sendQueueBytes) + " bytes");
}

void Session::Write() {
    if (writing_ || handshaking_ || queue_.empty() || finished_) return;
    writing_ = true;
    std::vector<asio::const_buffer> buffers;
    size_t total = 0;
    // At most 64 chunks or about 64 KiB a write: the TLS copy below stays small for everyone.
    for (size_t i = 0; i < queue_.size() && i < 64 && (i == 0 || total < 65536); ++i) {
        buffers.push_back(asio::buffer(queue_[i].bytes->data() + queue_[i].offset, queue_[i].length));
        total += queue_[i].length;
    }
    inFlight_ = buffers.size();
    if (inFlight_ == queue_.size()) urgent_ = false;
    auto handler = [self = shared_from_this()](std::error_code ec, size_t written) {
        self->writing_ = false;
        self->inFlight_ = 0;
        if (ec) {
            self->Finish("write error: " + ec.message());
            return;
        }
        self->queuedBytes_ -= written;
        while (written > 0 && !self->queue_.empty()) {
            Chunk& front = self->queue_.front();
            if (front.length <= written) {
                written -= front.length;
                self->queue_.pop_front();
            } else {
                front.offset += written;
                front.length -= written;
                written = 0;
            }
        }
        if (!self->queue_.empty()) {
            // What came for the whole region while this write ran keeps waiting for the tick:
            // a member of a busy region is not written again at every completion.
            if (self->urgent_ || self->closing_ || self->queuedBytes_ >= self->TickWaitLimit()) self->Write();
            else self->WaitForTick();
        } else if (self->closing_) {
            self->Finish("");
        }
    };
    if (!tls_) return asio::async_write(socket_, buffers, std::move(handler));
    // TLS writes one buffer at a time: copied together, many small frames share records.
    writeScratch_.clear();
    if (writeScratch_.capacity() > 4 * 65536) writeScratch_.shrink_to_fit();  // one huge chunk once
    for (const auto& b : buffers) {
        const auto* p = static_cast<const uint8_t*>(b.data());
        writeScratch_.insert(writeScratch_.end(), p, p + b.size());
    }
    asio::async_write(*tls_, asio::buffer(writeScratch_), std::move(handler));
}

void Session::Drop(ByeReason reason, const std::string& text) {
    if (closing_ || finished_) return;
    closing_ = true;
    server_.Log(Tag() + " dropped: " + text);
    // The world is left outside the current call: Drop can come from inside a world broadcast.
    if (clientId_) {
        asio::post(server_.Io(), [self = shared_from_this(), id = clientId_] { self->server_.GetWorld().TalkOut(id); });
    }
    auto bye = std::make_shared<const Bytes>(Encode(Bye{reason, text}));
    const size_t size = bye->size();
    Queue(Chunk{std::move(bye), 0, size}, true);
    // A peer that does not read its Bye does not keep the socket.
    closeTimer_.expires_after(std::chrono::seconds(1));
    closeTimer_.async_wait([self = shared_from_this()](std::error_code ec) {
        if (!ec) self->Finish("");
    });
}

void Session::Finish(const std::string& why) {
    if (finished_) return;
    finished_ = true;
    closing_ = true;
    if (!why.empty()) server_.Log(Tag() + " " + why);
    if (clientId_) {
        asio::post(server_.Io(), [self = shared_from_this(), id = clientId_] { self->server_.GetWorld().TalkOut(id); });
    }
    std::error_code ec;
    talkInTimer_.cancel();
    keepaliveTimer_.cancel();
    closeTimer_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    queue_.clear();
    queuedBytes_ = 0;
    asio::post(server_.Io(), [self = shared_from_this()] { self->server_.Forget(self.get()); });
}

}  // namespace server
