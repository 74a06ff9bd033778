#include "plexa/settings/c_tesk_set_option_page2.h"

#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace plexa {
namespace {
constexpr int kGraphicModes = 3;        // high quality, standard, wire frame
constexpr int kGraphicModesMoving = 4;  // the same and "no change"
}  // namespace

CTeskSetOptionPage2::CTeskSetOptionPage2(QWidget* parent)
    : COptionPage(res::IDD_OPTION_PAGE2, QString::fromUtf8("移動"), parent) {
    using namespace res;
    AddGroupBox("表示", 7, 7, 196, 50);
    QLabel* modeLabel = AddLabel(0, "表示方法(&D)：", 16, 22, 84, 8);
    m_comboGraphicMode = new QComboBox(this);
    m_comboGraphicMode->setObjectName(QString::number(IDC_GRAPHIC_MODE));
    m_comboGraphicMode->setGeometry(MapRect(104, 20, 90, 13));
    modeLabel->setBuddy(m_comboGraphicMode);
    QLabel* movingLabel = AddLabel(0, "移動時の表示方法(&M)：", 16, 39, 84, 8);
    m_comboGraphicModeMoving = new QComboBox(this);
    m_comboGraphicModeMoving->setObjectName(QString::number(IDC_GRAPHIC_MODE_MOVING));
    m_comboGraphicModeMoving->setGeometry(MapRect(104, 37, 90, 13));
    movingLabel->setBuddy(m_comboGraphicModeMoving);
    AddGroupBox("効果", 7, 64, 196, 46);
    m_headLight = AddCheckBox(IDC_HEAD_LIGHT, "ヘッドライトを使用する(&H)", 16, 78, 176, 10);
    m_collision = AddCheckBox(IDC_COLLISION, "衝突判定を有効にする(&C)", 16, 93, 176, 10);
    AddGroupBox("接続", 7, 117, 196, 28);
    m_autoReconnect =
        AddCheckBox(IDC_AUTO_RECONNECT, "接続が切れたら自動的に再接続する(&R)", 16, 130, 180, 10);
    setTabOrder(m_comboGraphicMode, m_comboGraphicModeMoving);
    setTabOrder(m_comboGraphicModeMoving, m_headLight);
    setTabOrder(m_headLight, m_collision);
    setTabOrder(m_collision, m_autoReconnect);
}

void CTeskSetOptionPage2::DoDataExchange(bool save) {
    ExchangeCheck(m_headLight, m_bHeadLightOn, save);
    ExchangeCheck(m_collision, m_bCollision, save);
    ExchangeCheck(m_autoReconnect, m_bAutoReconnect, save);
}

void CTeskSetOptionPage2::OnInitDialog() {
    const auto& strings = res::PlexaStrings();
    // Items keep the order they are added in: the index is the stored value.
    for (int id : {res::IDS_MODE_HIGH_QUALITY, res::IDS_MODE_STANDARD, res::IDS_MODE_WIRE_FRAME})
        m_comboGraphicMode->addItem(strings.GetQ(id));
    m_comboGraphicMode->setCurrentIndex(m_nGraphicMode >= 0 && m_nGraphicMode < kGraphicModes ? m_nGraphicMode : -1);
    for (int id : {res::IDS_MODE_HIGH_QUALITY, res::IDS_MODE_STANDARD, res::IDS_MODE_WIRE_FRAME, res::IDS_MODE_NO_CHANGE})
        m_comboGraphicModeMoving->addItem(strings.GetQ(id));
    m_comboGraphicModeMoving->setCurrentIndex(
        m_nGraphicModeMoving >= 0 && m_nGraphicModeMoving < kGraphicModesMoving ? m_nGraphicModeMoving : -1);
}

bool CTeskSetOptionPage2::OnApply() {
    DoDataExchange(true);
    // A box without a selection keeps the value it was opened with, even one out of range.
    const int mode = m_comboGraphicMode->currentIndex();
    if (mode >= 0 && mode < kGraphicModes) m_nGraphicMode = mode;
    const int moving = m_comboGraphicModeMoving->currentIndex();
    if (moving >= 0 && moving < kGraphicModesMoving) m_nGraphicModeMoving = moving;
    return true;
}

}  // namespace plexa
