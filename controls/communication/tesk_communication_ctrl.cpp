#include "controls/communication/tesk_communication_ctrl.h"

#include "controls/communication/communication_ids.h"
#include "controls/communication/server_pins.h"
#include "platform/text/carried_text.h"
#include "platform/ui/message_box.h"
#include "platform/text/cp932.h"
#include "protocol/limits.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace communication {

using namespace protocol;
using platform::com::Variant;
using platform::com::VarType;

namespace {

// Texts longer than the wire allows are cut at a character boundary, never inside one.
std::string Fit(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    // Never half a double-byte character, nor half a reference to a character beyond CP932.
    return text.substr(0, platform::CarriedPrefixLength(text, limit));
}

Pose PoseOf(const std::vector<Variant>& args, size_t first) {
    Pose pose{};
    for (size_t i = 0; i < 6; ++i) pose[i] = args[first + i].AsR4();
    return pose;
}

void AppendPose(std::vector<Variant>& args, const Pose& pose) {
    for (float f : pose) args.push_back(Variant::R4(f));
}

Variant I2(uint16_t id) { return Variant::I2(static_cast<int16_t>(id)); }

bool IsRegionEvent(const Message& m) {
    return std::holds_alternative<AvatarEntered>(m) || std::holds_alternative<AvatarPresent>(m) ||
           std::holds_alternative<AvatarLeft>(m) || std::holds_alternative<AvatarMoved>(m) ||
           std::holds_alternative<AvatarActed>(m) || std::holds_alternative<ChatReceived>(m) ||
           std::holds_alternative<RegionClosed>(m);
}

}  // namespace

TeskCommunicationCtrl::TeskCommunicationCtrl() {
    connection_.onMessage = [this](Message m) { Enqueue(std::move(m)); };
    connection_.onLost = [this] {
        if (lost_) return;
        lost_ = true;
        disconnectReason_ = connection_.LossReason();
        disconnectText_ = connection_.LossText();
        pending_.push_back(Bye{ByeReason::ServerShutdown, ""});  // stands for ServerDisconnected
        ScheduleDrain();
    };
    connection_.checkCertificate = [this](const QString& host, quint16 port, const QString& fingerprint) {
        return CheckCertificate(host, port, fingerprint);
    };
    // Plain only for debugging against a server started with --plain.
    connection_.SetPlain(qEnvironmentVariable("MONEKO_PLAIN") == "1");
    DefineMembers();
}

bool TeskCommunicationCtrl::CheckCertificate(const QString& host, quint16 port, const QString& fingerprint) {
    std::string pinned;
    const std::string server = platform::FromQString(host);
    if (ServerPins::Check(server, port, fingerprint.toStdString(), &pinned) != ServerPins::Verdict::Changed) return true;
    refusedCertificate_ = true;
    refusal_ = platform::Sjis("サーバー ") + server + ":" + std::to_string(port) +
               platform::Sjis(" の証明書が前回の接続のときと違うため、接続しませんでした。"
                              "通信に第三者が割り込んでいるおそれがあります。\n\n前回の証明書 (SHA-256):\n") +
               pinned + platform::Sjis("\n今回の証明書 (SHA-256):\n") + fingerprint.toStdString() +
               platform::Sjis("\n\nサーバーの管理者が証明書を入れ替えたことが確かなときは、設定ファイルの "
                              "ServerCertificates から ") +
               server + ":" + std::to_string(port) + platform::Sjis(" を消してから接続し直してください。");
    return false;
}

TeskCommunicationCtrl::~TeskCommunicationCtrl() {
    connection_.onLost = nullptr;
    connection_.onMessage = nullptr;
    DestroyWindow();
}

QWidget* TeskCommunicationCtrl::CreateWindowWidget(QWidget* parent) {
    // The control has nothing to show; the host keeps its window hidden.
    auto* widget = new QWidget(parent);
    widget->hide();
    return widget;
}

void TeskCommunicationCtrl::DefineMembers() {
    const VarType S = VarType::Bstr, I4 = VarType::I4, I2t = VarType::I2, R4 = VarType::R4;
    auto flag = [](bool b) { return Variant::Bool(b); };
    DefineMethod(kOpenServer, {I4, S}, [=, this](const auto& a) { return flag(OpenServer(a[0].AsI4(), a[1].AsBstr())); });
    DefineMethod(kTalkIn, {I4, S, S, S, I4, I4}, [=, this](const auto& a) {
        return flag(TalkIn(a[0].AsI4(), a[1].AsBstr(), a[2].AsBstr(), a[3].AsBstr(), a[4].AsI4(), a[5].AsI4()));
    });
    DefineMethod(kEnterRegion, {S, S, R4, R4, R4, R4, R4, R4, I2t}, [=, this](const auto& a) {
        return flag(EnterRegion(a[0].AsBstr(), a[1].AsBstr(), PoseOf(a, 2), a[8].AsI2()));
    });
    DefineMethod(kLeaveRegion, {}, [=, this](const auto&) { return flag(LeaveRegion()); });
    DefineMethod(kTalkOut, {}, [=, this](const auto&) { return flag(TalkOut()); });
    DefineMethod(kCloseServer, {}, [=, this](const auto&) { return flag(CloseServer()); });
    DefineMethod(kSendAvatarPose, {R4, R4, R4, R4, R4, R4}, [this](const auto& a) {
        SendAvatarPose(PoseOf(a, 0));
        return Variant();
    });
    DefineMethod(kSendAvatarAction, {S}, [this](const auto& a) {
        SendAvatarAction(a[0].AsBstr());
        return Variant();
    });
    DefineMethod(kSendChatString, {S}, [this](const auto& a) {
        SendChatString(a[0].AsBstr());
        return Variant();
    });
    DefineMethod(kSendEspString, {I2t, S}, [this](const auto& a) {
        SendEspString(a[0].AsI2(), a[1].AsBstr());
        return Variant();
    });
    DefineMethod(kOpenEspConnection, {S, I2t, S}, [=, this](const auto& a) {
        return flag(OpenEspConnection(a[0].AsBstr(), a[1].AsI2(), a[2].AsBstr()));
    });
    DefineMethod(kCloseEspConnection, {S, I2t}, [=, this](const auto& a) {
        return flag(CloseEspConnection(a[0].AsBstr(), a[1].AsI2()));
    });
    DefineProperty(kClientId, I2t, [this] { return Variant::I2(ClientId()); }, nullptr);
    DefineProperty(kEspAccept, VarType::Bool, nullptr, [this](const Variant& v) { espAccept_ = v.AsBool(); });
    DefineProperty(kDisconnectReason, I4, [this] { return Variant::I4(disconnectReason_); }, nullptr);
    DefineProperty(kDisconnectText, S, [this] { return Variant::Bstr(disconnectText_); }, nullptr);
    DefineProperty(kCallTimeout, I4, [this] { return Variant::I4(connection_.CallTimeout()); },
                   [this](const Variant& v) { connection_.SetCallTimeout(std::max(1, v.AsI4())); });
    DefineProperty(kKeepaliveInterval, I4, [this] { return Variant::I4(connection_.KeepaliveInterval()); },
                   [this](const Variant& v) { connection_.SetKeepaliveInterval(v.AsI4()); });
}

std::optional<Reply> TeskCommunicationCtrl::Call(Message request) {
    // Events of a region the host is leaving, queued before the server's answer, would reach a
    // host that no longer has that region's avatars: they are dropped at the answer.
    const bool changesRegion = std::holds_alternative<protocol::EnterRegion>(request) ||
                               std::holds_alternative<protocol::LeaveRegion>(request) ||
                               std::holds_alternative<protocol::TalkOut>(request);
    ++callDepth_;
    auto reply = connection_.Call(std::move(request), [this, changesRegion](const Reply& r) {
        if (changesRegion && r.status == ReplyStatus::Ok) ForgetRegionEvents();
    });
    --callDepth_;
    ScheduleDrain();
    return reply;
}

bool TeskCommunicationCtrl::OpenServer(int32_t port, const std::string& host) {
    if (port < 0 || port > 65535 || host.empty()) return false;
    CloseServer();
    refusedCertificate_ = false;
    ++callDepth_;
    const bool ok = connection_.Open(platform::ToQString(host), static_cast<quint16>(port));
    --callDepth_;
    // Said before OpenServer fails, so the user knows this refusal from a server that is down.
    if (refusedCertificate_)
        platform::ui::ShowMessageBox(nullptr, refusal_, platform::Sjis("Moneko♪"),
                                     platform::ui::MB_OK | platform::ui::MB_ICONSTOP);
    if (ok) lost_ = false;
    ScheduleDrain();
    return ok;
}

bool TeskCommunicationCtrl::TalkIn(int32_t version, const std::string& userId, const std::string& password,
                                   const std::string& avatarName, int32_t option1, int32_t option2) {
    auto reply = Call(protocol::TalkIn{0, static_cast<uint32_t>(version), Fit(userId, kMaxUserId),
                                       Fit(password, kMaxPassword), Fit(avatarName, kMaxAvatarName),
                                       static_cast<uint32_t>(option1), static_cast<uint32_t>(option2)});
    return reply && reply->status == ReplyStatus::Ok;
}

bool TeskCommunicationCtrl::EnterRegion(const std::string& region, const std::string& avatarNumber,
                                        const Pose& pose, int16_t presence) {
    if (region.size() > kMaxRegionAddress || avatarNumber.size() > kMaxAvatarNumber) return false;
    auto reply = Call(protocol::EnterRegion{0, region, avatarNumber, pose, presence});
    if (reply && reply->status == ReplyStatus::Ok) clientId_ = reply->clientId;
    return reply && reply->status == ReplyStatus::Ok;
}

bool TeskCommunicationCtrl::LeaveRegion() {
    auto reply = Call(protocol::LeaveRegion{});
    return reply && reply->status == ReplyStatus::Ok;
}

bool TeskCommunicationCtrl::TalkOut() {
    auto reply = Call(protocol::TalkOut{});
    return reply && reply->status == ReplyStatus::Ok;
}

bool TeskCommunicationCtrl::CloseServer() {
    // What the old session still had to say is of no use to anyone now.
    connection_.Close();
    pending_.clear();
    lost_ = false;
    clientId_ = 0;
    return true;
}

void TeskCommunicationCtrl::SendAvatarPose(const Pose& pose) { connection_.Send(protocol::SendPose{pose}); }

void TeskCommunicationCtrl::SendAvatarAction(const std::string& code) {
    connection_.Send(protocol::SendAction{Fit(code, kMaxActionCode)});
}

void TeskCommunicationCtrl::SendChatString(const std::string& text) {
    connection_.Send(protocol::SendChat{Fit(text, kMaxChatText)});
}

void TeskCommunicationCtrl::SendEspString(int16_t clientId, const std::string& text) {
    connection_.Send(protocol::SendEsp{static_cast<uint16_t>(clientId), Fit(text, kMaxEspText)});
}

bool TeskCommunicationCtrl::OpenEspConnection(const std::string& userId, int16_t clientId,
                                              const std::string& avatarName) {
    auto reply = Call(protocol::OpenEsp{0, static_cast<uint16_t>(clientId), Fit(userId, kMaxUserId),
                                        Fit(avatarName, kMaxAvatarName)});
    return reply && reply->status == ReplyStatus::Ok;
}

bool TeskCommunicationCtrl::CloseEspConnection(const std::string& userId, int16_t clientId) {
    auto reply = Call(protocol::CloseEsp{0, static_cast<uint16_t>(clientId), Fit(userId, kMaxUserId)});
    return reply && reply->status == ReplyStatus::Ok;
}

void TeskCommunicationCtrl::ForgetRegionEvents() { std::erase_if(pending_, IsRegionEvent); }

void TeskCommunicationCtrl::Enqueue(Message message) {
    pending_.push_back(std::move(message));
    ScheduleDrain();
}

void TeskCommunicationCtrl::ScheduleDrain() {
    if (drainScheduled_ || pending_.empty() || callDepth_ > 0 || firing_) return;
    drainScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        drainScheduled_ = false;
        Drain();
    });
}

void TeskCommunicationCtrl::Drain() {
    // A call in progress (its local loop ran this) or an event being handled: later.
    if (callDepth_ > 0 || firing_) return;
    firing_ = true;
    QPointer<TeskCommunicationCtrl> alive(this);
    while (!pending_.empty()) {
        Message message = std::move(pending_.front());
        pending_.pop_front();
        Fire(message);
        if (!alive) return;  // a handler destroyed the control
    }
    firing_ = false;
}

void TeskCommunicationCtrl::Fire(const Message& message) {
    std::visit(
        [this](const auto& e) {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, AvatarEntered> || std::is_same_v<T, AvatarPresent>) {
                const auto& a = e.avatar;
                std::vector<Variant> args = {I2(a.clientId), Variant::Bstr(a.userId), Variant::Bstr(a.avatarName),
                                             Variant::Bstr(a.avatarNumber), Variant::I2(a.presence)};
                AppendPose(args, a.pose);
                FireEvent(std::is_same_v<T, AvatarEntered> ? kAvatarEntered : kAvatarPresent, std::move(args));
            } else if constexpr (std::is_same_v<T, AvatarLeft>) {
                FireEvent(kAvatarLeft, {I2(e.clientId)});
            } else if constexpr (std::is_same_v<T, AvatarMoved>) {
                std::vector<Variant> args = {I2(e.clientId)};
                AppendPose(args, e.pose);
                FireEvent(kAvatarMoved, std::move(args));
            } else if constexpr (std::is_same_v<T, AvatarActed>) {
                FireEvent(kAvatarActed, {I2(e.clientId), Variant::Bstr(e.code)});
            } else if constexpr (std::is_same_v<T, RegionClosed>) {
                FireEvent(kRegionClosed, {I2(e.code)});
            } else if constexpr (std::is_same_v<T, ChatReceived>) {
                FireEvent(kChatStringReceived, {I2(e.clientId), Variant::Bstr(e.text)});
            } else if constexpr (std::is_same_v<T, AdminMessage>) {
                FireEvent(kAdminMessage, {Variant::Bstr(e.text)});
            } else if constexpr (std::is_same_v<T, EspReceived>) {
                FireEvent(kEspStringReceived, {I2(e.clientId), Variant::Bstr(e.text)});
            } else if constexpr (std::is_same_v<T, EspRequested>) {
                // The host says through EspAccept whether it opened its window; one that says
                // nothing did not, and the partner is told so.
                espAccept_ = false;
                const uint16_t partner = e.clientId;
                QPointer<TeskCommunicationCtrl> alive(this);
                FireEvent(kEspRequested, {I2(partner), Variant::Bstr(e.userId), Variant::Bstr(e.avatarName)});
                if (alive) connection_.Send(protocol::EspAnswer{partner, espAccept_});
            } else if constexpr (std::is_same_v<T, EspClosed>) {
                FireEvent(kEspClosed, {I2(e.clientId)});
            } else if constexpr (std::is_same_v<T, Bye>) {
                FireEvent(kServerDisconnected, {});
            }
        },
        message);
}

}  // namespace communication
