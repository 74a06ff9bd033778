#include "plexa/data/own_avatar_card.h"

#include "platform/text/cp932.h"
#include "platform/ui/dialog_units.h"
#include "plexa/data/dib_drawing.h"
#include "plexa/data/dib_loader.h"
#include "plexa/resources/resource_ids.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>

namespace plexa {

OwnAvatarCard::OwnAvatarCard(QWidget* parent) : QWidget(parent) {
    using namespace res;
    const auto du = platform::ui::DialogUnits::Standard();
    setObjectName(QString::number(IDD_OWN_AVATAR));
    setFont(platform::ui::DialogFont());
    resize(du.MapSize(IDD_OWN_AVATAR_WIDTH, IDD_OWN_AVATAR_HEIGHT));

    m_picture = new QFrame(this);
    m_picture->setObjectName(QString::number(IDC_OWN_PICTURE));
    m_picture->setGeometry(3, 3, 64, 64);
    m_picture->installEventFilter(this);

    m_avatarNameLabel = new QLabel(this);
    m_avatarNameLabel->setObjectName(QString::number(IDC_OWN_AVATAR_NAME));
    m_avatarNameLabel->setGeometry(75, 5, 100, 18);
    m_avatarNameLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_regionNameLabel = new QLabel(this);
    m_regionNameLabel->setObjectName(QString::number(IDC_OWN_REGION_NAME));
    m_regionNameLabel->setGeometry(75, 28, 100, 36);
    m_regionNameLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_regionNameLabel->setWordWrap(true);

    // The user id is kept on the card but not shown.
    m_userIdLabel = new QLabel(this);
    m_userIdLabel->setObjectName(QString::number(IDC_OWN_USER_ID));
    m_userIdLabel->setGeometry(du.MapRect(50, 72, 60, 8));
    m_userIdLabel->hide();
    m_spareLabel = new QLabel(this);
    m_spareLabel->setObjectName(QString::number(IDC_OWN_SPARE));
    m_spareLabel->setGeometry(du.MapRect(50, 84, 60, 8));
    m_spareLabel->hide();
}

void OwnAvatarCard::SetPicture(const std::string& path) {
    m_dib.reset();
    if (!path.empty()) m_dib = LoadDibFile(path);
    m_picturePath = path;
    m_picture->update();
}

void OwnAvatarCard::SetAvatarName(const std::string& name) {
    m_avatarName = name;
    m_avatarNameLabel->setText(platform::ToQString(name));
}

void OwnAvatarCard::SetUserId(const std::string& userId) {
    m_userId = userId;
    m_userIdLabel->setText(platform::ToQString(userId));
}

void OwnAvatarCard::SetRegionName(const std::string& name) {
    m_regionName = name;
    m_regionNameLabel->setText(platform::ToQString(name));
}

bool OwnAvatarCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picture && event->type() == QEvent::Paint) {
        PaintPicture();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OwnAvatarCard::PaintPicture() {
    QPainter painter(m_picture);
    if (m_dib) {
        DrawDibStretched(painter, 0, 0, 64, 64, 0, 0, m_dib->Width(), m_dib->Height(), *m_dib);
    } else {
        painter.fillRect(QRect(0, 0, 64, 64), palette().color(QPalette::Button));
    }
}

}  // namespace plexa
