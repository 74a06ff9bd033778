#include "plexa/settings/c_tesk_set_option_page3.h"

#include "platform/text/cp932.h"
#include "platform/ui/font_choice.h"
#include "platform/ui/modal_seam.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace plexa {
namespace {
// A font description holds 31 bytes of face name; cut on a character boundary.
constexpr size_t kFaceNameBytes = 31;

std::string FaceNameField(const std::string& face) {
    size_t end = 0;
    while (end < face.size()) {
        const size_t step = platform::IsCp932LeadByte(static_cast<unsigned char>(face[end])) ? 2 : 1;
        if (end + step > kFaceNameBytes || end + step > face.size()) break;
        end += step;
    }
    return face.substr(0, end);
}
}  // namespace

CTeskSetOptionPage3::CTeskSetOptionPage3(QWidget* parent)
    : COptionPage(res::IDD_OPTION_PAGE3, QString::fromUtf8("チャット"), parent) {
    using namespace res;
    AddGroupBox("保存", 7, 7, 196, 60);
    m_chatAutoSave = AddCheckBox(IDC_CHAT_AUTO_SAVE, "チャットの内容を自動的に保存する(&C)", 16, 21, 180, 10);
    m_espAutoSave = AddCheckBox(IDC_ESP_AUTO_SAVE, "ESPの内容を自動的に保存する(&E)", 16, 36, 180, 10);
    m_confirmSave = AddCheckBox(IDC_CONFIRM_SAVE, "保存の確認を行う(&V)", 16, 51, 180, 10);
    AddGroupBox("フォント", 7, 74, 196, 62);
    QLabel* faceLabel = AddLabel(0, "種類(&F)：", 16, 89, 44, 8);
    m_staticFontName = AddLabel(IDC_FONT_NAME, "", 62, 89, 134, 8);
    QLabel* sizeLabel = AddLabel(0, "サイズ(&S)：", 16, 103, 44, 8);
    m_staticFontSize = AddLabel(IDC_FONT_SIZE, "", 62, 103, 80, 8);
    // The style line exists but is never shown.
    QLabel* styleLabel = AddLabel(0, "スタイル(&L)：", 16, 117, 44, 8);
    m_staticFontStyle = AddLabel(IDC_FONT_STYLE, "", 62, 117, 80, 8);
    styleLabel->hide();
    m_staticFontStyle->hide();
    m_fontButton = new QPushButton(QString::fromUtf8("変更"), this);
    m_fontButton->setObjectName(QString::number(IDC_FONT_CHANGE));
    m_fontButton->setGeometry(MapRect(146, 115, 50, 14));
    // The lines cannot take the focus: their mnemonics lead to the button that changes them.
    faceLabel->setBuddy(m_fontButton);
    sizeLabel->setBuddy(m_fontButton);
    styleLabel->setBuddy(m_fontButton);

    // Beside the template's controls: which events may interrupt the user from the background.
    AddGroupBox("デスクトップ通知", 7, 143, 196, 52);
    const char* notifyTexts[] = {"ESPのメッセージ(&M)", "ESPの開始(&R)", "チャットで名前を呼ばれたとき(&N)"};
    for (NotificationSettings::Kind kind : NotificationSettings::kAll) {
        const auto k = static_cast<size_t>(kind);
        m_notify[k] = AddCheckBox(0, notifyTexts[k], 16, 157 + 13 * static_cast<int>(k), 180, 10);
        m_notify[k]->setObjectName(QString::fromLatin1(NotificationSettings::ValueName(kind)));
        m_notify[k]->setChecked(NotificationSettings::Enabled(kind));
    }

    connect(m_chatAutoSave, &QCheckBox::clicked, this, &CTeskSetOptionPage3::OnAutoSaveClicked);
    connect(m_espAutoSave, &QCheckBox::clicked, this, &CTeskSetOptionPage3::OnAutoSaveClicked);
    connect(m_fontButton, &QPushButton::clicked, this, &CTeskSetOptionPage3::OnFontChange);
}

void CTeskSetOptionPage3::DoDataExchange(bool save) {
    ExchangeCheck(m_confirmSave, m_bConfirmOfFileSave, save);
    ExchangeCheck(m_chatAutoSave, m_bChatAutoSave, save);
    ExchangeCheck(m_espAutoSave, m_bEspAutoSave, save);
}

void CTeskSetOptionPage3::StoreNotificationChoices() const {
    for (NotificationSettings::Kind kind : NotificationSettings::kAll)
        NotificationSettings::SetEnabled(kind, m_notify[static_cast<size_t>(kind)]->isChecked());
}

void CTeskSetOptionPage3::OnInitDialog() {
    m_staticFontName->setText(platform::ToQString(m_strFont));
    ShowFontSize();
    // With both automatic saves there is nothing left to confirm.
    m_confirmSave->setEnabled(!(m_bChatAutoSave && m_bEspAutoSave));
}

void CTeskSetOptionPage3::ShowFontSize() {
    m_staticFontSize->setText(QString::number(m_nFontSize) + res::PlexaStrings().GetQ(res::IDS_POINTS));
}

void CTeskSetOptionPage3::OnAutoSaveClicked() {
    m_confirmSave->setEnabled(!(m_chatAutoSave->isChecked() && m_espAutoSave->isChecked()));
}

void CTeskSetOptionPage3::OnFontChange() {
    const int dpi = platform::ui::LogicalDpiY();
    platform::ui::FontChoice initial;
    initial.face = FaceNameField(m_strFont);
    initial.height = -platform::ui::MulDiv(m_nFontSize, dpi, 72);
    initial.pointSize = m_nFontSize;
    initial.bold = m_bBold != 0;
    initial.italic = m_bItalic != 0;
    const auto chosen = platform::ui::CurrentModalSeam().ChooseFont(this, initial);
    if (!chosen) return;
    m_strFont = chosen->face;
    m_staticFontName->setText(platform::ToQString(m_strFont));
    const int height = chosen->height != 0 ? chosen->height : platform::ui::PointsToHeight(chosen->pointSize, dpi);
    m_nFontSize = -platform::ui::MulDiv(height, 72, dpi);
    m_bBold = chosen->bold ? 1 : 0;
    m_bItalic = chosen->italic ? 1 : 0;
    ShowFontSize();
}

}  // namespace plexa
