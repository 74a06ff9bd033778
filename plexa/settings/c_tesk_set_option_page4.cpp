#include "plexa/settings/c_tesk_set_option_page4.h"

#include "platform/text/cp932.h"
#include "platform/ui/beep.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"
#include "plexa/data/avatar_select_dialog.h"
#include "plexa/data/button_bitmap.h"
#include "plexa/data/c_world_view.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace plexa {
namespace {
bool IsAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

QPixmap CTeskSetOptionPage4::InitialPreview() {
    // A grey figure on white: "no picture of an avatar yet".
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawEllipse(QRectF(22, 10, 20, 20));
    p.drawRoundedRect(QRectF(16, 33, 32, 24), 8, 8);
    return pixmap;
}

CTeskSetOptionPage4::CTeskSetOptionPage4(QWidget* parent)
    : COptionPage(res::IDD_OPTION_PAGE4, QString::fromUtf8("アバタ"), parent), m_worldViewClass(CWorldView::kClassId) {
    using namespace res;
    AddGroupBox("ﾌﾞﾗｳｻﾞ", 7, 7, 196, 30);
    m_fixedSize = AddCheckBox(IDC_FIXED_SIZE, "固定ｻｲｽﾞにする(&X)", 16, 20, 176, 10);
    AddGroupBox("ｱﾊﾞﾀｰ", 7, 44, 196, 96);
    AddLabel(0, "ｲﾒｰｼﾞ：", 16, 58, 30, 8);
    m_staticPreview = new QLabel(this);
    m_staticPreview->setObjectName(QString::number(IDC_AVATAR_PREVIEW));
    m_staticPreview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_staticPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_staticPreview->setPixmap(InitialPreview());
    m_staticPreview->move(MapRect(50, 58, 1, 1).topLeft());
    m_staticPreview->adjustSize();
    m_avatarButton = new QPushButton(QString::fromUtf8("変更"), this);
    m_avatarButton->setObjectName(QString::number(IDC_AVATAR_CHANGE));
    m_avatarButton->setGeometry(MapRect(146, 58, 50, 14));
    m_avatarButton->setAccessibleName(QString::fromUtf8("アバタの変更"));
    QLabel* nameLabel = AddLabel(0, "ｱﾊﾞﾀｰ名(&D)：", 16, 118, 46, 8);
    m_avatarName = new QLineEdit(this);
    m_avatarName->setObjectName(QString::number(IDC_OPTION_AVATAR_NAME));
    m_avatarName->setGeometry(MapRect(64, 116, 80, 12));
    m_avatarName->setMaxLength(kAvatarNameMaxLength);
    nameLabel->setBuddy(m_avatarName);
    AddLabel(0, "(半角英数)", 148, 118, 50, 8);
    setTabOrder(m_fixedSize, m_avatarButton);
    setTabOrder(m_avatarButton, m_avatarName);

    connect(m_avatarButton, &QPushButton::clicked, this, &CTeskSetOptionPage4::OnAvatarChange);
    connect(m_avatarName, &QLineEdit::textChanged, this, &CTeskSetOptionPage4::OnAvatarNameChanged);
}

void CTeskSetOptionPage4::DoDataExchange(bool save) {
    ExchangeCheck(m_fixedSize, m_bFixedSize, save);
    if (save) m_strAvatarName = platform::FromQString(m_avatarName->text());
    else m_avatarName->setText(platform::ToQString(m_strAvatarName));
}

void CTeskSetOptionPage4::OnInitDialog() { ShowPreview(); }

void CTeskSetOptionPage4::ShowPreview() {
    if (m_strDirectoryName.empty() || m_strVrmlFileName.empty() || m_strImageFileName.empty() || m_nAvatarNo <= 0)
        return;
    const bool hadPicture = m_hPreviewBitmap.has_value();
    m_hPreviewBitmap.reset();
    QPixmap picture;
    if (LoadButtonBitmap(m_strImageFileName, picture)) {
        m_hPreviewBitmap = picture;
        m_staticPreview->setPixmap(picture);
    } else if (hadPicture) {
        // The picture shown before is gone with its bitmap.
        m_staticPreview->setPixmap(QPixmap());
    }
    m_staticPreview->adjustSize();
}

void CTeskSetOptionPage4::OnAvatarChange() {
    AvatarSelectDialog dialog(m_strAvatarDirectory, m_pAvatarList, this, m_worldViewClass);
    if (platform::ui::CurrentModalSeam().RunModal(&dialog) != QDialog::Accepted) return;
    const AvatarChoice* choice = dialog.CurrentChoice();
    if (!choice) return;
    m_strDirectoryName = choice->directoryName;
    m_strVrmlFileName = choice->vrmlPath;
    m_strImageFileName = choice->imagePath;
    m_nAvatarNo = dialog.CurrentPosition() + 1;
    ShowPreview();
}

void CTeskSetOptionPage4::OnAvatarNameChanged() {
    // Half-width letters and digits only: anything else empties the name with a beep.
    const std::string text = platform::FromQString(m_avatarName->text());
    for (unsigned char c : text) {
        if (IsAsciiAlnum(c)) continue;
        platform::ui::MessageBeep(platform::ui::MB_ICONEXCLAMATION);
        m_avatarName->setText(QString());
        return;
    }
}

bool CTeskSetOptionPage4::OnApply() {
    DoDataExchange(true);
    if (m_strAvatarName.empty()) {
        const auto& strings = res::PlexaStrings();
        platform::ui::ShowMessageBox(this, strings.Get(res::IDS_AVATAR_NAME_EMPTY), strings.Get(res::IDS_CAPTION),
                                     platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
        m_avatarName->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

}  // namespace plexa
