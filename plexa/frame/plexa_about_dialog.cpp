#include "plexa/frame/plexa_about_dialog.h"

#include "platform/ui/dialog_units.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace plexa {

CPlexaAboutDialog::CPlexaAboutDialog(QWidget* parent) : QDialog(parent) {
    const auto& strings = res::PlexaStrings();
    setObjectName(QStringLiteral("PlexaAboutBox"));
    setWindowTitle(QStringLiteral("%1 のバージョン情報").arg(strings.GetQ(res::IDS_CAPTION)));
    setFont(platform::ui::DialogFont());
    const platform::ui::DialogUnits du = platform::ui::DialogUnits::Standard();
    setFixedSize(du.MapSize(217, 55));

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setGeometry(du.MapRect(10, 10, 20, 20));
    auto* name = new QLabel(QStringLiteral("%1  Plexa Control  Version 1.0").arg(strings.GetQ(res::IDS_CAPTION)), this);
    name->setObjectName(QStringLiteral("ProductName"));
    name->setGeometry(du.MapRect(40, 10, 119, 8));
    auto* note = new QLabel(QStringLiteral("3D チャットワールド クライアント"), this);
    note->setGeometry(du.MapRect(40, 25, 119, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    ok->setGeometry(du.MapRect(176, 10, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace plexa
