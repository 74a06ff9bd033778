#include "plexa/session/tesk_chat.h"

#include "platform/com/control_base.h"

namespace plexa {

using platform::com::Variant;

bool CTeskChat::WriteChatString(const std::string& avatarName, const std::string& userId, const std::string& text) {
    return CallBool(kWriteChatString, {Bstr(avatarName), Bstr(userId), Bstr(text)});
}

bool CTeskChat::WriteEspString(int16_t clientId, const std::string& avatarName, const std::string& text,
                               const std::string& userId) {
    return CallBool(kWriteEspString, {Variant::I2(clientId), Bstr(avatarName), Bstr(text), Bstr(userId)});
}

bool CTeskChat::CloseEspWindow(int16_t clientId) { return CallBool(kCloseEspWindow, {Variant::I2(clientId)}); }
bool CTeskChat::SaveChat(const std::string& fileName) { return CallBool(kSaveChat, {Bstr(fileName)}); }
bool CTeskChat::Delete() { return CallBool(kDelete); }

bool CTeskChat::SetChatFont(const std::string& face, int16_t size) {
    return CallBool(kSetChatFont, {Bstr(face), Variant::I2(size)});
}

bool CTeskChat::ChangeModeGhost() { return CallBool(kChangeModeGhost); }
bool CTeskChat::ChangeModeAvatar() { return CallBool(kChangeModeAvatar); }
bool CTeskChat::RestoreChat() { return CallBool(kRestoreChat); }
bool CTeskChat::Create(bool readFile) { return CallBool(kCreate, {Variant::Bool(readFile)}); }

int16_t CTeskChat::OpenEspWindow(int16_t clientId, const std::string& avatarName, const std::string& userId) {
    Variant result;
    if (!platform::com::Succeeded(Invoke(kOpenEspWindow, {Variant::I2(clientId), Bstr(avatarName), Bstr(userId)}, &result))) return 1;
    Variant code;
    if (!platform::com::ControlBase::ConvertTo(result, platform::com::VarType::I2, &code)) return 1;
    return code.AsI2();
}

}  // namespace plexa
