#pragma once
// The chat control (control 226), one operation per member of its dispatch interface.
#include "plexa/session/child_control.h"

#include <cstdint>
#include <string>

namespace plexa {

class CTeskChat : public ChildControl {
public:
    enum Dispid : int32_t {
        kSaveEspPrefix = 1, kSaveEspDir = 2, kSaveChatPrefix = 3, kSaveChatDir = 4, kEspAutoSave = 5,
        kChatAutoSave = 6, kConfirmSave = 7, kAvatarName = 8, kUserId = 9, kWriteChatString = 10,
        kWriteEspString = 11, kCloseEspWindow = 12, kSaveChat = 13, kDelete = 14, kSetChatFont = 15,
        kChangeModeGhost = 16, kChangeModeAvatar = 17, kCreate = 18, kOpenEspWindow = 19, kRestoreChat = 20,
    };
    enum Event : int32_t { kReadChatString = 1, kReadEspString = 2, kClosedEspConnection = 3, kNotifyEspConnection = 4 };

    void SetSaveEspPrefix(const std::string& value) { PutProperty(kSaveEspPrefix, Bstr(value)); }
    void SetSaveEspDir(const std::string& value) { PutProperty(kSaveEspDir, Bstr(value)); }
    void SetSaveChatPrefix(const std::string& value) { PutProperty(kSaveChatPrefix, Bstr(value)); }
    void SetSaveChatDir(const std::string& value) { PutProperty(kSaveChatDir, Bstr(value)); }
    void SetEspAutoSave(int32_t flag) { PutProperty(kEspAutoSave, Flag(flag)); }
    void SetChatAutoSave(int32_t flag) { PutProperty(kChatAutoSave, Flag(flag)); }
    void SetConfirmSave(int32_t flag) { PutProperty(kConfirmSave, Flag(flag)); }
    void SetAvatarName(const std::string& value) { PutProperty(kAvatarName, Bstr(value)); }
    void SetUserId(const std::string& value) { PutProperty(kUserId, Bstr(value)); }

    bool WriteChatString(const std::string& avatarName, const std::string& userId, const std::string& text);
    bool WriteEspString(int16_t clientId, const std::string& avatarName, const std::string& text,
                        const std::string& userId);
    bool CloseEspWindow(int16_t clientId);
    bool SaveChat(const std::string& fileName);
    bool Delete();
    bool SetChatFont(const std::string& face, int16_t size);
    bool ChangeModeGhost();
    bool ChangeModeAvatar();
    bool Create(bool readFile);
    // The lines the last Delete removed come back (after coming back into the region by itself).
    bool RestoreChat();
    // 0 opened, 1 not opened, 2 refused; 1 when the call itself fails.
    int16_t OpenEspWindow(int16_t clientId, const std::string& avatarName, const std::string& userId);

private:
    static platform::com::Variant Bstr(const std::string& v) { return platform::com::Variant::Bstr(v); }
    static platform::com::Variant Flag(int32_t v) { return platform::com::Variant::Bool(v != 0); }
};

}  // namespace plexa
