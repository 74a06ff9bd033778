#include "plexa/session/tesk_control_vrml.h"

#include "platform/com/control_base.h"

namespace plexa {

using platform::com::Variant;

int16_t CTeskControlVrml::LoadVrmlFile(const std::string& address) {
    Variant result, code;
    if (!platform::com::Succeeded(Invoke(kLoadVrmlFile, {Variant::Bstr(address)}, &result))) return -1;
    if (!platform::com::ControlBase::ConvertTo(result, platform::com::VarType::I2, &code)) return -1;
    return code.AsI2();
}

bool CTeskControlVrml::ChangeWalkthroughMode(int32_t mode) { return CallBool(kChangeWalkthroughMode, {Variant::I4(mode)}); }
bool CTeskControlVrml::ChangeWalkthroughSpeed(int32_t speed) {
    return CallBool(kChangeWalkthroughSpeed, {Variant::I4(speed)});
}
bool CTeskControlVrml::Revert() { return CallBool(kRevert); }
bool CTeskControlVrml::StraightUp() { return CallBool(kStraightUp); }
bool CTeskControlVrml::SetSound(bool on) { return CallBool(kSetSound, {Variant::Bool(on)}); }

bool CTeskControlVrml::CreateAvatar(int16_t clientId, const std::string& userId, const std::string& avatarName,
                                    const std::string& avatarNumber, int16_t presence, const AvatarPose& pose) {
    std::vector<Variant> args{Variant::I2(clientId), Variant::Bstr(userId), Variant::Bstr(avatarName),
                              Variant::Bstr(avatarNumber), Variant::I2(presence)};
    pose.AppendTo(args);
    return CallBool(kCreateAvatar, std::move(args));
}

bool CTeskControlVrml::DeleteAvatar(int16_t clientId) { return CallBool(kDeleteAvatar, {Variant::I2(clientId)}); }

bool CTeskControlVrml::MoveAvatar(int16_t clientId, const AvatarPose& pose) {
    std::vector<Variant> args{Variant::I2(clientId)};
    pose.AppendTo(args);
    return CallBool(kMoveAvatar, std::move(args));
}

bool CTeskControlVrml::ControlAvatar(int16_t clientId, const std::string& actionCode) {
    return CallBool(kControlAvatar, {Variant::I2(clientId), Variant::Bstr(actionCode)});
}

void CTeskControlVrml::AttachViewpoint() { CallVoid(kAttachViewpoint); }

}  // namespace plexa
