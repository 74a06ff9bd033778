#pragma once
// The communication control (control 228, hidden): the only way to the chat server.
#include "plexa/session/avatar_pose.h"
#include "plexa/session/child_control.h"

#include <cstdint>
#include <string>

namespace plexa {

class CTeskCommunication : public ChildControl {
public:
    enum Dispid : int32_t {
        kClientId = 1, kEspAccept = 5, kSendChatString = 6, kSendAvatarAction = 9, kTalkIn = 10, kTalkOut = 11,
        kLeaveRegion = 12, kCloseEspConnection = 14, kOpenServer = 18, kSendEspString = 19, kSendAvatarPose = 20,
        kCloseServer = 22, kEnterRegion = 23, kOpenEspConnection = 25, kDisconnectReason = 102,
        kDisconnectText = 103,
    };
    enum Event : int32_t {
        kAvatarEntered = 1, kAvatarLeft = 2, kEspClosed = 3, kAdminMessage = 4, kAvatarPresent = 5,
        kRegionClosed = 6, kServerDisconnected = 7, kEspStringReceived = 8, kAvatarMoved = 9,
        kChatStringReceived = 10, kAvatarActed = 11, kEspRequested = 12,
    };
    // The protocol version the talk-in announces.
    static constexpr int32_t kTalkInVersion = 0x00020001;

    bool OpenServer(int32_t port, const std::string& host);
    bool TalkIn(const std::string& userId, const std::string& password, const std::string& avatarName);
    bool EnterRegion(const std::string& regionAddress, const std::string& avatarNumber, const AvatarPose& pose,
                     int16_t presence);
    bool LeaveRegion();
    bool TalkOut();
    bool CloseServer();
    void SendAvatarPose(const AvatarPose& pose);
    void SendAvatarAction(const std::string& actionCode);
    void SendChatString(const std::string& text);
    void SendEspString(int16_t clientId, const std::string& text);
    bool OpenEspConnection(const std::string& userId, int16_t clientId, const std::string& avatarName);
    bool CloseEspConnection(const std::string& userId, int16_t clientId);

    // The own client id, valid after EnterRegion succeeded; 0 when it cannot be read.
    int16_t ClientId();
    void SetEspAccept(bool accept);
    // Why the last ServerDisconnected came: the server's reason 0 to 6, or negative when the
    // connection just ended (-1 also when the control cannot say).
    int32_t DisconnectReason();
    std::string DisconnectText();
};

}  // namespace plexa
