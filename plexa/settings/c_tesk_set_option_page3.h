#pragma once
// Options page "チャット": automatic saving of chat and ESP text, the chat font, and which events
// raise a desktop notification.
#include "plexa/settings/c_option_page.h"
#include "plexa/settings/notification_settings.h"

#include <array>

#include <cstdint>
#include <string>

class QPushButton;

namespace plexa {

class CTeskSetOptionPage3 : public COptionPage {
    Q_OBJECT
public:
    explicit CTeskSetOptionPage3(QWidget* parent = nullptr);

    QLabel* m_staticFontStyle;
    QLabel* m_staticFontSize;
    QLabel* m_staticFontName;
    int32_t m_bConfirmOfFileSave = 0;
    int32_t m_bChatAutoSave = 0;
    int32_t m_bEspAutoSave = 0;
    std::string m_strFont;    // CP932
    int32_t m_nFontSize = 0;  // points
    int32_t m_bBold = 0;
    int32_t m_bItalic = 0;

    void DoDataExchange(bool save) override;

    QCheckBox* ConfirmSaveBox() const { return m_confirmSave; }
    QCheckBox* ChatAutoSaveBox() const { return m_chatAutoSave; }
    QCheckBox* EspAutoSaveBox() const { return m_espAutoSave; }
    QPushButton* FontButton() const { return m_fontButton; }
    // One box per notification kind, in NotificationSettings::kAll order; filled when the page is
    // made, stored by StoreNotificationChoices when the sheet closes with OK.
    QCheckBox* NotifyBox(NotificationSettings::Kind kind) const { return m_notify[static_cast<size_t>(kind)]; }
    void StoreNotificationChoices() const;

    // Button 228: the font dialog seeded with the current font; OK takes its choice.
    void OnFontChange();

protected:
    void OnInitDialog() override;

private:
    void OnAutoSaveClicked();
    void ShowFontSize();

    QCheckBox* m_confirmSave;
    QCheckBox* m_chatAutoSave;
    QCheckBox* m_espAutoSave;
    QPushButton* m_fontButton;
    std::array<QCheckBox*, 3> m_notify{};
};

}  // namespace plexa
