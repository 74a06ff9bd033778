#include "plexa/session/esp_partner_dialog.h"

#include "platform/ui/dialog_units.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace plexa {

EspPartnerDialog::EspPartnerDialog(QWidget* parent)
    : RosterListDialog(QString::fromUtf8("ESP相手選択"), {214, 157}, {7, 7, 200, 119}, {157, 136, 50, 14},
                       /*listsOwn*/ false, parent) {
    setObjectName(QStringLiteral("EspPartnerDialog"));
    List()->setSelectionBehavior(QAbstractItemView::SelectRows);
    List()->setSelectionMode(QAbstractItemView::SingleSelection);
    m_connectButton = new QPushButton(QString::fromUtf8("接続"), this);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setGeometry(platform::ui::DialogUnits::Standard().MapRect(101, 136, 50, 14));
    m_connectButton->setAutoDefault(false);
    m_connectButton->setEnabled(false);
    connect(m_connectButton, &QPushButton::clicked, this, &EspPartnerDialog::Connect);
    connect(List(), &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        ChooseRow(List()->indexOfTopLevelItem(item));
        Connect();
    });
    // Choosing a row with the keyboard counts like a click.
    connect(List(), &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) ChooseRow(List()->indexOfTopLevelItem(item));
    });
    List()->viewport()->installEventFilter(this);
}

bool EspPartnerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List()->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QTreeWidgetItem* item = List()->itemAt(mouse->position().toPoint());
        ChooseRow(item ? List()->indexOfTopLevelItem(item) : -1);
    }
    return RosterListDialog::eventFilter(watched, event);
}

void EspPartnerDialog::ChooseRow(int row) {
    m_chosen = row;
    if (row != -1) m_connectButton->setEnabled(true);
}

void EspPartnerDialog::SetConnectEnabled(bool enabled) { m_connectButton->setEnabled(enabled); }

void EspPartnerDialog::Connect() {
    if (m_chosen < 0 || m_chosen >= static_cast<int>(Rows().size()) || !m_connect) return;
    // A copy: the handler may refill the list.
    const RosterEntry partner = Rows()[m_chosen];
    m_connect(partner);
}

}  // namespace plexa
