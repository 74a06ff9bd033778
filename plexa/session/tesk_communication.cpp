#include "plexa/session/tesk_communication.h"

#include "platform/com/control_base.h"

namespace plexa {

using platform::com::Variant;

bool CTeskCommunication::OpenServer(int32_t port, const std::string& host) {
    return CallBool(kOpenServer, {Variant::I4(port), Variant::Bstr(host)});
}

bool CTeskCommunication::TalkIn(const std::string& userId, const std::string& password,
                                const std::string& avatarName) {
    return CallBool(kTalkIn, {Variant::I4(kTalkInVersion), Variant::Bstr(userId), Variant::Bstr(password),
                              Variant::Bstr(avatarName), Variant::I4(0), Variant::I4(0)});
}

bool CTeskCommunication::EnterRegion(const std::string& regionAddress, const std::string& avatarNumber,
                                     const AvatarPose& pose, int16_t presence) {
    std::vector<Variant> args{Variant::Bstr(regionAddress), Variant::Bstr(avatarNumber)};
    pose.AppendTo(args);
    args.push_back(Variant::I2(presence));
    return CallBool(kEnterRegion, std::move(args));
}

bool CTeskCommunication::LeaveRegion() { return CallBool(kLeaveRegion); }
bool CTeskCommunication::TalkOut() { return CallBool(kTalkOut); }
bool CTeskCommunication::CloseServer() { return CallBool(kCloseServer); }

void CTeskCommunication::SendAvatarPose(const AvatarPose& pose) {
    std::vector<Variant> args;
    pose.AppendTo(args);
    CallVoid(kSendAvatarPose, std::move(args));
}

void CTeskCommunication::SendAvatarAction(const std::string& actionCode) {
    CallVoid(kSendAvatarAction, {Variant::Bstr(actionCode)});
}

void CTeskCommunication::SendChatString(const std::string& text) { CallVoid(kSendChatString, {Variant::Bstr(text)}); }

void CTeskCommunication::SendEspString(int16_t clientId, const std::string& text) {
    CallVoid(kSendEspString, {Variant::I2(clientId), Variant::Bstr(text)});
}

bool CTeskCommunication::OpenEspConnection(const std::string& userId, int16_t clientId,
                                           const std::string& avatarName) {
    return CallBool(kOpenEspConnection, {Variant::Bstr(userId), Variant::I2(clientId), Variant::Bstr(avatarName)});
}

bool CTeskCommunication::CloseEspConnection(const std::string& userId, int16_t clientId) {
    return CallBool(kCloseEspConnection, {Variant::Bstr(userId), Variant::I2(clientId)});
}

int16_t CTeskCommunication::ClientId() {
    Variant value, id;
    if (!GetProperty(kClientId, &value)) return 0;
    if (!platform::com::ControlBase::ConvertTo(value, platform::com::VarType::I2, &id)) return 0;
    return id.AsI2();
}

void CTeskCommunication::SetEspAccept(bool accept) { PutProperty(kEspAccept, Variant::Bool(accept)); }

int32_t CTeskCommunication::DisconnectReason() {
    Variant value, reason;
    if (!GetProperty(kDisconnectReason, &value)) return -1;
    if (!platform::com::ControlBase::ConvertTo(value, platform::com::VarType::I4, &reason)) return -1;
    return reason.AsI4();
}

std::string CTeskCommunication::DisconnectText() {
    Variant value;
    std::string text;
    if (!GetProperty(kDisconnectText, &value) || !value.Get(&text)) return {};
    return text;
}

}  // namespace plexa
