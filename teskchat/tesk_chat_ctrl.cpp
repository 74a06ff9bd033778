#include "teskchat/tesk_chat_ctrl.h"

#include "teskchat/chat_bitmaps.h"
#include "teskchat/chat_pane.h"
#include "teskchat/teskchat_ids.h"
#include "teskchat/teskchat_strings.h"

#include "platform/ui/dialog_units.h"
#include "platform/ui/modal_seam.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace teskchat {

using platform::com::Variant;
using platform::com::VarType;

namespace {

Variant BoolResult(bool value) { return Variant::Bool(value); }

}  // namespace

CTeskChatCtrl::CTeskChatCtrl() {
    platform::ui::InstallFontSubstitutions();
    pane_ = new ChatPane();
    pane_->setObjectName(QStringLiteral("ChatPane"));
    pane_->SetSendHandler([this](const std::string& text) { FireEvent(DISPID_ReadChatString, {Variant::Bstr(text)}); });
    DefineProperties();
    DefineMethods();
}

CTeskChatCtrl::~CTeskChatCtrl() {
    // The pane and the ESP window refer to this object through their handlers: they go first.
    delete esp_.data();
    delete pane_.data();
    DestroyWindow();
}

ChatPane* CTeskChatCtrl::Pane() const { return pane_.data(); }

QWidget* CTeskChatCtrl::CreateWindowWidget(QWidget* parent) {
    window_ = new QWidget(parent);
    window_->setObjectName(QStringLiteral("TeskChatCtrl"));
    auto* layout = new QVBoxLayout(window_);
    // The pane always covers the whole control.
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return window_;
}

void CTeskChatCtrl::DefineProperties() {
    auto stringProperty = [this](int32_t dispid, auto get, auto put) {
        DefineProperty(dispid, VarType::Bstr, [get] { return Variant::Bstr(get()); },
                       [put](const Variant& v) { put(v.AsBstr()); });
    };
    auto flagProperty = [this](int32_t dispid, auto get, auto put) {
        DefineProperty(dispid, VarType::Bool, [get] { return Variant::Bool(get()); },
                       [put](const Variant& v) { put(v.AsBool()); });
    };
    stringProperty(DISPID_SaveEspPrefix, [this] { return espSettings_.prefix; },
                   [this](std::string v) { espSettings_.prefix = std::move(v); });
    stringProperty(DISPID_SaveEspDir, [this] { return espSettings_.dir; },
                   [this](std::string v) { espSettings_.dir = std::move(v); });
    stringProperty(DISPID_SaveChatPrefix, [this] { return pane_->SaveChatPrefix(); },
                   [this](std::string v) { pane_->SetSaveChatPrefix(std::move(v)); });
    stringProperty(DISPID_SaveChatDir, [this] { return pane_->SaveChatDir(); },
                   [this](std::string v) { pane_->SetSaveChatDir(std::move(v)); });
    flagProperty(DISPID_EspAutoSave, [this] { return espSettings_.autoSave; },
                 [this](bool v) { espSettings_.autoSave = v; });
    flagProperty(DISPID_ChatAutoSave, [this] { return pane_->ChatAutoSave(); },
                 [this](bool v) { pane_->SetChatAutoSave(v); });
    // One copy for the chat, one for the ESP conversations.
    flagProperty(DISPID_ConfirmSave, [this] { return pane_->ConfirmSave(); }, [this](bool v) {
        pane_->SetConfirmSave(v);
        espSettings_.confirmSave = v;
    });
    stringProperty(DISPID_AvatarName, [this] { return espSettings_.avatarName; },
                   [this](std::string v) { espSettings_.avatarName = std::move(v); });
    stringProperty(DISPID_UserId, [this] { return espSettings_.userId; },
                   [this](std::string v) { espSettings_.userId = std::move(v); });
}

void CTeskChatCtrl::DefineMethods() {
    DefineMethod(DISPID_WriteChatString, {VarType::Bstr, VarType::Bstr, VarType::Bstr},
                 [this](const std::vector<Variant>& a) {
                     return BoolResult(WriteChatString(a[0].AsBstr(), a[1].AsBstr(), a[2].AsBstr()));
                 });
    DefineMethod(DISPID_WriteEspString, {VarType::I2, VarType::Bstr, VarType::Bstr, VarType::Bstr},
                 [this](const std::vector<Variant>& a) {
                     return BoolResult(WriteEspString(a[0].AsI2(), a[1].AsBstr(), a[2].AsBstr(), a[3].AsBstr()));
                 });
    DefineMethod(DISPID_CloseEspWindow, {VarType::I2},
                 [this](const std::vector<Variant>& a) { return BoolResult(CloseEspWindow(a[0].AsI2())); });
    DefineMethod(DISPID_SaveChat, {VarType::Bstr},
                 [this](const std::vector<Variant>& a) { return BoolResult(SaveChat(a[0].AsBstr())); });
    DefineMethod(DISPID_Delete, {}, [this](const std::vector<Variant>&) { return BoolResult(Delete()); });
    DefineMethod(DISPID_SetChatFont, {VarType::Bstr, VarType::I2}, [this](const std::vector<Variant>& a) {
        return BoolResult(SetChatFont(a[0].AsBstr(), a[1].AsI2()));
    });
    DefineMethod(DISPID_ChangeModeGhost, {}, [this](const std::vector<Variant>&) { return BoolResult(pane_->ChangeModeGhost()); });
    DefineMethod(DISPID_ChangeModeAvatar, {},
                 [this](const std::vector<Variant>&) { return BoolResult(pane_->ChangeModeAvatar()); });
    DefineMethod(DISPID_RestoreChat, {}, [this](const std::vector<Variant>&) { return BoolResult(pane_->RestoreEndedChat()); });
    DefineMethod(DISPID_Create, {VarType::Bool},
                 [this](const std::vector<Variant>& a) { return BoolResult(Create(a[0].AsBool())); });
    DefineMethod(DISPID_OpenEspWindow, {VarType::I2, VarType::Bstr, VarType::Bstr}, [this](const std::vector<Variant>& a) {
        return Variant::I2(OpenEspWindow(a[0].AsI2(), a[1].AsBstr(), a[2].AsBstr()));
    });
    DefineMethod(platform::com::DISPID_ABOUTBOX, {}, [this](const std::vector<Variant>&) {
        AboutBox();
        return Variant();
    });
}

bool CTeskChatCtrl::WriteChatString(const std::string& avatarName, const std::string& userId, const std::string& text) {
    return pane_->WriteChatLine(avatarName, userId, text);
}

bool CTeskChatCtrl::WriteEspString(int16_t clientId, const std::string& avatarName, const std::string& text,
                                   const std::string& userId) {
    if (!esp_ || !esp_->IsOpen()) return false;
    return esp_->ShowPartnerText(clientId, avatarName, text, userId);
}

bool CTeskChatCtrl::CloseEspWindow(int16_t clientId) {
    if (esp_ && esp_->IsOpen()) esp_->CloseSlot(clientId);
    return true;
}

bool CTeskChatCtrl::SaveChat(const std::string& fileName) { return pane_->SaveChatWithDialog(fileName); }

bool CTeskChatCtrl::Delete() {
    pane_->EndChat();
    if (esp_ && esp_->IsOpen()) esp_->CloseAll();
    return true;
}

bool CTeskChatCtrl::SetChatFont(const std::string& face, int16_t size) { return pane_->SetChatFont(face, size); }

bool CTeskChatCtrl::Create(bool readFile) {
    if (pane_->IsInitialised()) return true;
    if (window_) {
        window_->layout()->addWidget(pane_);
        pane_->setGeometry(window_->rect());
        pane_->show();
    }
    pane_->Initialise(readFile);
    return true;
}

int16_t CTeskChatCtrl::OpenEspWindow(int16_t clientId, const std::string& avatarName, const std::string& userId) {
    if (!esp_) {
        EspEvents events;
        events.readEspString = [this](int16_t id, const std::string& text) {
            FireEvent(DISPID_ReadEspString, {Variant::I2(id), Variant::Bstr(text)});
        };
        events.closedEspConnection = [this](int16_t id, const std::string& user) {
            FireEvent(DISPID_ClosedEspConnection, {Variant::I2(id), Variant::Bstr(user)});
        };
        events.notifyEspConnection = [this](bool status) { FireEvent(DISPID_NotifyEspConnection, {Variant::Bool(status)}); };
        // A popup owned by the control's window, so it stays above the page that holds the control.
        esp_ = new EspWindow(&espSettings_, std::move(events), window_ ? window_->window() : nullptr);
    }
    if (!esp_->IsOpen()) esp_->Initialise();
    return esp_->OpenTab(clientId, avatarName, userId);
}

void CTeskChatCtrl::AboutBox() {
    const auto& strings = TeskChatStrings();
    QDialog dialog(window_);
    dialog.setWindowTitle(strings.GetQ(IDS_ABOUT_CAPTION));
    dialog.setFont(platform::ui::DialogFont());
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(QPixmap::fromImage(ChatBitmap(IDB_SEND_UP).scaled(32, 32)));
    auto* text = new QLabel(strings.GetQ(IDS_ABOUT_TEXT), &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* column = new QVBoxLayout(&dialog);
    column->addLayout(row);
    column->addWidget(buttons);
    platform::ui::CurrentModalSeam().RunModal(&dialog);
}

}  // namespace teskchat
