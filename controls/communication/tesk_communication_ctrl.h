#pragma once
// The communication control: the host's only road to the world server. Calls that take an
// answer block (in a local event loop) until the server answers or the call times out. Events
// never run inside a call or inside another event: they are queued and fired after the call
// returns, one at a time.
#include "controls/communication/world_connection.h"
#include "platform/com/control_base.h"

#include <QObject>

#include <deque>

namespace communication {

class TeskCommunicationCtrl : public QObject, public platform::com::ControlBase {
    Q_OBJECT
public:
    TeskCommunicationCtrl();
    ~TeskCommunicationCtrl() override;

    QWidget* CreateWindowWidget(QWidget* parent) override;

    // Members by name, as the dispatch table calls them.
    bool OpenServer(int32_t port, const std::string& host);
    bool TalkIn(int32_t version, const std::string& userId, const std::string& password,
                const std::string& avatarName, int32_t option1, int32_t option2);
    bool EnterRegion(const std::string& region, const std::string& avatarNumber, const protocol::Pose& pose,
                     int16_t presence);
    bool LeaveRegion();
    bool TalkOut();
    bool CloseServer();
    void SendAvatarPose(const protocol::Pose& pose);
    void SendAvatarAction(const std::string& code);
    void SendChatString(const std::string& text);
    void SendEspString(int16_t clientId, const std::string& text);
    bool OpenEspConnection(const std::string& userId, int16_t clientId, const std::string& avatarName);
    bool CloseEspConnection(const std::string& userId, int16_t clientId);

    int16_t ClientId() const { return static_cast<int16_t>(clientId_); }
    // The last OpenServer was refused because the server's certificate changed.
    bool RefusedCertificate() const { return refusedCertificate_; }

private:
    // Runs a call with the event queue held; the queue is drained after the outermost call.
    std::optional<protocol::Reply> Call(protocol::Message request);
    void Enqueue(protocol::Message message);
    void ScheduleDrain();
    void Drain();
    void Fire(const protocol::Message& message);
    // Drops queued events about the region the host has just left.
    void ForgetRegionEvents();
    void DefineMembers();
    // Pins a server's first certificate; a changed one is refused and the user told why.
    bool CheckCertificate(const QString& host, quint16 port, const QString& fingerprint);

    WorldConnection connection_;
    std::deque<protocol::Message> pending_;
    bool lost_ = false;        // a ServerDisconnected is queued or was fired for this session
    int callDepth_ = 0;
    bool firing_ = false;
    bool drainScheduled_ = false;
    uint16_t clientId_ = 0;
    bool espAccept_ = false;
    bool refusedCertificate_ = false;
    std::string refusal_;  // the message for the user, CP932
    int32_t disconnectReason_ = WorldConnection::kDropped;
    std::string disconnectText_;
};

}  // namespace communication
