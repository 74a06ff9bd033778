// Test-only module: recording stand-ins for the chat, 3D view and communication controls, with
// the members (names, dispids, types) the panel calls.
#include "platform/com/module_exports.h"
#include "plexa/session/testdoubles/double_ids.h"
#include "plexa/session/testdoubles/recording_control.h"

namespace {

namespace com = platform::com;
using com::Variant;
using com::VarType;
using session_doubles::MemberSpec;
using session_doubles::RecordingControl;

constexpr VarType I2 = VarType::I2, I4 = VarType::I4, R4 = VarType::R4, B = VarType::Bool, S = VarType::Bstr;
const Variant kTrue = Variant::Bool(true);

MemberSpec Prop(int32_t dispid, const char* name, VarType type, Variant value = {}, bool readable = false) {
    return {dispid, name, {type}, value, true, readable};
}

std::vector<MemberSpec> ChatMembers() {
    return {
        Prop(1, "SaveEspPrefix", S), Prop(2, "SaveEspDir", S), Prop(3, "SaveChatPrefix", S), Prop(4, "SaveChatDir", S),
        Prop(5, "EspAutoSave", B), Prop(6, "ChatAutoSave", B), Prop(7, "ConfirmSave", B), Prop(8, "AvatarName", S),
        Prop(9, "UserId", S),
        {10, "WriteChatString", {S, S, S}, kTrue},
        {11, "WriteEspString", {I2, S, S, S}, kTrue},
        {12, "CloseEspWindow", {I2}, kTrue},
        {13, "SaveChat", {S}, kTrue},
        {14, "Delete", {}, kTrue},
        {15, "SetChatFont", {S, I2}, kTrue},
        {16, "ChangeModeGhost", {}, kTrue},
        {17, "ChangeModeAvatar", {}, kTrue},
        {18, "Create", {B}, kTrue},
        {19, "OpenEspWindow", {I2, S, S}, Variant::I2(0)},
        {20, "RestoreChat", {}, kTrue},
    };
}

std::vector<MemberSpec> ViewMembers() {
    const std::vector<VarType> pose{R4, R4, R4, R4, R4, R4};
    auto with = [](std::vector<VarType> head, const std::vector<VarType>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    return {
        Prop(1, "Dithering", B), Prop(2, "FullColor", B), Prop(3, "Texture", B), Prop(4, "HighQualityTexture", B),
        Prop(5, "HeadLightOn", B), Prop(6, "Collision", B), Prop(7, "GraphicMode", I4),
        Prop(8, "GraphicModeMoving", I4), Prop(9, "AvatarModelFile", S),
        {27, "LoadVrmlFile", {S}, Variant::I2(1)},
        {13, "ChangeWalkthroughMode", {I4}, kTrue},
        {14, "ChangeWalkthroughSpeed", {I4}, kTrue},
        {12, "Revert", {}, kTrue},
        {19, "StraightUp", {}, kTrue},
        {18, "SetSound", {B}, kTrue},
        {22, "CreateAvatar", with({I2, S, S, S, I2}, pose), kTrue},
        {15, "DeleteAvatar", {I2}, kTrue},
        {17, "MoveAvatar", with({I2}, pose), kTrue},
        {16, "ControlAvatar", {I2, S}, kTrue},
        {28, "AttachViewpoint", {}, {}},
    };
}

std::vector<MemberSpec> CommunicationMembers() {
    return {
        Prop(1, "ClientId", I2, Variant::I2(7), true),
        Prop(5, "EspAccept", B),
        Prop(102, "DisconnectReason", I4, Variant::I4(-1), true),
        Prop(103, "DisconnectText", S, Variant::Bstr(""), true),
        {18, "OpenServer", {I4, S}, kTrue},
        {10, "TalkIn", {I4, S, S, S, I4, I4}, kTrue},
        {23, "EnterRegion", {S, S, R4, R4, R4, R4, R4, R4, I2}, kTrue},
        {12, "LeaveRegion", {}, kTrue},
        {11, "TalkOut", {}, kTrue},
        {22, "CloseServer", {}, kTrue},
        {20, "SendAvatarPose", {R4, R4, R4, R4, R4, R4}, {}},
        {9, "SendAvatarAction", {S}, {}},
        {6, "SendChatString", {S}, {}},
        {19, "SendEspString", {I2, S}, {}},
        {25, "OpenEspConnection", {S, I2, S}, kTrue},
        {14, "CloseEspConnection", {S, I2}, kTrue},
    };
}

const com::ModuleInfo kModule{
    session_doubles::kTypeLib,
    "SESSIONDOUBLESLib",
    "1.0",
    {
        {session_doubles::kChatClsid, "SessionDoubles.Chat.1", "Recording chat control",
         [] { return new RecordingControl("chat", ChatMembers()); }, 0x20191, true},
        {session_doubles::kViewClsid, "SessionDoubles.View.1", "Recording view control",
         [] { return new RecordingControl("view", ViewMembers()); }, 0x20191, true},
        {session_doubles::kCommunicationClsid, "SessionDoubles.Communication.1", "Recording communication control",
         [] { return new RecordingControl("communication", CommunicationMembers()); }, 0x20191, true},
    },
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
