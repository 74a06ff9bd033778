#pragma once
// The chat control. A host creates it by class id, sets its properties, calls Create, feeds it
// chat lines and learns what the user typed from its events. All of it by dispatch id.
#include "platform/com/control_base.h"
#include "teskchat/esp_window.h"

#include <QPointer>
#include <string>

namespace teskchat {

class ChatPane;

class CTeskChatCtrl : public platform::com::ControlBase {
public:
    CTeskChatCtrl();
    ~CTeskChatCtrl() override;

    QWidget* CreateWindowWidget(QWidget* parent) override;

    // The pane exists from construction; its window joins the control's at Create.
    ChatPane* Pane() const;
    // Null until the first OpenEspWindow; afterwards kept (hidden while no conversation is open).
    EspWindow* Esp() const { return esp_.data(); }

private:
    void DefineProperties();
    void DefineMethods();

    bool WriteChatString(const std::string& avatarName, const std::string& userId, const std::string& text);
    bool WriteEspString(int16_t clientId, const std::string& avatarName, const std::string& text,
                        const std::string& userId);
    bool CloseEspWindow(int16_t clientId);
    bool SaveChat(const std::string& fileName);
    bool Delete();
    bool SetChatFont(const std::string& face, int16_t size);
    bool Create(bool readFile);
    int16_t OpenEspWindow(int16_t clientId, const std::string& avatarName, const std::string& userId);
    void AboutBox();

    QPointer<QWidget> window_;
    QPointer<ChatPane> pane_;

    QPointer<EspWindow> esp_;
    EspSettings espSettings_;
};

}  // namespace teskchat
